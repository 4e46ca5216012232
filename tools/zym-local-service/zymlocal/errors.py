"""The service's XML error documents."""

import uuid
from xml.sax.saxutils import escape

# Status of each error code the front end produces itself; codes coming back from the
# engine keep the engine's status.
STATUS = {
    "AccessDenied": 403,
    "BucketAlreadyExists": 409,
    "BucketNotEmpty": 409,
    "EntityTooSmall": 400,
    "InternalError": 500,
    "InvalidAccessKeyId": 403,
    "InvalidArgument": 400,
    "InvalidBucketName": 400,
    "InvalidDigest": 400,
    "InvalidObjectName": 400,
    "InvalidPart": 400,
    "InvalidPartOrder": 400,
    "MalformedXML": 400,
    "MethodNotAllowed": 405,
    "MissingContentLength": 411,
    "NoSuchBucket": 404,
    "NoSuchKey": 404,
    "NoSuchUpload": 404,
    "NotImplemented": 501,
    "RequestTimeTooSkewed": 403,
    "RequestTimeout": 400,
    "ServiceUnavailable": 503,
    "SignatureDoesNotMatch": 403,
    "SlowDown": 503,
}

HOST_ID = "zym.localhost"


def new_request_id():
    return uuid.uuid4().hex.upper()[:16]


def status_of(code, default=400):
    return STATUS.get(code, default)


def error_document(code, message, extra=None, request_id=None):
    """Renders <Error> with Code, Message, the extra fields (in order), RequestId and HostId."""
    parts = ['<?xml version="1.0" encoding="UTF-8"?>\n<Error>']
    parts.append("<Code>%s</Code>" % escape(code))
    parts.append("<Message>%s</Message>" % escape(message))
    for name, value in (extra or []):
        parts.append("<%s>%s</%s>" % (name, escape(str(value)), name))
    parts.append("<RequestId>%s</RequestId>" % escape(request_id or new_request_id()))
    parts.append("<HostId>%s</HostId>" % HOST_ID)
    parts.append("</Error>")
    return "".join(parts).encode("utf-8")


class ServiceError(Exception):
    """Raised inside request handling; the front end turns it into an error document reply.

    Used only for control flow inside one request (never crosses the tool's boundary)."""

    def __init__(self, code, message, extra=None, status=None):
        super().__init__(code)
        self.code = code
        self.message = message
        self.extra = list(extra or [])
        self.status = status or status_of(code)
