"""Checks request signatures: `Authorization: ZYM id:signature` with a Date, or query-string
signatures (ZYMAccessKeyId, Expires, Signature) with the expiry in place of the date.

Written from the signing rules alone so that it is an independent check of any client signer.
Every text that is hashed is handled as the exact bytes that came over the wire."""

import base64
import email.utils
import hashlib
import hmac
import time

from .errors import ServiceError

MAX_SKEW_SECONDS = 15 * 60

# Query parameters that name a sub-resource and therefore belong to the canonical resource.
SUBRESOURCES = frozenset(
    [
        "acl",
        "cors",
        "delete",
        "lifecycle",
        "location",
        "logging",
        "partNumber",
        "policy",
        "referer",
        "response-cache-control",
        "response-content-disposition",
        "response-content-encoding",
        "response-content-language",
        "response-content-type",
        "response-expires",
        "uploadId",
        "uploads",
        "website",
    ]
)

QUERY_AUTH_PARAMS = ("ZYMAccessKeyId", "Expires", "Signature")

# The client signs only the copy headers; other x-zym- headers it sends (metadata when headers
# are replaced) are not part of its signature, so both forms are accepted.
COPY_HEADERS = ("x-zym-copy-source", "x-zym-copy-source-range")


def canonical_resource(bucket, key, query):
    """"/" for the service itself, else "/" bucket "/" key and the sorted sub-resources.

    bucket and key are UTF-8 bytes (key may be empty); query is a list of (name, value-or-None)
    decoded byte pairs."""
    if bucket is None:
        return b"/"
    resource = b"/" + bucket + b"/" + key
    subs = sorted(
        ((n, v) for n, v in query if n.decode("utf-8", "replace") in SUBRESOURCES), key=lambda p: p[0]
    )
    if subs:
        resource += b"?" + b"&".join(n if v is None else n + b"=" + v for n, v in subs)
    return resource


def string_to_sign(verb, content_md5, content_type, date, zym_headers, resource):
    """All arguments are bytes; zym_headers is a list of (name, value) byte pairs."""
    lines = [verb, b"\n", content_md5, b"\n", content_type, b"\n", date, b"\n"]
    for name, value in sorted(((n.lower(), v) for n, v in zym_headers), key=lambda p: p[0]):
        lines += [name, b":", value, b"\n"]
    lines.append(resource)
    return b"".join(lines)


def signature(secret, text):
    digest = hmac.new(secret, text, hashlib.sha1).digest()
    return base64.b64encode(digest)


class Request:
    """What the check needs from a request: method (bytes), headers as a list of (name, value)
    byte pairs in arrival order, decoded query pairs, bucket and key bytes (bucket None for the
    service-level host)."""

    def __init__(self, method, headers, query, bucket, key):
        self.method = method
        self.headers = headers
        self.query = query
        self.bucket = bucket
        self.key = key

    def header(self, name):
        lname = name.lower()
        for n, v in self.headers:
            if n.lower() == lname:
                return v
        return None

    def zym_headers(self, only=None):
        out = []
        for n, v in self.headers:
            ln = n.lower()
            if ln.startswith(b"x-zym-") and (only is None or ln.decode("ascii", "replace") in only):
                out.append((ln, v))
        return out

    def query_value(self, name):
        for n, v in self.query:
            if n == name:
                return v if v is not None else b""
        return None


def _http_date_seconds(text):
    try:
        parsed = email.utils.parsedate_to_datetime(text.decode("latin-1"))
    except (TypeError, ValueError, IndexError):
        return None
    if parsed is None or parsed.tzinfo is None:
        return None
    return parsed.timestamp()


def check(request, accounts, now=None):
    """Returns the access key id on success; raises ServiceError with the service's code."""
    now = time.time() if now is None else now
    if request.query_value(b"ZYMAccessKeyId") is not None:
        return _check_query(request, accounts, now)
    auth = request.header(b"Authorization")
    if auth is None:
        raise ServiceError("AccessDenied", "Anonymous access is forbidden for this operation.")
    if not auth.startswith(b"ZYM ") or b":" not in auth[4:]:
        raise ServiceError("InvalidArgument", "Authorization header is invalid.", [("ArgumentName", "Authorization")])
    key_id, _, given = auth[4:].rpartition(b":")
    secret = accounts.get(key_id.decode("utf-8", "replace"))
    if secret is None:
        raise ServiceError(
            "InvalidAccessKeyId",
            "The access key id you provided does not exist in our records.",
            [("ZYMAccessKeyId", key_id.decode("utf-8", "replace"))],
        )
    date = request.header(b"Date")
    seconds = _http_date_seconds(date) if date else None
    if seconds is None:
        raise ServiceError("AccessDenied", "The request must carry a valid Date header.")
    if abs(now - seconds) > MAX_SKEW_SECONDS:
        raise ServiceError(
            "RequestTimeTooSkewed",
            "The difference between the request time and the current time is too large.",
            [
                ("RequestTime", date.decode("latin-1")),
                ("ServerTime", email.utils.formatdate(now, usegmt=True)),
                ("MaxAllowedSkewMilliseconds", MAX_SKEW_SECONDS * 1000),
            ],
        )
    _verify(request, secret, date, given, key_id)
    return key_id.decode("utf-8", "replace")


def _check_query(request, accounts, now):
    key_id = request.query_value(b"ZYMAccessKeyId")
    expires = request.query_value(b"Expires")
    given = request.query_value(b"Signature")
    if expires is None or given is None:
        raise ServiceError("AccessDenied", "Query-string authentication requires the Signature, Expires and ZYMAccessKeyId parameters.")
    secret = accounts.get(key_id.decode("utf-8", "replace"))
    if secret is None:
        raise ServiceError(
            "InvalidAccessKeyId",
            "The access key id you provided does not exist in our records.",
            [("ZYMAccessKeyId", key_id.decode("utf-8", "replace"))],
        )
    try:
        expiry = int(expires.decode("ascii"))
    except ValueError:
        raise ServiceError("AccessDenied", "Invalid date (should be seconds since epoch): %s" % expires.decode("latin-1")) from None
    if expiry < now:
        raise ServiceError(
            "AccessDenied",
            "Request has expired",
            [("Expires", expiry), ("ServerTime", email.utils.formatdate(now, usegmt=True))],
        )
    # Base64 never holds a space: a "+" left unencoded in the link arrives as one.
    _verify(request, secret, expires, given.replace(b" ", b"+"), key_id)
    return key_id.decode("utf-8", "replace")


def _verify(request, secret, date_or_expiry, given, key_id):
    resource = canonical_resource(
        request.bucket, request.key, [(n, v) for n, v in request.query if n.decode("latin-1") not in QUERY_AUTH_PARAMS]
    )
    md5 = request.header(b"Content-MD5") or b""
    ctype = request.header(b"Content-Type") or b""
    secret_bytes = secret.encode("utf-8")
    first = None
    for only in (None, COPY_HEADERS):
        sts = string_to_sign(request.method, md5, ctype, date_or_expiry, request.zym_headers(only), resource)
        first = first or sts
        if hmac.compare_digest(signature(secret_bytes, sts), given):
            return
    raise ServiceError(
        "SignatureDoesNotMatch",
        "The request signature we calculated does not match the signature you provided. Check your key and signing method.",
        [
            ("ZYMAccessKeyId", key_id.decode("utf-8", "replace")),
            ("StringToSign", first.decode("utf-8", "replace")),
            ("StringToSignBytes", " ".join("%02x" % b for b in first)),
        ],
    )
