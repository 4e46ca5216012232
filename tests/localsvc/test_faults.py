"""Fault rules (reset, error status, short body, delay, throttle, counting) and the callback
recorder, seen from a client on loopback."""

import http.client
import time
import unittest

from zymtest import Client, FaultRuleTest, error_code

BODY = bytes(range(256)) * 64  # 16 KiB


class FaultTest(FaultRuleTest):
    BUCKET = "fault-bucket"
    BODY = BODY

    def test_bad_rules_are_refused(self):
        for rule in [{"method": "GET"}, {"reset": "yes"}, {"status": 99}, {"delay_ms": -1}, {"colour": 1, "reset": True}, [1]]:
            with self.subTest(rule=rule):
                status, answer = self.client.control("POST", "/_control/faults", rule)
                self.assertEqual(status, 400)
                self.assertIn("error", answer)

    def test_error_status_with_code_then_rule_used_up(self):
        self.add_rule({"bucket": "fault-bucket", "key": "data", "status": 503, "code": "SlowDown", "times": 1})
        reply = self.client.get("fault-bucket", "data.bin")
        self.assertEqual((reply.status, error_code(reply)), (503, "SlowDown"))
        reply = self.client.get("fault-bucket", "data.bin")
        self.assertEqual((reply.status, reply.body), (200, BODY))
        _, rules = self.client.control("GET", "/_control/faults")
        self.assertEqual((rules[0]["seen"], rules[0]["applied"]), (2, 1))

    def test_skip_lets_first_requests_through(self):
        self.add_rule({"method": "GET", "key": "data.bin", "skip": 2, "times": 1, "status": 500})
        statuses = [self.client.get("fault-bucket", "data.bin").status for _ in range(4)]
        self.assertEqual(statuses, [200, 200, 500, 200])

    def test_rule_matches_only_its_requests(self):
        self.add_rule({"method": "PUT", "query": "partNumber=", "status": 500})
        self.assertEqual(self.client.get("fault-bucket", "data.bin").status, 200)
        self.assertEqual(self.client.put("fault-bucket", "other.bin", b"x").status, 200)

    def test_reset_before_stores_nothing(self):
        self.add_rule({"method": "PUT", "key": "reset-me", "reset": True})
        with self.assertRaises((ConnectionError, http.client.RemoteDisconnected)):
            self.client.put("fault-bucket", "reset-me.txt", b"lost")
        self.client.control("DELETE", "/_control/faults")
        self.assertEqual(self.client.get("fault-bucket", "reset-me.txt").status, 404)

    def test_reset_after_stores_but_loses_the_reply(self):
        self.add_rule({"method": "PUT", "key": "kept", "reset": True, "when": "after"})
        with self.assertRaises((ConnectionError, http.client.RemoteDisconnected)):
            self.client.put("fault-bucket", "kept.txt", b"stored")
        self.client.control("DELETE", "/_control/faults")
        self.assertEqual(self.client.get("fault-bucket", "kept.txt").body, b"stored")

    def test_cut_body_short(self):
        self.add_rule({"key": "data.bin", "cut_after": 1000})
        with self.assertRaises(http.client.IncompleteRead) as caught:
            self.client.get("fault-bucket", "data.bin")
        self.assertEqual(caught.exception.partial, BODY[:1000])

    def test_flip_one_byte_keeps_the_length(self):
        # A ranged read too: the offset counts from the start of the reply body, not the object.
        self.add_rule({"key": "data.bin", "flip_at": 5, "times": 1})
        reply = self.client.get("fault-bucket", "data.bin", [("Range", "bytes=100-199")])
        self.assertEqual(reply.status, 206)
        expected = bytearray(BODY[100:200])
        expected[5] ^= 0xFF
        self.assertEqual(reply.body, bytes(expected))
        self.assertEqual(self.client.get("fault-bucket", "data.bin").body, BODY)

    def test_etag_replaced_but_request_carried_out(self):
        self.add_rule({"method": "PUT", "key": "etag-me", "etag": '"00112233445566778899aabbccddeeff"', "times": 1})
        reply = self.client.put("fault-bucket", "etag-me", b"payload")
        self.assertEqual(reply.status, 200)
        self.assertEqual(reply.header("ETag"), '"00112233445566778899aabbccddeeff"')
        stored = self.client.get("fault-bucket", "etag-me")
        self.assertEqual(stored.body, b"payload")
        self.assertNotEqual(stored.header("ETag"), '"00112233445566778899aabbccddeeff"')
        # Used up: the next reply carries the real checksum.
        self.assertNotEqual(self.client.put("fault-bucket", "etag-me", b"payload").header("ETag"),
                            '"00112233445566778899aabbccddeeff"')

    def test_delay_and_throttle_still_deliver_everything(self):
        self.add_rule({"key": "data.bin", "delay_ms": 200, "throttle_bps": 64 * 1024, "times": 1})
        reply = self.client.get("fault-bucket", "data.bin")
        self.assertEqual((reply.status, reply.body), (200, BODY))
        _, rules = self.client.control("GET", "/_control/faults")
        self.assertEqual(rules[0]["applied"], 1)

    def test_delay_delays_the_reply(self):
        # A lower bound only: a slow machine can add time, never take the delay away.
        self.add_rule({"key": "data.bin", "delay_ms": 600, "times": 1})
        start = time.monotonic()
        reply = self.client.get("fault-bucket", "data.bin")
        delayed = time.monotonic() - start
        self.assertEqual((reply.status, reply.body), (200, BODY))
        self.assertGreaterEqual(delayed, 0.6)

    def test_remove_one_rule(self):
        rule_id = self.add_rule({"key": "data.bin", "status": 500})
        self.assertEqual(self.client.get("fault-bucket", "data.bin").status, 500)
        status, _ = self.client.control("DELETE", "/_control/faults/%d" % rule_id)
        self.assertEqual(status, 200)
        self.assertEqual(self.client.get("fault-bucket", "data.bin").status, 200)
        status, _ = self.client.control("DELETE", "/_control/faults/%d" % rule_id)
        self.assertEqual(status, 404)

    def test_callback_recorder(self):
        self.client.control("DELETE", "/_control/callbacks")
        host = "zym.localhost:%d" % self.service.port
        body = "bucket=my+bucket&object=a+b%2Fc".encode()
        reply = self.client.raw("PUT", host, "/_callback/upload", [("X-Test", "1")], body)
        self.assertEqual(reply.status, 200)
        self.client.raw("POST", host, "/_callback/other?x=1", [], b"second")
        status, records = self.client.control("GET", "/_control/callbacks?name=upload")
        self.assertEqual(status, 200)
        self.assertEqual(len(records), 1)
        self.assertEqual(records[0]["method"], "PUT")
        self.assertEqual(records[0]["body"], body.decode())
        self.assertEqual(records[0]["headers"]["x-test"], "1")
        _, everything = self.client.control("GET", "/_control/callbacks")
        self.assertEqual([r["name"] for r in everything], ["upload", "other"])
        self.assertEqual(everything[1]["query"], "x=1")

        self.add_rule({"path": "/_callback/failing", "status": 500, "times": 1})
        self.assertEqual(self.client.raw("PUT", host, "/_callback/failing", [], b"a").status, 500)
        self.assertEqual(self.client.raw("PUT", host, "/_callback/failing", [], b"b").status, 200)
        self.client.control("DELETE", "/_control/callbacks")
        _, records = self.client.control("GET", "/_control/callbacks")
        self.assertEqual(records, [])

    def test_accounts_can_be_added(self):
        self.assertEqual(Client(self.service.port, ("late-id", "late-secret")).get("fault-bucket", "data.bin").status, 403)
        status, _ = self.client.control("POST", "/_control/accounts", {"id": "late-id", "secret": "late-secret"})
        self.assertEqual(status, 200)
        self.assertEqual(Client(self.service.port, ("late-id", "late-secret")).get("fault-bucket", "data.bin").status, 200)

    def test_unknown_host_is_refused(self):
        reply = self.client.raw("GET", "example.com:%d" % self.service.port, "/")
        self.assertEqual(reply.status, 400)
        # The port must match too: the service never answers for another address.
        reply = self.client.raw("GET", "b.l.zym.localhost:1", "/")
        self.assertEqual(reply.status, 400)


if __name__ == "__main__":
    unittest.main()
