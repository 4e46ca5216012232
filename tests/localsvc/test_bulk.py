"""Listing pages, multipart uploads (with part copies) and multi-object delete."""

import concurrent.futures
import hashlib
import re
import unittest
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

from zymtest import Client, ServiceProcess, content_md5, error_code, form_encode

PAGED_KEYS = 1100


def delete_document(keys, quiet=True):
    objects = "".join("<Object><Key>%s</Key></Object>" % escape(k) for k in keys)
    text = '<?xml version="1.0" encoding="UTF-8"?>\n<Delete><Quiet>%s</Quiet>%s</Delete>' % (
        "true" if quiet else "false", objects)
    return text.encode("utf-8")


class BulkTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = ServiceProcess()
        cls.client = Client(cls.service.port)
        assert cls.client.create_bucket("bulk-bucket").status == 200
        keys = ["page/%04d key" % i for i in range(PAGED_KEYS)] + ["page/dir%d/inner.txt" % i for i in range(3)]
        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            statuses = list(pool.map(lambda k: cls.client.put("bulk-bucket", k, b"x").status, keys))
        assert statuses == [200] * len(keys)

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def list_page(self, bucket, **params):
        query = "&".join("%s=%s" % (n.replace("_", "-"), form_encode(v)) for n, v in params.items())
        reply = self.client.request("GET", bucket, query=query)
        self.assertEqual(reply.status, 200, reply.text())
        return ET.fromstring(reply.body)

    def test_paging_with_next_marker(self):
        seen, marker, pages = [], None, 0
        while True:
            params = {"prefix": "page/", "max_keys": "1000"}
            if marker:
                params["marker"] = marker
            root = self.list_page("bulk-bucket", **params)
            pages += 1
            keys = [c.findtext("Key") for c in root.findall("Contents")]
            seen += keys
            if root.findtext("IsTruncated") != "true":
                break
            marker = root.findtext("NextMarker")
            self.assertEqual(marker, keys[-1])
        self.assertEqual(pages, 2)
        self.assertEqual(len(seen), PAGED_KEYS + 3)
        self.assertEqual(seen, sorted(seen))

    def test_delimiter_pages_name_next_marker_and_common_prefixes(self):
        root = self.list_page("bulk-bucket", prefix="page/dir", delimiter="/")
        self.assertEqual([p.findtext("Prefix") for p in root.findall("CommonPrefixes")],
                         ["page/dir0/", "page/dir1/", "page/dir2/"])
        root = self.list_page("bulk-bucket", prefix="page/", delimiter="/", max_keys="2")
        self.assertEqual(root.findtext("IsTruncated"), "true")
        self.assertEqual(root.findtext("NextMarker"), "page/0001 key")
        self.assertEqual(root.find("Contents").findtext("Type"), "Normal")

    def test_max_keys_is_capped_at_one_thousand(self):
        root = self.list_page("bulk-bucket", prefix="page/", max_keys="5000")
        self.assertEqual(len(root.findall("Contents")), 1000)
        self.assertEqual(root.findtext("IsTruncated"), "true")

    def test_multipart_with_part_copy_and_listing_of_uploads(self):
        c = self.client
        source = bytes(i % 251 for i in range(6 * 1024 * 1024))
        self.assertEqual(c.put("bulk-bucket", "mp/source.bin", source).status, 200)
        key = "mp/target file+\u00e9.bin"
        reply = c.request("POST", "bulk-bucket", key, sub="?uploads")
        self.assertEqual(reply.status, 200, reply.text())
        upload_id = ET.fromstring(reply.body).findtext("UploadId")
        self.assertTrue(upload_id)

        listing = c.request("GET", "bulk-bucket", sub="?uploads").text()
        self.assertIn(upload_id, listing)

        part1 = b"A" * (5 * 1024 * 1024)
        reply = c.request("PUT", "bulk-bucket", key, sub="?partNumber=1&uploadId=" + upload_id, body=part1)
        self.assertEqual(reply.status, 200, reply.text())
        etag1 = reply.header("ETag")
        self.assertEqual(etag1.strip('"').upper(), hashlib.md5(part1).hexdigest().upper())

        copy_headers = {"x-zym-copy-source": "/bulk-bucket/mp/source.bin", "x-zym-copy-source-range": "100-1099"}
        reply = c.request("PUT", "bulk-bucket", key, sub="?partNumber=2&uploadId=" + upload_id, headers=copy_headers)
        self.assertEqual(reply.status, 200, reply.text())
        etag2 = ET.fromstring(reply.body).findtext("ETag")
        self.assertEqual(etag2.strip('"'), hashlib.md5(source[100:1100]).hexdigest())

        parts = "".join("<Part><PartNumber>%d</PartNumber><ETag>%s</ETag></Part>" % (n, escape(e))
                        for n, e in [(1, etag1.upper()), (2, etag2)])
        document = ('<?xml version="1.0" encoding="UTF-8"?>\n<CompleteMultipartUpload>%s</CompleteMultipartUpload>'
                    % parts).encode()
        reply = c.request("POST", "bulk-bucket", key, sub="?uploadId=" + upload_id, body=document,
                          ctype="application/xml", md5=content_md5(document))
        self.assertEqual(reply.status, 200, reply.text())
        self.assertIn(b"<CompleteMultipartUploadResult>", reply.body)
        self.assertNotIn(b"amazonaws", reply.body)
        whole = c.get("bulk-bucket", key)
        self.assertEqual(whole.body, part1 + source[100:1100])
        self.assertNotIn(upload_id, c.request("GET", "bulk-bucket", sub="?uploads").text())
        root = self.list_page("bulk-bucket", prefix="mp/target")
        self.assertEqual(root.find("Contents").findtext("Type"), "Multipart")

    def test_abort_and_unknown_upload(self):
        c = self.client
        upload_id = ET.fromstring(c.request("POST", "bulk-bucket", "mp/aborted", sub="?uploads").body).findtext("UploadId")
        self.assertEqual(c.request("DELETE", "bulk-bucket", "mp/aborted", sub="?uploadId=" + upload_id).status, 204)
        reply = c.request("PUT", "bulk-bucket", "mp/aborted", sub="?partNumber=1&uploadId=" + upload_id, body=b"x")
        self.assertEqual((reply.status, error_code(reply)), (404, "NoSuchUpload"))

    def test_multi_delete_checks_md5_and_size(self):
        c = self.client
        keys = ["del/%d" % i for i in range(5)] + ["del/sp ace+plus"]
        for k in keys:
            c.put("bulk-bucket", k, b"d")
        document = delete_document(keys)
        cases = [
            ("no Content-MD5", "", 400, "InvalidDigest"),
            ("MD5 of other bytes", content_md5(document + b" "), 400, "InvalidDigest"),
            ("not Base64", "***", 400, "InvalidDigest"),
        ]
        for name, md5, status, code in cases:
            with self.subTest(name):
                reply = c.request("POST", "bulk-bucket", sub="?delete", body=document, ctype="application/xml", md5=md5)
                self.assertEqual((reply.status, error_code(reply)), (status, code))
                self.assertEqual(c.get("bulk-bucket", keys[0]).status, 200)
        reply = c.request("POST", "bulk-bucket", sub="?delete", body=document, ctype="application/xml",
                          md5=content_md5(document))
        self.assertEqual(reply.status, 200, reply.text())
        for k in keys:
            self.assertEqual(c.get("bulk-bucket", k).status, 404, k)

        too_many = delete_document(["x%d" % i for i in range(1001)])
        reply = c.request("POST", "bulk-bucket", sub="?delete", body=too_many, ctype="application/xml",
                          md5=content_md5(too_many))
        self.assertEqual((reply.status, error_code(reply)), (400, "MalformedXML"))
        broken = b"<Delete><Object><Key>a</Key>"
        reply = c.request("POST", "bulk-bucket", sub="?delete", body=broken, ctype="application/xml",
                          md5=content_md5(broken))
        self.assertEqual((reply.status, error_code(reply)), (400, "MalformedXML"))

    def test_listing_leaves_out_nothing_between_pages(self):
        root = self.list_page("bulk-bucket", prefix="page/", marker="page/0998 key", max_keys="3")
        self.assertEqual([c.findtext("Key") for c in root.findall("Contents")],
                         ["page/0999 key", "page/1000 key", "page/1001 key"])
        self.assertTrue(re.match(r"page/1001 key", root.findtext("NextMarker")))


if __name__ == "__main__":
    unittest.main()
