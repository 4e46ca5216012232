"""Signature checks: header signatures with a Date, query-string signatures with an expiry."""

import time
import unittest
from urllib.parse import quote

from zymtest import DEMO, TEST, Client, ServiceProcess, error_code, form_encode, gmt_date, sign


class AuthTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = ServiceProcess()
        cls.client = Client(cls.service.port)
        assert cls.client.create_bucket("auth-bucket").status == 200
        assert cls.client.put("auth-bucket", "doc.txt", b"secret text").status == 200

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def test_both_configured_accounts_are_accepted(self):
        for account in (DEMO, TEST):
            reply = Client(self.service.port, account).get("auth-bucket", "doc.txt")
            self.assertEqual(reply.status, 200, reply.text())
            self.assertEqual(reply.body, b"secret text")

    def test_refusals_carry_the_service_codes(self):
        port = self.service.port
        cases = [
            ("wrong secret", Client(port, ("demo-key-id", "not-the-secret")), {}, 403, "SignatureDoesNotMatch"),
            ("unknown id", Client(port, ("nobody", "demo-key-secret")), {}, 403, "InvalidAccessKeyId"),
            ("date 16 minutes early", self.client, {"date": gmt_date(-16 * 60)}, 403, "RequestTimeTooSkewed"),
            ("date 16 minutes late", self.client, {"date": gmt_date(16 * 60)}, 403, "RequestTimeTooSkewed"),
            ("unreadable date", self.client, {"date": "yesterday"}, 403, "AccessDenied"),
            ("resource of another key", self.client, {"resource": "/auth-bucket/other.txt"}, 403, "SignatureDoesNotMatch"),
        ]
        for name, client, extra, status, code in cases:
            with self.subTest(name):
                reply = client.request("GET", "auth-bucket", "doc.txt", **extra)
                self.assertEqual(reply.status, status, reply.text())
                self.assertEqual(error_code(reply), code)
                self.assertNotIn(b"secret text", reply.body)

    def test_date_within_fifteen_minutes_is_accepted(self):
        reply = self.client.request("GET", "auth-bucket", "doc.txt", date=gmt_date(-14 * 60))
        self.assertEqual(reply.status, 200, reply.text())

    def test_missing_or_malformed_authorization_is_refused(self):
        host = self.client.host("auth-bucket")
        reply = self.client.raw("GET", host, "/doc.txt", [("Date", gmt_date())])
        self.assertEqual((reply.status, error_code(reply)), (403, "AccessDenied"))
        reply = self.client.raw("GET", host, "/doc.txt", [("Date", gmt_date()), ("Authorization", "AWS x:y")])
        self.assertEqual((reply.status, error_code(reply)), (400, "InvalidArgument"))

    def test_every_operation_kind_is_checked(self):
        bad = Client(self.service.port, ("demo-key-id", "wrong"))
        for method, bucket, key, sub in [
            ("GET", None, "", ""),
            ("GET", "auth-bucket", "", ""),
            ("PUT", "auth-bucket", "new.txt", ""),
            ("DELETE", "auth-bucket", "doc.txt", ""),
            ("POST", "auth-bucket", "big.bin", "?uploads"),
            ("PUT", "another-bucket", "", ""),
        ]:
            with self.subTest(method=method, bucket=bucket, key=key):
                reply = bad.request(method, bucket, key, sub=sub, body=b"x" if method == "PUT" else None)
                self.assertEqual((reply.status, error_code(reply)), (403, "SignatureDoesNotMatch"))
        self.assertEqual(self.client.get("auth-bucket", "doc.txt").body, b"secret text")
        self.assertEqual(self.client.get("auth-bucket", "new.txt").status, 404)

    def test_signature_covers_content_type_and_md5(self):
        # Signed with one content type, sent with another.
        date = gmt_date()
        signature = sign(DEMO[1], "PUT", "", "text/plain", date, {}, "/auth-bucket/typed.txt")
        reply = self.client.raw(
            "PUT",
            self.client.host("auth-bucket"),
            "/typed.txt",
            [("Date", date), ("Authorization", "ZYM demo-key-id:" + signature), ("Content-Type", "text/html")],
            b"<p>",
        )
        self.assertEqual((reply.status, error_code(reply)), (403, "SignatureDoesNotMatch"))
        reply = self.client.put("auth-bucket", "typed.txt", b"<p>", ctype="text/html")
        self.assertEqual(reply.status, 200, reply.text())

    def test_key_with_special_characters_signs_raw_and_travels_form_encoded(self):
        key = "a b/c+d%e \u00e9\u4e2d'\".txt"
        self.assertEqual(self.client.put("auth-bucket", key, b"raw").status, 200)
        # The resource holds the raw key; a resource with the encoded key must not match.
        reply = self.client.request("GET", "auth-bucket", key, resource="/auth-bucket/" + form_encode(key))
        self.assertEqual(reply.status, 403)
        reply = self.client.get("auth-bucket", key)
        self.assertEqual((reply.status, reply.body), (200, b"raw"))

    def test_copy_source_header_is_signed(self):
        headers = {"x-zym-copy-source": "/auth-bucket/doc.txt"}
        reply = self.client.request("PUT", "auth-bucket", "copy.txt", headers=headers, signed_zym={})
        self.assertEqual((reply.status, error_code(reply)), (403, "SignatureDoesNotMatch"))
        reply = self.client.request("PUT", "auth-bucket", "copy.txt", headers=headers)
        self.assertEqual(reply.status, 200, reply.text())

    def query_link(self, key, expires, account=DEMO, resource=None):
        resource = resource or "/auth-bucket/" + key
        signature = sign(account[1], "GET", "", "", str(expires), {}, resource)
        return "/%s?ZYMAccessKeyId=%s&Expires=%d&Signature=%s" % (
            form_encode(key), account[0], expires, quote(signature, safe=""))

    def test_query_string_signature(self):
        host = self.client.host("auth-bucket")
        future = int(time.time()) + 3600
        reply = self.client.raw("GET", host, self.query_link("doc.txt", future))
        self.assertEqual((reply.status, reply.body), (200, b"secret text"))
        cases = [
            ("expired", self.query_link("doc.txt", int(time.time()) - 10), "AccessDenied"),
            ("other expiry than signed", self.query_link("doc.txt", future).replace("Expires=%d" % future, "Expires=%d" % (future + 1)), "SignatureDoesNotMatch"),
            ("wrong secret", self.query_link("doc.txt", future, ("demo-key-id", "x")), "SignatureDoesNotMatch"),
            ("unknown id", self.query_link("doc.txt", future, ("ghost", "demo-key-secret")), "InvalidAccessKeyId"),
            ("no signature", "/doc.txt?ZYMAccessKeyId=demo-key-id&Expires=%d" % future, "AccessDenied"),
        ]
        for name, target, code in cases:
            with self.subTest(name):
                reply = self.client.raw("GET", host, target)
                self.assertEqual((reply.status, error_code(reply)), (403, code), reply.text())

    def test_query_signature_lists_a_bucket(self):
        future = int(time.time()) + 600
        signature = sign(DEMO[1], "GET", "", "", str(future), {}, "/auth-bucket/")
        target = "/?prefix=doc&ZYMAccessKeyId=demo-key-id&Expires=%d&Signature=%s" % (future, quote(signature, safe=""))
        reply = self.client.raw("GET", self.client.host("auth-bucket"), target)
        self.assertEqual(reply.status, 200, reply.text())
        self.assertIn(b"<Key>doc.txt</Key>", reply.body)

    def test_query_signed_bucket_creation_keeps_the_bucket_rules(self):
        # The signature's own parameters must not hide that the request creates a bucket.
        future = int(time.time()) + 600
        signature = sign(DEMO[1], "PUT", "", "", str(future), {}, "/auth-bucket/")
        target = "/?ZYMAccessKeyId=demo-key-id&Expires=%d&Signature=%s" % (future, quote(signature, safe=""))
        reply = self.client.raw("PUT", self.client.host("auth-bucket"), target)
        self.assertEqual((reply.status, error_code(reply)), (409, "BucketAlreadyExists"), reply.text())


if __name__ == "__main__":
    unittest.main()
