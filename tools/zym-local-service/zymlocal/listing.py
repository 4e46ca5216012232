"""Bucket listings with the service's paging rules, built from the engine's plain key listing.

The engine counts common prefixes outside max-keys and names an opaque NextMarker, which would
make a client that pages by NextMarker skip keys. Here keys and common prefixes share the
max-keys budget in key order, and every truncated page names its last entry as NextMarker."""

import xml.etree.ElementTree as ET

from . import documents, keyindex
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


def _walk_engine(engine, path, prefix, marker, after_folder, delimiter, max_keys):
    """A page from the engine's own listing, read key by key: (entries, truncated), or
    (None, (status, body)) for an engine error. Used when the key index cannot see the bucket."""
    entries = []
    cursor = marker
    if after_folder:
        # A marker that is a common prefix stands for every key under it.
        cursor += AFTER_EVERY_KEY.decode("utf-8")
    while True:
        contents, more, error = _engine_page(engine, path, prefix, cursor)
        if contents is None:
            return None, (more, documents.rewrite_error(error, more, None))
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
                return entries, True
            entries.append(("prefix", folder) if folder else ("key", _element_entry(element)))
        if not more:
            return entries, False


def _element_entry(element):
    return keyindex.Entry(*(element.findtext(n) or "" for n in ("Key", "LastModified", "ETag", "Size", "StorageClass")))


def list_bucket(engine, bucket, path, query, index=None):
    """Returns (status, body) of a listing request; query is the decoded parameter pairs. The
    page comes from the key index when it sees the bucket, else from the engine's listing."""
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

    after_folder = bool(delimiter) and marker.endswith(delimiter)
    found = index.page(bucket, prefix, marker, after_folder, delimiter, max_keys) if index is not None else None
    if found is not None:
        entries, truncated = found
    else:
        entries, truncated = _walk_engine(engine, path, prefix, marker, after_folder, delimiter, max_keys)
        if entries is None:
            return truncated
    root = ET.Element("ListBucketResult")
    for name, value in (("Name", bucket), ("Prefix", prefix), ("Marker", marker), ("MaxKeys", str(max_keys))):
        ET.SubElement(root, name).text = value
    if delimiter:
        ET.SubElement(root, "Delimiter").text = delimiter
    ET.SubElement(root, "IsTruncated").text = "true" if truncated else "false"
    if truncated and entries:
        last = entries[-1]
        ET.SubElement(root, "NextMarker").text = last[1] if last[0] == "prefix" else last[1].key
    for kind, value in entries:
        if kind == "key":
            root.append(_contents(value))
    for kind, value in entries:
        if kind == "prefix":
            ET.SubElement(ET.SubElement(root, "CommonPrefixes"), "Prefix").text = value
    return 200, documents.render(root)


def _contents(entry):
    out = ET.Element("Contents")
    for name, value in (("Key", entry.key), ("LastModified", entry.last_modified), ("ETag", entry.etag)):
        ET.SubElement(out, name).text = value
    ET.SubElement(out, "Type").text = "Multipart" if "-" in entry.etag else "Normal"
    ET.SubElement(out, "Size").text = str(entry.size)
    ET.SubElement(out, "StorageClass").text = entry.storage_class
    return out


MAX_UPLOADS = 1000


def list_uploads(engine, bucket, path, query):
    """Unfinished multipart uploads with the service's paging: at most max-uploads (1,000) per
    page in key and upload-id order, continued after key-marker and upload-id-marker. The engine
    answers every upload at once, so the paging is done here."""
    params = {n: v for n, v in query if v is not None}
    key_marker = _text(params.get(b"key-marker", b""))
    id_marker = _text(params.get(b"upload-id-marker", b""))
    prefix = _text(params.get(b"prefix", b""))
    try:
        max_uploads = min(int(params.get(b"max-uploads", b"1000")), MAX_UPLOADS)
    except ValueError:
        raise ServiceError("InvalidArgument", "max-uploads must be a number.", [("ArgumentName", "max-uploads")]) from None
    status, _, body = engine.fetch("GET", path, "uploads")
    if status != 200:
        return status, documents.rewrite_error(body, status, None)
    root = documents.parse(body)
    if root is None:
        raise ServiceError("InternalError", "The engine sent an unreadable upload list.")
    uploads = sorted(root.findall("Upload"), key=lambda u: (u.findtext("Key") or "", u.findtext("UploadId") or ""))

    def after_markers(upload):
        key, upload_id = upload.findtext("Key") or "", upload.findtext("UploadId") or ""
        if not key.startswith(prefix):
            return False
        if not key_marker:
            return True
        return key > key_marker or (key == key_marker and bool(id_marker) and upload_id > id_marker)

    remaining = [u for u in uploads if after_markers(u)]
    page, truncated = remaining[:max_uploads], len(remaining) > max_uploads
    out = ET.Element("ListMultipartUploadsResult")
    for name, value in (("Bucket", bucket), ("KeyMarker", key_marker), ("UploadIdMarker", id_marker)):
        ET.SubElement(out, name).text = value
    if truncated and page:
        ET.SubElement(out, "NextKeyMarker").text = page[-1].findtext("Key") or ""
        ET.SubElement(out, "NextUploadIdMarker").text = page[-1].findtext("UploadId") or ""
    ET.SubElement(out, "Prefix").text = prefix
    ET.SubElement(out, "MaxUploads").text = str(max_uploads)
    ET.SubElement(out, "IsTruncated").text = "true" if truncated else "false"
    for upload in page:
        out.append(upload)
    return 200, documents.render(out)
