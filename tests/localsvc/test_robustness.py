"""Malformed requests get an error reply (or a closed connection) and the service keeps
serving."""

import socket
import unittest

from zymtest import Client, ServiceProcess, error_code, gmt_date


class RobustnessTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = ServiceProcess()
        cls.client = Client(cls.service.port)
        assert cls.client.create_bucket("robust-bucket").status == 200

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def send_raw(self, data):
        with socket.create_connection(("127.0.0.1", self.service.port), timeout=30) as s:
            s.sendall(data)
            s.shutdown(socket.SHUT_WR)
            chunks = []
            while True:
                piece = s.recv(65536)
                if not piece:
                    return b"".join(chunks)
                chunks.append(piece)

    def test_malformed_requests_do_not_stop_the_service(self):
        host = ("robust-bucket.loc1.zym.localhost:%d" % self.service.port).encode()
        cases = [
            b"garbage\r\n\r\n",
            b"GET / HTTP/1.1\r\nHost: " + host + b"\r\nContent-Length: abc\r\n\r\n",
            b"PUT /k HTTP/1.1\r\nHost: " + host + b"\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
            b"PUT /k HTTP/1.1\r\nHost: " + host + b"\r\nContent-Length: 100\r\n\r\nshort",
            b"GET /" + b"a" * 70000 + b" HTTP/1.1\r\nHost: " + host + b"\r\n\r\n",
            b"GET / HTTP/1.1\r\n" + b"X-Long: " + b"b" * 70000 + b"\r\n\r\n",
            b"GET / HTTP/1.1\r\nHost: \xff\xfe\r\n\r\n",
            b"\x00\x01\x02\x03" * 100,
        ]
        for data in cases:
            with self.subTest(data=data[:60]):
                answer = self.send_raw(data)
                if answer.startswith(b"HTTP/1."):
                    self.assertNotIn(b" 200 ", answer.split(b"\r\n")[0])
                elif answer:
                    # A request line without a version is answered the old way: no status line.
                    self.assertIn(b"Error", answer)
                reply = self.client.request("GET", "robust-bucket")
                self.assertEqual(reply.status, 200)

    def test_key_that_is_not_utf8_is_refused(self):
        date = gmt_date()
        reply = self.client.raw("GET", self.client.host("robust-bucket"), "/%FF%FE",
                                [("Date", date), ("Authorization", "ZYM demo-key-id:x")])
        self.assertEqual((reply.status, error_code(reply)), (400, "InvalidObjectName"))

    def test_over_long_key_is_refused(self):
        reply = self.client.put("robust-bucket", "k" * 1025, b"x")
        self.assertEqual((reply.status, error_code(reply)), (400, "InvalidObjectName"))
        self.assertEqual(self.client.put("robust-bucket", "k" * 1024, b"x").status, 200)

    def test_bad_max_keys_is_refused(self):
        for value in ("abc", "-1"):
            with self.subTest(value=value):
                reply = self.client.request("GET", "robust-bucket", query="max-keys=" + value)
                self.assertEqual((reply.status, error_code(reply)), (400, "InvalidArgument"))


if __name__ == "__main__":
    unittest.main()
