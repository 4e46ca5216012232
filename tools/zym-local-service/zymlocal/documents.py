"""XML bodies: the engine's replies rewritten into the service's documents, and the request
documents the front end reads itself (the Delete document)."""

import re
import xml.etree.ElementTree as ET

from .errors import ServiceError, error_document

_NAMESPACE = re.compile(rb'\sxmlns(:\w+)?="[^"]*"')


def parse(body):
    """Parses an engine document with its namespace removed; None when it is not XML."""
    try:
        return ET.fromstring(_NAMESPACE.sub(b"", body, count=1))
    except ET.ParseError:
        return None


def render(root):
    return b'<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(root, encoding="utf-8", xml_declaration=False)


def rewrite_error(body, status, request_id):
    """Engine error body -> the service's error document (RequestId, HostId; other fields kept)."""
    root = parse(body) if body else None
    if root is None or root.tag != "Error":
        code = "InternalError" if status >= 500 else ("NoSuchKey" if status == 404 else "InvalidRequest")
        return error_document(code, "The engine answered with status %d." % status, request_id=request_id)
    code = root.findtext("Code") or ""
    message = root.findtext("Message") or ""
    extra = []
    for child in root:
        if child.tag in ("Code", "Message", "RequestID", "RequestId", "HostId"):
            continue
        extra.append((child.tag, child.text or ""))
    return error_document(code, message, extra, request_id=request_id)


def rewrite_bucket_list(body, locations):
    """The list of all buckets, each with the location it was created in."""
    root = parse(body)
    if root is None:
        return body
    for bucket in root.iter("Bucket"):
        if bucket.find("Location") is None:
            node = ET.SubElement(bucket, "Location")
            node.text = locations.get(bucket.findtext("Name") or "", "")
    return render(root)


def plain(body):
    """Any other engine document with its namespace removed (the client reads names only)."""
    root = parse(body)
    if root is None:
        return body
    if root.tag == "CompleteMultipartUploadResponse":
        root.tag = "CompleteMultipartUploadResult"
        # The engine's Location names its own (foreign) address; the client never reads it.
        for node in root.findall("Location"):
            root.remove(node)
    return render(root)


MAX_DELETE_KEYS = 1000

_ETAG = re.compile(rb"<ETag>(.*?)</ETag>", re.S)


def lower_etags(body):
    """ETags are hexadecimal digests, so their case carries no meaning; the client sends the
    part ETags upper-cased while the engine compares them exactly."""
    return _ETAG.sub(lambda m: b"<ETag>" + m.group(1).lower() + b"</ETag>", body)


def delete_keys(body):
    """The keys of a Delete document; refuses malformed documents and more than 1,000 keys."""
    try:
        root = ET.fromstring(_NAMESPACE.sub(b"", body, count=1))
    except ET.ParseError:
        raise ServiceError("MalformedXML", "The XML you provided was not well-formed.") from None
    if root.tag != "Delete":
        raise ServiceError("MalformedXML", "The document's root must be Delete.")
    keys = [obj.findtext("Key") for obj in root.findall("Object")]
    if not keys or any(not k for k in keys):
        raise ServiceError("MalformedXML", "Every Object must name a Key.")
    if len(keys) > MAX_DELETE_KEYS:
        raise ServiceError("MalformedXML", "A Delete document may name at most 1000 objects.")
    return keys
