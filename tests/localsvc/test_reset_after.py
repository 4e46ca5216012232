"""A connection reset part-way through a body: through a reply's body (a download loses its
connection mid-way) and through a request's body (an upload does), as opposed to a reset before
or after the whole exchange and to a short reply closed gracefully."""

import http.client
import unittest

from zymtest import FaultRuleTest, gmt_date, sign

BODY = bytes(range(256)) * 4096  # 1 MiB


class ResetAfterTest(FaultRuleTest):
    BUCKET = "reset-bucket"
    BODY = BODY

    def read_until_reset(self, key):
        """Reads the reply body piece by piece; returns (status, bytes read, how it ended)."""
        date = gmt_date()
        auth = "ZYM %s:%s" % (self.client.key_id, sign(self.client.secret, "GET", "", "", date, {}, "/reset-bucket/" + key))
        conn = http.client.HTTPConnection("127.0.0.1", self.service.port, timeout=30)
        got = b""
        try:
            conn.putrequest("GET", "/" + key, skip_host=True, skip_accept_encoding=True)
            conn.putheader("Host", self.client.host("reset-bucket"))
            conn.putheader("Date", date)
            conn.putheader("Authorization", auth)
            conn.endheaders()
            resp = conn.getresponse()
            try:
                while True:
                    piece = resp.read(4096)
                    if not piece:
                        return resp.status, got, "end"
                    got += piece
            except ConnectionResetError:
                return resp.status, got, "reset"
            except http.client.IncompleteRead as e:
                return resp.status, got + e.partial, "short"
        finally:
            conn.close()

    def test_reply_body_reset_part_way(self):
        self.add_rule({"bucket": "reset-bucket", "method": "GET", "reset_after": 300000, "times": 1})
        status, got, ended = self.read_until_reset("data.bin")
        # The headers announced the whole body; the connection then ended with a reset, never
        # with a clean close, and what arrived is a true prefix of at most the given length.
        self.assertEqual((status, ended), (200, "reset"))
        self.assertLessEqual(len(got), 300000)
        self.assertEqual(got, BODY[: len(got)])
        self.assertEqual(self.applied(), [1])
        # Used up: the next read is whole.
        self.assertEqual(self.read_until_reset("data.bin"), (200, BODY, "end"))

    def test_request_body_reset_part_way_stores_nothing(self):
        self.add_rule({"bucket": "reset-bucket", "method": "PUT", "reset_after": 100000, "times": 1})
        with self.assertRaises(ConnectionError):
            self.client.put("reset-bucket", "upload.bin", BODY)
        self.assertEqual(self.client.get("reset-bucket", "upload.bin").status, 404)
        self.assertEqual(self.applied(), [1])
        self.assertEqual(self.client.put("reset-bucket", "upload.bin", BODY).status, 200)
        self.assertEqual(self.client.get("reset-bucket", "upload.bin").body, BODY)

    def test_bodies_shorter_than_the_point_pass_whole(self):
        # A small upload is stored and its reply (no body) arrives; a small read arrives whole.
        self.add_rule({"bucket": "reset-bucket", "reset_after": 5000})
        self.assertEqual(self.client.put("reset-bucket", "small.bin", b"s" * 4000).status, 200)
        self.assertEqual(self.read_until_reset("small.bin"), (200, b"s" * 4000, "end"))

    def test_bad_values_are_refused(self):
        for value in (-1, "10", True):
            with self.subTest(value=value):
                status, answer = self.client.control("POST", "/_control/faults", {"reset_after": value})
                self.assertEqual(status, 400)
                self.assertIn("reset_after", answer["error"])


if __name__ == "__main__":
    unittest.main()
