"""Translation between the ZYM dialect and the S3 engine's: addresses, keys, query parameters
and headers. XML bodies are handled in documents.py."""

import re
from urllib.parse import quote, unquote_to_bytes

from .errors import ServiceError

# Headers that belong to one connection and are never forwarded.
HOP_BY_HOP = frozenset(
    [
        "connection",
        "keep-alive",
        "proxy-connection",
        "te",
        "trailer",
        "transfer-encoding",
        "upgrade",
        "expect",
        "host",
        "content-length",
        "authorization",
    ]
)

# Request parameters the engine gets; the signature parameters stay with the front end.
DROPPED_QUERY = frozenset([b"ZYMAccessKeyId", b"Expires", b"Signature"])

MAX_KEYS_LIMIT = 1000
AFTER_EVERY_KEY = "\U0010ffff".encode("utf-8")


def parse_host(host, domain):
    """Splits a Host header into ("control", None, None), ("location", L, None) or
    ("bucket", L, bucket); returns None for a host outside the domain.

    domain is "zym.localhost:PORT"; the port part of host must match it."""
    host = host.strip().lower()
    base, _, port = domain.rpartition(":")
    if not host.endswith(":" + port):
        return None
    name = host[: -(len(port) + 1)].rstrip(".")
    if name == base or name in ("127.0.0.1", "localhost"):
        return ("control", None, None)
    if not name.endswith("." + base):
        return None
    labels = name[: -(len(base) + 1)]
    if not labels:
        return None
    bucket, dot, location = labels.rpartition(".")
    if not dot:
        return ("location", location, None)
    if not bucket:
        return None
    return ("bucket", location, bucket)


_BUCKET_NAME = re.compile(r"^[a-z0-9][a-z0-9.-]{1,61}[a-z0-9]$")
_IP_FORM = re.compile(r"^\d+\.\d+\.\d+\.\d+$")


def valid_bucket_name(name):
    """3 to 63 lower-case letters, digits, "-" and "."; no empty label, not an IP address."""
    return bool(_BUCKET_NAME.match(name)) and ".." not in name and ".-" not in name and "-." not in name and not _IP_FORM.match(name)


def split_target(target):
    """Request target (latin-1 text as received) -> (raw path bytes, raw query bytes)."""
    raw = target.encode("latin-1")
    path, _, query = raw.partition(b"?")
    return path, query


def form_decode(raw):
    """Form decoding: "+" is a space, %XX a byte."""
    return unquote_to_bytes(raw.replace(b"+", b" "))


def parse_query(raw_query):
    """Decoded (name, value) byte pairs; value None for a bare name such as "uploads"."""
    pairs = []
    for item in raw_query.split(b"&"):
        if not item:
            continue
        name, eq, value = item.partition(b"=")
        pairs.append((form_decode(name), form_decode(value) if eq else None))
    return pairs


def object_key(raw_path):
    """The raw object key of a bucket-host request path ("" for a bucket-level request)."""
    key = form_decode(raw_path[1:] if raw_path.startswith(b"/") else raw_path)
    try:
        key.decode("utf-8")
    except UnicodeDecodeError:
        raise ServiceError("InvalidObjectName", "Object keys must be UTF-8 text.") from None
    if len(key) > 1024:
        raise ServiceError("InvalidObjectName", "The object key is longer than 1024 bytes.")
    return key


def engine_path(bucket, key):
    path = "/" + quote(bucket, safe="")
    if key:
        path += "/" + quote(key, safe="")
    return path


def engine_query(pairs):
    """Re-encodes the parameters for the engine, capping max-keys at the service's limit."""
    out = []
    for name, value in pairs:
        if name in DROPPED_QUERY:
            continue
        if name == b"max-keys" and value is not None:
            try:
                number = int(value)
            except ValueError:
                raise ServiceError("InvalidArgument", "max-keys must be a number.", [("ArgumentName", "max-keys")]) from None
            if number < 0:
                raise ServiceError("InvalidArgument", "max-keys must not be negative.", [("ArgumentName", "max-keys")])
            value = str(min(number, MAX_KEYS_LIMIT)).encode()
        text = quote(name, safe="")
        if value is not None:
            text += "=" + quote(value, safe="")
        out.append(text)
    return "&".join(out)


def _utf8(value):
    """Header values arrive as latin-1 text; the client sends UTF-8 bytes."""
    return value.encode("latin-1")


def engine_headers(headers, is_part_copy, self_copy):
    """ZYM request headers (list of (name, latin-1 text)) -> engine headers (str, bytes).

    x-zym-copy-source carries the raw source text, which the engine wants URL-encoded;
    x-zym-copy-source-range has no unit; x-zym-meta-* become the engine's metadata; a copy of
    an object onto itself replaces the object's headers."""
    out = []
    for name, value in headers:
        lname = name.lower()
        if lname in HOP_BY_HOP or lname == "date":
            continue
        raw = _utf8(value)
        if lname == "x-zym-copy-source":
            out.append(("x-amz-copy-source", quote(raw, safe="/").encode("ascii")))
        elif lname == "x-zym-copy-source-range":
            text = raw.strip()
            out.append(("x-amz-copy-source-range", text if text.startswith(b"bytes=") else b"bytes=" + text))
        elif lname.startswith("x-zym-"):
            out.append(("x-amz-" + lname[len("x-zym-") :], raw))
        else:
            out.append((name, raw))
    if self_copy and not is_part_copy:
        out = [(n, v) for n, v in out if n.lower() != "x-amz-metadata-directive"]
        out.append(("x-amz-metadata-directive", b"REPLACE"))
    return out


def copy_source(headers):
    """(bucket, key) bytes of the x-zym-copy-source header, or None."""
    for name, value in headers:
        if name.lower() == "x-zym-copy-source":
            raw = _utf8(value)
            bucket, _, key = raw.lstrip(b"/").partition(b"/")
            return bucket, key
    return None


def client_headers(engine_headers_list):
    """Engine response headers -> ZYM response headers (x-amz-* become x-zym-*)."""
    out = []
    for name, value in engine_headers_list:
        lname = name.lower()
        if lname in HOP_BY_HOP or lname in ("server", "date", "x-amzn-requestid", "access-control-allow-origin"):
            continue
        if lname.startswith("x-amz-"):
            name = "x-zym-" + name[len("x-amz-") :]
        out.append((name, value))
    return out
