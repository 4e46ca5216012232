"""The HTTP front end: dispatches by Host, applies fault rules, checks signatures and forwards
bucket and object requests to the engine in its own dialect."""

import hashlib
import base64
import binascii
import http.server
import logging
import socket
import struct

from . import auth, control, dialect, documents, listing
from .errors import ServiceError, error_document, new_request_id

log = logging.getLogger("zym-local-service")

CHUNK = 1024 * 1024


def _piece_size(throttle_bps):
    """Pieces of about a tenth of a second when throttled, so the rate stays smooth."""
    return min(CHUNK, max(1024, throttle_bps // 10)) if throttle_bps else CHUNK

# Requests whose successful reply is a service document (rewritten); other replies, object
# bodies above all, pass through untouched.
DOCUMENT_QUERIES = frozenset([b"uploads", b"uploadId", b"partNumber", b"delete", b"acl", b"location"])


class ConnectionReset(Exception):
    """The connection was reset on purpose by a fault rule."""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZYMLocal/1.0"
    sys_version = ""

    @property
    def svc(self):
        return self.server.service

    def log_message(self, fmt, *args):
        if self.svc.verbose:
            log.info("%s %s", self.address_string(), fmt % args)

    def handle_one_request(self):
        try:
            super().handle_one_request()
        except ConnectionReset:
            self.close_connection = True
        except (ConnectionError, TimeoutError):
            self.close_connection = True

    def do_GET(self):
        self._replied = False
        try:
            self.dispatch()
        except (ConnectionReset, ConnectionError, TimeoutError):
            raise
        except Exception:
            # A fault of the tool or the engine must still give the client a service reply.
            log.exception("request %s %s failed", self.command, self.path)
            self.close_connection = True
            if not self._replied:
                self.reply_error(ServiceError("InternalError", "The local service failed on this request."))

    def send_response(self, code, message=None):
        self._replied = True
        super().send_response(code, message)
        # Pages shown from local files call the service from another origin.
        self.send_header("Access-Control-Allow-Origin", "*")
        self.send_header("Access-Control-Expose-Headers", "*")

    def do_OPTIONS(self):
        """CORS preflight: answered without a signature (browsers send none), for any host of
        the service."""
        self._replied = False
        self.read_body()
        if dialect.parse_host(self.headers.get("Host") or "", self.svc.domain) is None:
            return self.reply_error(ServiceError("InvalidArgument", "Unknown host."))
        headers = [
            ("Access-Control-Allow-Methods", "GET, PUT, POST, DELETE, HEAD"),
            ("Access-Control-Allow-Headers", self.headers.get("Access-Control-Request-Headers") or "*"),
            ("Access-Control-Max-Age", "600"),
        ]
        self.reply(200, headers)

    do_PUT = do_POST = do_DELETE = do_HEAD = do_GET

    # -- request reading -------------------------------------------------------------------------

    def read_body(self, throttle_bps=0, reset_after=None):
        """The request body; with reset_after, a body longer than that is read only that far and
        the connection is then reset (the request is lost part-way through its upload)."""
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            return self._read_chunked(throttle_bps)
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        try:
            remaining = int(length)
        except ValueError:
            raise ServiceError("InvalidArgument", "Content-Length is not a number.") from None
        if reset_after is not None and remaining > reset_after:
            remaining = reset_after
            self._read_exactly(remaining, throttle_bps)
            self.reset_connection()
        parts = []
        while remaining > 0:
            piece = self.rfile.read(min(_piece_size(throttle_bps), remaining))
            if not piece:
                raise ConnectionError("request body ended early")
            parts.append(piece)
            remaining -= len(piece)
            self._throttle(len(piece), throttle_bps)
        return b"".join(parts)

    def _read_exactly(self, remaining, throttle_bps):
        while remaining > 0:
            piece = self.rfile.read(min(_piece_size(throttle_bps), remaining))
            if not piece:
                raise ConnectionError("request body ended early")
            remaining -= len(piece)
            self._throttle(len(piece), throttle_bps)

    def _read_chunked(self, throttle_bps):
        parts = []
        while True:
            line = self.rfile.readline(1024)
            if not line:
                raise ConnectionError("chunked body ended early")
            size = int(line.split(b";")[0].strip() or b"0", 16)
            if size == 0:
                while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                    pass
                return b"".join(parts)
            parts.append(self.rfile.read(size))
            self.rfile.readline(1024)
            self._throttle(size, throttle_bps)

    def _throttle(self, count, throttle_bps):
        if throttle_bps:
            self.svc.stopping.wait(count / throttle_bps)

    # -- reply writing ---------------------------------------------------------------------------

    def reply(self, status, headers, body=b"", rule=None, length=None, stream=None):
        """Sends a reply; body is bytes, or stream is a reader of length bytes."""
        if length is None:
            length = len(body)
        if rule is not None and rule.get("etag") is not None:
            # A wrong (or differently written) checksum on an otherwise correct reply.
            headers = [(n, v) for n, v in headers if n.lower() != "etag"] + [("ETag", rule.get("etag"))]
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(length))
        self.end_headers()
        if self.command == "HEAD":
            return
        cut = rule.get("cut_after") if rule is not None else None
        # A reset part-way through the reply body: the reply stops there with a TCP reset.
        reset_at = rule.get("reset_after") if rule is not None else None
        if reset_at is not None and reset_at >= length:
            reset_at = None
        # A corrupted byte: the reply keeps its length and headers but one body byte is inverted.
        flip = rule.get("flip_at") if rule is not None else None
        throttle = rule.get("throttle_bps") if rule is not None else 0
        sent = 0
        source = stream if stream is not None else _BytesReader(body)
        while sent < length:
            piece = source.read(min(_piece_size(throttle), length - sent))
            if not piece:
                break
            if flip is not None and sent <= flip < sent + len(piece):
                at = flip - sent
                piece = piece[:at] + bytes([piece[at] ^ 0xFF]) + piece[at + 1:]
            if cut is not None and sent + len(piece) > cut:
                self.wfile.write(piece[: cut - sent])
                self.reset_connection(graceful=True)
            if reset_at is not None and sent + len(piece) > reset_at:
                self.wfile.write(piece[: reset_at - sent])
                self.reset_connection()
            self.wfile.write(piece)
            sent += len(piece)
            self._throttle(len(piece), throttle)

    def reply_error(self, error, request_id=None, rule=None):
        request_id = request_id or new_request_id()
        body = error_document(error.code, error.message, error.extra, request_id)
        headers = [("Content-Type", "application/xml"), ("x-zym-request-id", request_id)]
        self.reply(error.status, headers, body, rule=rule)

    def reset_connection(self, graceful=False):
        """Ends the connection at once: an RST (or a plain close after a short body)."""
        try:
            if not graceful:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.wfile.flush()
            self.rfile.close()
            self.connection.close()
        except OSError:
            pass
        raise ConnectionReset()

    # -- dispatch --------------------------------------------------------------------------------

    def dispatch(self):
        svc = self.svc
        host = self.headers.get("Host") or ""
        place = dialect.parse_host(host, svc.domain)
        raw_path, raw_query = dialect.split_target(self.path)
        request_id = new_request_id()
        if place is None:
            self.read_body()
            return self.reply_error(ServiceError("InvalidArgument", "Unknown host %s; use %s." % (host, svc.domain)), request_id)
        kind, location, bucket = place
        if kind == "control" and raw_path.startswith(b"/_control/"):
            return control.handle(self, raw_path, raw_query)
        try:
            key = dialect.object_key(raw_path) if kind == "bucket" else b""
        except ServiceError as e:
            self.read_body()
            return self.reply_error(e, request_id)
        facts = {
            "method": self.command,
            "host": host,
            "bucket": bucket or "",
            "path": raw_path.decode("latin-1"),
            "key": key.decode("utf-8"),
            "query": raw_query.decode("latin-1"),
        }
        rule = svc.faults.take(facts)
        body = self.read_body(rule.get("throttle_bps") if rule else 0, rule.get("reset_after") if rule else None)
        if rule is not None and rule.get("when") == "before":
            if self.apply_actions(rule, request_id):
                return
        if kind == "control":
            return control.callback(self, raw_path, raw_query, body, rule)
        try:
            query = dialect.parse_query(raw_query)
            request = auth.Request(
                self.command.encode("ascii"),
                [(n.encode("latin-1"), v.encode("latin-1")) for n, v in self.headers.items()],
                query,
                bucket.encode("utf-8") if bucket is not None else None,
                key,
            )
            auth.check(request, svc.accounts)
            if kind == "location":
                return self.location_request(location, query, request_id, rule)
            return self.bucket_request(location, bucket, key.decode("utf-8"), query, body, request_id, rule)
        except ServiceError as e:
            return self.reply_error(e, request_id, rule)

    def apply_actions(self, rule, request_id):
        """Delays, resets or answers with the rule's error; True when the request is answered."""
        if rule.get("delay_ms"):
            self.svc.stopping.wait(rule.get("delay_ms") / 1000.0)
        if rule.get("reset"):
            self.reset_connection()
        if rule.get("status"):
            code = rule.get("code") or "InternalError"
            error = ServiceError(code, rule.get("message") or "Injected fault.", status=rule.get("status"))
            self.reply_error(error, request_id, rule)
            return True
        return False

    # -- location host ---------------------------------------------------------------------------

    def location_request(self, location, query, request_id, rule):
        if self.command not in ("GET", "HEAD") or self.path.split("?")[0] != "/":
            raise ServiceError("MethodNotAllowed", "A location address only lists buckets (GET /).")
        status, headers, body = self.svc.engine.fetch("GET", "/")
        if status != 200:
            return self.forward_reply(status, headers, documents.rewrite_error(body, status, request_id), request_id, rule)
        body = documents.rewrite_bucket_list(body, self.svc.locations_copy())
        self.finish_reply(200, [("Content-Type", "application/xml")], body, request_id, rule)

    # -- bucket and object requests --------------------------------------------------------------

    def bucket_request(self, location, bucket, key, query, body, request_id, rule):
        svc = self.svc
        # A query signature's own parameters say nothing about what the request does.
        names = {n for n, _ in query if n not in dialect.DROPPED_QUERY}
        known_location = svc.location_of(bucket)
        if known_location is not None and not _same_location(location, known_location):
            raise ServiceError(
                "AccessDenied",
                "The bucket must be addressed through its location %s." % known_location,
                [("BucketName", bucket), ("Endpoint", "%s.%s" % (known_location, svc.domain))],
            )
        creating = not key and self.command == "PUT" and not names
        if creating and not dialect.valid_bucket_name(bucket):
            raise ServiceError("InvalidBucketName", "The specified bucket is not valid.", [("BucketName", bucket)])
        if creating and known_location is not None:
            raise ServiceError("BucketAlreadyExists", "The requested bucket name is not available.", [("BucketName", bucket)])
        if b"delete" in names and self.command == "POST" and not key:
            self.check_md5(body, required=True)
            deleted_keys = documents.delete_keys(body)
        else:
            deleted_keys = None
            if self.headers.get("Content-MD5") is not None:
                self.check_md5(body, required=True)
        if not key and self.command == "GET" and b"uploads" in names:
            status, data = listing.list_uploads(svc.engine, bucket, dialect.engine_path(bucket, ""), query)
            return self.finish_reply(status, [("Content-Type", "application/xml")], data, request_id, rule)
        if not key and self.command in ("GET", "HEAD") and not names & DOCUMENT_QUERIES:
            status, data = listing.list_bucket(svc.engine, bucket, dialect.engine_path(bucket, ""), query, svc.keys)
            headers = [("Content-Type", "application/xml")]
            return self.finish_reply(status, headers, data, request_id, rule)
        if self.command == "POST" and key and b"uploadId" in names:
            body = documents.lower_etags(body)
        source = dialect.copy_source(self.headers.items())
        part_copy = b"partNumber" in names
        self_copy = source is not None and source == (bucket.encode("utf-8"), key.encode("utf-8"))
        headers = dialect.engine_headers(self.headers.items(), part_copy, self_copy)
        path = dialect.engine_path(bucket, key)
        engine_query = dialect.engine_query(query)
        # A creation body names a location constraint in the engine's terms; the location here
        # comes from the host, so the body is not passed on.
        send_body = None if creating else body if (body or self.command in ("PUT", "POST")) else None
        reply = svc.engine.request(self.command, path, engine_query, headers, send_body)
        with reply:
            status = reply.status
            out_headers = dialect.client_headers(reply.headers)
            out_headers.append(("x-zym-request-id", request_id))
            if status < 300:
                self.note_change(bucket, key, location, creating, deleted_keys, names)
            document = names & DOCUMENT_QUERIES or source is not None
            if status < 400 and not document:
                length = int(reply.header("Content-Length") or 0)
                if rule is not None and rule.get("when") == "after":
                    self.apply_after(rule, request_id)
                return self.reply(status, out_headers, rule=rule, length=length, stream=reply)
            data = reply.read()
        if status >= 500 and b"uploadId" in names and self.no_such_upload(path, query):
            status, data = 404, error_document("NoSuchUpload", "The specified upload does not exist.", request_id=request_id)
        elif status >= 400:
            data = documents.rewrite_error(data, status, request_id)
            out_headers = [(n, v) for n, v in out_headers if n.lower() != "content-type"]
            out_headers.append(("Content-Type", "application/xml"))
        else:
            data = documents.plain(data)
        self.finish_reply(status, out_headers, data, request_id, rule)

    def no_such_upload(self, path, query):
        """The engine fails part uploads to an unknown upload id with a crash (500); asking it
        for the upload's parts tells whether the id is the cause."""
        upload_id = next((v for n, v in query if n == b"uploadId"), None) or b""
        status, _, _ = self.svc.engine.fetch("GET", path, "uploadId=" + dialect.quote(upload_id, safe=""))
        return status == 404

    def finish_reply(self, status, headers, body, request_id, rule):
        if rule is not None and rule.get("when") == "after":
            self.apply_after(rule, request_id)
        if not any(n.lower() == "x-zym-request-id" for n, _ in headers):
            headers = headers + [("x-zym-request-id", request_id)]
        self.reply(status, headers, body, rule=rule)

    forward_reply = finish_reply

    def apply_after(self, rule, request_id):
        """After the engine has done the request: delay, reset or replace the reply."""
        if self.apply_actions(rule, request_id):
            raise ConnectionReset()

    def check_md5(self, body, required):
        given = self.headers.get("Content-MD5")
        if given is None:
            if required:
                raise ServiceError("InvalidDigest", "This request needs a Content-MD5 header.")
            return
        try:
            digest = base64.b64decode(given.strip(), validate=True)
        except (binascii.Error, ValueError):
            digest = b""
        if len(digest) != 16:
            raise ServiceError("InvalidDigest", "The Content-MD5 you specified is not valid.", [("ContentMD5", given)])
        if digest != hashlib.md5(body).digest():
            raise ServiceError(
                "InvalidDigest",
                "The Content-MD5 you specified did not match what we received.",
                [("ContentMD5", given), ("CalculatedMD5", base64.b64encode(hashlib.md5(body).digest()).decode())],
            )

    def note_change(self, bucket, key, location, creating, deleted_keys, names):
        svc = self.svc
        if creating:
            svc.bucket_created(bucket, location)
        elif not key and self.command == "DELETE" and not names:
            svc.bucket_deleted(bucket)
        elif deleted_keys is not None:
            for k in deleted_keys:
                svc.object_changed(bucket, k)
        elif key and self.command in ("PUT", "DELETE", "POST") and not (names & {b"partNumber", b"uploads"}):
            if not (self.command == "DELETE" and b"uploadId" in names):
                svc.object_changed(bucket, key)


def _same_location(addressed, created):
    """A location word that contains the bucket's own (an internal-network name of the same
    region, say) reaches the bucket too."""
    return created.lower() in addressed.lower()


class _BytesReader:
    def __init__(self, data):
        self._data = data
        self._pos = 0

    def read(self, size):
        piece = self._data[self._pos : self._pos + size]
        self._pos += len(piece)
        return piece
