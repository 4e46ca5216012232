"""The S3 engine (moto), run in this process on a free loopback port, and requests to it."""

import contextlib
import http.client
import logging
import sys

ENGINE_TIMEOUT_SECONDS = 600

# The engine treats unsigned requests as anonymous and refuses reads of private objects; the
# front end has already checked the ZYM signature, so every request carries a placeholder
# engine authorization (the engine does not verify it).
ENGINE_AUTHORIZATION = (
    "AWS4-HMAC-SHA256 Credential=zymlocal/20260101/us-east-1/s3/aws4_request, "
    "SignedHeaders=host, Signature=0"
)


class EngineReply:
    """One engine reply; the body is read on demand so large objects stream through."""

    def __init__(self, connection, response):
        self._connection = connection
        self._response = response
        self.status = response.status
        self.headers = response.getheaders()

    def header(self, name):
        return self._response.getheader(name)

    def read(self, size=-1):
        return self._response.read(size) if size >= 0 else self._response.read()

    def close(self):
        self._response.close()
        self._connection.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Engine:
    def __init__(self):
        self._server = None
        self.address = None

    def start(self):
        # Imported here: loading moto is the slow part of start-up and is not needed for --help.
        from moto.server import ThreadedMotoServer

        logging.getLogger("werkzeug").setLevel(logging.ERROR)
        with contextlib.redirect_stdout(sys.stderr):
            self._server = ThreadedMotoServer(ip_address="127.0.0.1", port=0, verbose=False)
            self._server.start()
        self.address = self._server.get_host_and_port()

    def stop(self):
        if self._server is not None:
            self._server.stop()
            self._server = None

    def request(self, method, path, query="", headers=(), body=None):
        """Sends one path-style request; the caller closes the returned EngineReply."""
        connection = http.client.HTTPConnection(self.address[0], self.address[1], timeout=ENGINE_TIMEOUT_SECONDS)
        target = path + ("?" + query if query else "")
        try:
            connection.putrequest(method, target, skip_accept_encoding=True)
            connection.putheader("Authorization", ENGINE_AUTHORIZATION)
            for name, value in headers:
                connection.putheader(name, value)
            if body is not None or method in ("PUT", "POST"):
                connection.putheader("Content-Length", str(len(body or b"")))
            connection.endheaders(body or None)
            return EngineReply(connection, connection.getresponse())
        except BaseException:
            connection.close()
            raise

    def fetch(self, method, path, query="", headers=(), body=None):
        """A whole reply: (status, headers, body)."""
        with self.request(method, path, query, headers, body) as reply:
            return reply.status, reply.headers, reply.read()

    def put_many(self, bucket, keys, body):
        """Stores objects through the engine's own store in this process, as fast as it keeps
        them; for filling a bucket with a big folder in tests and benchmarks."""
        from .keyindex import backend_of

        backend = backend_of(bucket)
        if backend is None:
            return False
        for key in keys:
            backend.put_object(bucket, key, body, disable_notification=True)
        return True

    def reset(self):
        """Forgets every bucket and object."""
        status, _, _ = self.fetch("POST", "/moto-api/reset")
        return status == 200
