"""Object requests in the ZYM dialect: keys, headers, metadata, copies, ranges, errors."""

import unittest

from zymtest import Client, ServiceProcess, content_md5, error_code

KEYS = [
    "plain.txt",
    "with space.txt",
    "plus+sign.txt",
    "percent%41.txt",
    "folder/sub folder/file.txt",
    "quote'double\".txt",
    "caf\u00e9 \u4e2d\u6587.txt",
    "question?and#hash&amp=.txt",
]


class ObjectTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = ServiceProcess()
        cls.client = Client(cls.service.port, location="east")
        assert cls.client.create_bucket("obj-bucket").status == 200

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def test_keys_round_trip_and_list_raw(self):
        for index, key in enumerate(KEYS):
            with self.subTest(key=key):
                body = ("body %d" % index).encode()
                self.assertEqual(self.client.put("obj-bucket", key, body).status, 200)
                reply = self.client.get("obj-bucket", key)
                self.assertEqual((reply.status, reply.body), (200, body))
        listing = self.client.request("GET", "obj-bucket", query="prefix=&max-keys=1000").text()
        for key in KEYS:
            escaped = key.replace("&", "&amp;").replace('"', "&quot;")
            self.assertTrue(key in listing or escaped in listing, key)
        # "plus+sign" and "plus sign" are different objects.
        self.assertEqual(self.client.get("obj-bucket", "plus sign.txt").status, 404)

    def test_headers_and_metadata_translate_both_ways(self):
        headers = {
            "Content-Disposition": 'attachment; filename="r.pdf"',
            "Cache-Control": "no-cache",
            "x-zym-meta-color": "blue",
        }
        reply = self.client.put("obj-bucket", "report.pdf", b"%PDF", headers=headers, ctype="application/pdf")
        self.assertEqual(reply.status, 200, reply.text())
        self.assertEqual(reply.header("ETag"), '"%s"' % __import__("hashlib").md5(b"%PDF").hexdigest())
        self.assertTrue(reply.header("x-zym-request-id"))
        reply = self.client.request("HEAD", "obj-bucket", "report.pdf")
        self.assertEqual(reply.status, 200)
        self.assertEqual(reply.header("Content-Type"), "application/pdf")
        self.assertEqual(reply.header("Content-Disposition"), 'attachment; filename="r.pdf"')
        self.assertEqual(reply.header("x-zym-meta-color"), "blue")
        self.assertEqual(reply.header("Content-Length"), "4")
        self.assertFalse([n for n, _ in reply.headers if n.lower().startswith("x-amz-")])

    def test_copy_keeps_source_headers_and_copy_onto_itself_replaces_them(self):
        key = "x y+\u00e9?100%.txt"
        self.client.put("obj-bucket", key, b"copy me", headers={"x-zym-meta-a": "1"}, ctype="text/plain")
        reply = self.client.request("PUT", "obj-bucket", "copied.txt", headers={"x-zym-copy-source": "/obj-bucket/" + key})
        self.assertEqual(reply.status, 200, reply.text())
        self.assertIn(b"<ETag>", reply.body)
        copied = self.client.get("obj-bucket", "copied.txt")
        self.assertEqual((copied.body, copied.header("x-zym-meta-a"), copied.header("Content-Type")), (b"copy me", "1", "text/plain"))

        replace = {"x-zym-copy-source": "/obj-bucket/" + key, "Content-Disposition": "inline", "x-zym-meta-b": "2"}
        reply = self.client.request("PUT", "obj-bucket", key, headers=replace, ctype="image/png",
                                    signed_zym={"x-zym-copy-source": "/obj-bucket/" + key})
        self.assertEqual(reply.status, 200, reply.text())
        after = self.client.get("obj-bucket", key)
        self.assertEqual(after.body, b"copy me")
        self.assertEqual(after.header("Content-Type"), "image/png")
        self.assertEqual(after.header("Content-Disposition"), "inline")
        self.assertEqual(after.header("x-zym-meta-b"), "2")
        self.assertIsNone(after.header("x-zym-meta-a"))

    def test_ranged_get(self):
        self.client.put("obj-bucket", "range.bin", bytes(range(256)))
        reply = self.client.get("obj-bucket", "range.bin", headers={"Range": "bytes=10-19"})
        self.assertEqual(reply.status, 206)
        self.assertEqual(reply.body, bytes(range(10, 20)))

    def test_errors_are_service_documents(self):
        cases = [
            ("GET", "obj-bucket", "missing.txt", 404, "NoSuchKey"),
            ("GET", "no-such-bucket-here", "a.txt", 404, "NoSuchBucket"),
            ("GET", "no-such-bucket-here", "", 404, "NoSuchBucket"),
            ("PUT", "obj-bucket", "", 409, "BucketAlreadyExists"),
            ("PUT", "bad_bucket", "", 400, "InvalidBucketName"),
        ]
        for method, bucket, key, status, code in cases:
            with self.subTest(method=method, bucket=bucket, key=key):
                reply = self.client.request(method, bucket, key)
                self.assertEqual((reply.status, error_code(reply)), (status, code), reply.text())
                self.assertIn(b"<RequestId>", reply.body)
                self.assertIn(b"<Message>", reply.body)

    def test_wrong_content_md5_is_refused_and_nothing_stored(self):
        md5 = content_md5(b"other bytes")
        reply = self.client.request("PUT", "obj-bucket", "md5.txt", body=b"these bytes", md5=md5)
        self.assertEqual((reply.status, error_code(reply)), (400, "InvalidDigest"))
        self.assertEqual(self.client.get("obj-bucket", "md5.txt").status, 404)
        reply = self.client.request("PUT", "obj-bucket", "md5.txt", body=b"these bytes", md5=content_md5(b"these bytes"))
        self.assertEqual(reply.status, 200)

    def test_buckets_remember_their_location(self):
        config = b"<CreateBucketConfiguration><LocationConstraint>west</LocationConstraint></CreateBucketConfiguration>"
        reply = self.client.request("PUT", "west-bucket", location="west", body=config)
        self.assertEqual(reply.status, 200, reply.text())
        listing = self.client.request("GET", None, location="west").text()
        self.assertIn("<Name>west-bucket</Name>", listing)
        self.assertRegex(listing, r"<Name>west-bucket</Name>.*?<Location>west</Location>")
        self.assertRegex(listing, r"<Name>obj-bucket</Name>.*?<Location>east</Location>")
        reply = self.client.request("GET", "west-bucket", location="east")
        self.assertEqual((reply.status, error_code(reply)), (403, "AccessDenied"))
        # A location word containing the bucket's own reaches it.
        reply = self.client.request("GET", "west-bucket", location="west-internal")
        self.assertEqual(reply.status, 200, reply.text())

    def test_delete_object_and_bucket(self):
        self.client.create_bucket("gone-bucket")
        self.client.put("gone-bucket", "a.txt", b"a")
        reply = self.client.request("DELETE", "gone-bucket")
        self.assertEqual((reply.status, error_code(reply)), (409, "BucketNotEmpty"))
        self.assertEqual(self.client.request("DELETE", "gone-bucket", "a.txt").status, 204)
        self.assertEqual(self.client.request("DELETE", "gone-bucket").status, 204)
        self.assertNotIn("gone-bucket", self.client.request("GET", None).text())

    def test_pages_from_another_origin_may_call(self):
        host = self.client.host("obj-bucket")
        reply = self.client.raw("OPTIONS", host, "/report.pdf", [
            ("Origin", "file://"), ("Access-Control-Request-Method", "PUT"),
            ("Access-Control-Request-Headers", "authorization, x-zym-meta-a")])
        self.assertEqual(reply.status, 200)
        self.assertEqual(reply.header("Access-Control-Allow-Origin"), "*")
        self.assertIn("PUT", reply.header("Access-Control-Allow-Methods"))
        self.assertEqual(reply.header("Access-Control-Allow-Headers"), "authorization, x-zym-meta-a")
        reply = self.client.get("obj-bucket", "missing.txt")
        self.assertEqual(reply.header("Access-Control-Allow-Origin"), "*")


if __name__ == "__main__":
    unittest.main()
