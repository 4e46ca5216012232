"""Test helpers: start the local service, and a small signing client that talks to it over
127.0.0.1 with the virtual-host names in the Host header (Python does not resolve *.localhost).

The signer here follows the client's signing rules on its own, so that the service's check is
tested against a second implementation rather than against itself."""

import base64
import hashlib
import hmac
import http.client
import json
import os
import selectors
import subprocess
import time
import unittest
import email.utils
from urllib.parse import quote

SOURCE_DIR = os.environ.get("ZYM_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(SOURCE_DIR, "tools", "zym-local-service", "zym-local-service")
DEMO = ("demo-key-id", "demo-key-secret")
TEST = ("test-key-id", "test-key-secret")


class ServiceProcess:
    """One running service; stop() sends SIGTERM and waits for the process to end."""

    def __init__(self, accounts=(DEMO, TEST), data=None, extra=()):
        args = [TOOL, "--port", "0"]
        for key_id, secret in accounts:
            args += ["--account", "%s:%s" % (key_id, secret)]
        if data:
            args += ["--data", data]
        args += list(extra)
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
        self.ready_line = self._read_ready_line(30)
        if not self.ready_line.startswith("ready http://zym.localhost:"):
            self.proc.kill()
            raise RuntimeError("service did not start: %r %r" % (self.ready_line, self.proc.stderr.read()))
        self.port = int(self.ready_line.rsplit(":", 1)[1])

    def _read_ready_line(self, timeout):
        with selectors.DefaultSelector() as sel:
            sel.register(self.proc.stdout, selectors.EVENT_READ)
            if not sel.select(timeout):
                return ""
        return self.proc.stdout.readline().decode("utf-8").strip()

    def stop(self, timeout=30):
        if self.proc.poll() is None:
            self.proc.terminate()
        rc = self.proc.wait(timeout)
        self.proc.stdout.close()
        self.proc.stderr.close()
        return rc


def gmt_date(offset_seconds=0):
    return email.utils.formatdate(time.time() + offset_seconds, usegmt=True)


def form_encode(text):
    """Keys in request URLs: unreserved bytes kept, a space as "+", every other byte %XX."""
    out = []
    for byte in text.encode("utf-8"):
        ch = chr(byte)
        if ch.isascii() and (ch.isalnum() or ch in "-._~"):
            out.append(ch)
        elif ch == " ":
            out.append("+")
        else:
            out.append("%%%02X" % byte)
    return "".join(out)


def sign(secret, verb, md5, ctype, date, zym_headers, resource):
    """Base64 HMAC-SHA1 of the string to sign; zym_headers is a dict name -> value."""
    text = "%s\n%s\n%s\n%s\n" % (verb, md5, ctype, date)
    for name in sorted(n.lower() for n in zym_headers):
        value = next(v for n, v in zym_headers.items() if n.lower() == name)
        text += "%s:%s\n" % (name, value)
    text += resource
    digest = hmac.new(secret.encode("utf-8"), text.encode("utf-8"), hashlib.sha1).digest()
    return base64.b64encode(digest).decode("ascii")


def content_md5(body):
    return base64.b64encode(hashlib.md5(body).digest()).decode("ascii")


class Reply:
    def __init__(self, status, headers, body):
        self.status = status
        self.headers = headers
        self.body = body

    def header(self, name):
        for n, v in self.headers:
            if n.lower() == name.lower():
                return v
        return None

    def text(self):
        return self.body.decode("utf-8", "replace")


class Client:
    def __init__(self, port, account=DEMO, location="loc1"):
        self.port = port
        self.key_id, self.secret = account
        self.location = location

    def host(self, bucket=None, location=None):
        location = location or self.location
        base = "zym.localhost:%d" % self.port
        if bucket is None:
            return "%s.%s" % (location, base)
        return "%s.%s.%s" % (bucket, location, base)

    def raw(self, method, host, target, headers=(), body=None):
        """Sends a request to 127.0.0.1 with the given Host; header values may be bytes."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        try:
            conn.putrequest(method, target, skip_host=True, skip_accept_encoding=True)
            conn.putheader("Host", host)
            for name, value in headers:
                conn.putheader(name, value.encode("utf-8") if isinstance(value, str) else value)
            if body is not None or method in ("PUT", "POST"):
                conn.putheader("Content-Length", str(len(body or b"")))
            conn.endheaders(body)
            resp = conn.getresponse()
            return Reply(resp.status, resp.getheaders(), resp.read())
        finally:
            conn.close()

    def request(self, method, bucket, key="", sub="", query="", headers=None, body=None, ctype="", md5="",
                date=None, resource=None, location=None, signed_zym=None):
        """A signed request: sub is the sub-resource ("?uploads"), query other parameters."""
        headers = dict(headers or {})
        date = gmt_date() if date is None else date
        zym = {n: v for n, v in headers.items() if n.lower().startswith("x-zym-")} if signed_zym is None else signed_zym
        if resource is None:
            resource = "/" if bucket is None else "/%s/%s%s" % (bucket, key, sub)
        auth = "ZYM %s:%s" % (self.key_id, sign(self.secret, method, md5, ctype, date, zym, resource))
        send = [("Date", date), ("Authorization", auth)]
        if ctype:
            send.append(("Content-Type", ctype))
        if md5:
            send.append(("Content-MD5", md5))
        send += list(headers.items())
        target = "/" + (form_encode(key) if key else "") + sub
        if query:
            target += ("&" if "?" in target else "?") + query
        return self.raw(method, self.host(bucket, location), target, send, body)

    def create_bucket(self, bucket, location=None):
        return self.request("PUT", bucket, location=location)

    def put(self, bucket, key, body, headers=None, ctype=""):
        return self.request("PUT", bucket, key, headers=headers, body=body, ctype=ctype)

    def get(self, bucket, key, headers=None):
        return self.request("GET", bucket, key, headers=headers)

    def control(self, method, path, value=None):
        body = json.dumps(value).encode("utf-8") if value is not None else None
        reply = self.raw(method, "zym.localhost:%d" % self.port, path, [("Content-Type", "application/json")], body)
        return reply.status, json.loads(reply.body.decode("utf-8")) if reply.body else None


def error_code(reply):
    import xml.etree.ElementTree as ET

    try:
        return ET.fromstring(reply.body).findtext("Code")
    except ET.ParseError:
        return None


def key_path(key):
    return quote(key, safe="")


class FaultRuleTest(unittest.TestCase):
    """A service of its own with BUCKET holding BODY as "data.bin" (both set by the subclass);
    every test starts without fault rules."""

    BUCKET = ""
    BODY = b""

    @classmethod
    def setUpClass(cls):
        cls.service = ServiceProcess()
        cls.client = Client(cls.service.port)
        assert cls.client.create_bucket(cls.BUCKET).status == 200
        assert cls.client.put(cls.BUCKET, "data.bin", cls.BODY).status == 200

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def setUp(self):
        self.client.control("DELETE", "/_control/faults")

    def add_rule(self, rule):
        status, answer = self.client.control("POST", "/_control/faults", rule)
        self.assertEqual(status, 200, answer)
        return answer["id"]

    def applied(self):
        _, rules = self.client.control("GET", "/_control/faults")
        return [r["applied"] for r in rules]
