"""Bucket listings with the service's paging rules, built from the engine's plain key listing.

The engine counts common prefixes outside max-keys and names an opaque NextMarker, which would
make a client that pages by NextMarker skip keys. Here keys and common prefixes share the
max-keys budget in key order, and every truncated page names its last entry as NextMarker."""

import xml.etree.ElementTree as ET

from . import documents
from .dialect import AFTER_EVERY_KEY, MAX_KEYS_LIMIT
from .errors import ServiceError

ENGINE_PAGE = 1000


def _text(value):
    return value.decode("utf-8") if isinstance(value, bytes) else value


def _engine_page(engine, path, prefix, marker):
    """One page of the engine's listing without a delimiter: (Contents elements, truncated)."""
    from urllib.parse import quote

    query = "max-keys=%d" % ENGINE_PAGE
    if prefix:
        query += "&prefix=" + quote(prefix, safe="")
    if marker:
        query += "&marker=" + quote(marker, safe="")
    status, _, body = engine.fetch("GET", path, query)
    if status != 200:
        return None, status, body
    root = documents.parse(body)
    if root is None:
        raise ServiceError("InternalError", "The engine sent an unreadable listing.")
    contents = root.findall("Contents")
    return contents, (root.findtext("IsTruncated") or "").lower() == "true", None


def list_bucket(engine, bucket, path, query):
    """Returns (status, body) of a listing request; query is the decoded parameter pairs."""
    params = {n: v for n, v in query if v is not None}
    prefix = _text(params.get(b"prefix", b""))
    marker = _text(params.get(b"marker", b""))
    delimiter = _text(params.get(b"delimiter", b""))
    max_keys_text = params.get(b"max-keys", b"1000")
    try:
        max_keys = int(max_keys_text)
    except ValueError:
        raise ServiceError("InvalidArgument", "max-keys must be a number.", [("ArgumentName", "max-keys")]) from None
    if max_keys < 0:
        raise ServiceError("InvalidArgument", "max-keys must not be negative.", [("ArgumentName", "max-keys")])
    max_keys = min(max_keys, MAX_KEYS_LIMIT)

    entries = []  # ("key", element) or ("prefix", text), in key order
    truncated = False
    cursor = marker
    if delimiter and cursor.endswith(delimiter):
        # A marker that is a common prefix stands for every key under it.
        cursor += AFTER_EVERY_KEY.decode("utf-8")
    done = False
    while not done:
        contents, more, error = _engine_page(engine, path, prefix, cursor)
        if contents is None:
            return more, documents.rewrite_error(error, more, None)
        for element in contents:
            key = element.findtext("Key") or ""
            cursor = key
            rest = key[len(prefix):]
            folder = None
            if delimiter and delimiter in rest:
                folder = prefix + rest[: rest.index(delimiter) + len(delimiter)]
                if entries and entries[-1] == ("prefix", folder):
                    continue
            if len(entries) >= max_keys:
                truncated = True
                done = True
                break
            entries.append(("prefix", folder) if folder else ("key", element))
        if not more:
            done = True
    root = ET.Element("ListBucketResult")
    for name, value in (("Name", bucket), ("Prefix", prefix), ("Marker", marker), ("MaxKeys", str(max_keys))):
        ET.SubElement(root, name).text = value
    if delimiter:
        ET.SubElement(root, "Delimiter").text = delimiter
    ET.SubElement(root, "IsTruncated").text = "true" if truncated else "false"
    if truncated and entries:
        last = entries[-1]
        ET.SubElement(root, "NextMarker").text = last[1] if last[0] == "prefix" else last[1].findtext("Key")
    for kind, value in entries:
        if kind == "key":
            root.append(_contents(value))
    for kind, value in entries:
        if kind == "prefix":
            ET.SubElement(ET.SubElement(root, "CommonPrefixes"), "Prefix").text = value
    return 200, documents.render(root)


def _contents(element):
    out = ET.Element("Contents")
    for name in ("Key", "LastModified", "ETag"):
        ET.SubElement(out, name).text = element.findtext(name) or ""
    etag = element.findtext("ETag") or ""
    ET.SubElement(out, "Type").text = "Multipart" if "-" in etag else "Normal"
    ET.SubElement(out, "Size").text = element.findtext("Size") or "0"
    ET.SubElement(out, "StorageClass").text = element.findtext("StorageClass") or "STANDARD"
    return out
