"""Objects stored in bulk through /_control/seed, and listings of a big folder: every page the
service answers (prefix, delimiter, marker, max-keys) is the page a plain walk over the sorted
keys gives, changes made through requests show in the next listing, and the seeded objects are
real objects (body, ETag, size, kept in the data folder)."""

import hashlib
import os
import shutil
import tempfile
import unittest
import xml.etree.ElementTree as ET

from zymtest import Client, ServiceProcess, content_md5, error_code, form_encode

BUCKET = "seeded"
BODY = "seed body"
KEYS = (
    ["big/k%05d" % i for i in range(4000)]
    + ["big/sub%d/inner%d" % (i, j) for i in range(3) for j in range(2)]
    + ["big/", "big/z", "big/z/", "big/z/deep/x", "big+plus", "big/ä umlaut", "big/\U0001f600 face"]
    + ["a/b/c", "a/b/d", "a/e", "a-f", "top", "z/"]
)


def expected_page(keys, prefix="", marker="", delimiter="", max_keys=1000):
    """The page a walk over every key in order gives: keys and common prefixes share max-keys,
    a marker that is a common prefix passes over every key below it."""
    entries = []
    for key in sorted(keys):
        if not key.startswith(prefix) or key <= marker:
            continue
        if delimiter and marker.endswith(delimiter) and key.startswith(marker):
            continue
        rest = key[len(prefix):]
        if delimiter and delimiter in rest:
            entry = ("prefix", prefix + rest[: rest.index(delimiter) + len(delimiter)])
            if entries and entries[-1] == entry:
                continue
        else:
            entry = ("key", key)
        if len(entries) == max_keys:
            return entries, True
        entries.append(entry)
    return entries, False


class SeedTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = ServiceProcess()
        cls.client = Client(cls.service.port)
        assert cls.client.create_bucket(BUCKET).status == 200
        status, answer = cls.client.control("POST", "/_control/seed", {"bucket": BUCKET, "keys": KEYS, "body": BODY})
        assert (status, answer) == (200, {"seeded": len(KEYS)}), answer

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def list_page(self, bucket=BUCKET, **params):
        query = "&".join("%s=%s" % (n.replace("_", "-"), form_encode(v)) for n, v in params.items())
        reply = self.client.request("GET", bucket, query=query)
        self.assertEqual(reply.status, 200, reply.text())
        root = ET.fromstring(reply.body)
        # Keys come before common prefixes in the document; merged back into key order.
        entries = [("key", c.findtext("Key")) for c in root.findall("Contents")]
        entries += [("prefix", p.findtext("Prefix")) for p in root.findall("CommonPrefixes")]
        entries.sort(key=lambda e: e[1])
        return root, entries

    def test_every_page_is_the_page_of_a_walk_over_the_sorted_keys(self):
        cases = [
            {},
            {"max_keys": "7"},
            {"delimiter": "/"},
            {"delimiter": "/", "max_keys": "2"},
            {"delimiter": "/", "marker": "a/"},  # a common prefix as marker: none of a/... again
            {"delimiter": "/", "marker": "a/b/c"},  # inside a folder: the folder shows once more
            {"prefix": "big/", "delimiter": "/"},
            {"prefix": "big/", "delimiter": "/", "marker": "big/k01999", "max_keys": "1000"},
            {"prefix": "big/", "delimiter": "/", "marker": "big/sub0/"},
            {"prefix": "big/", "marker": "big/k03998", "max_keys": "5"},
            {"prefix": "big/z", "delimiter": "/"},
            {"prefix": "big", "delimiter": "/"},
            {"prefix": "nothing/", "delimiter": "/"},
            {"prefix": "big/", "delimiter": "k0", "max_keys": "3"},
            {"marker": "zz"},
            {"prefix": "big/", "max_keys": "0"},
        ]
        for params in cases:
            with self.subTest(**params):
                root, entries = self.list_page(**params)
                want, truncated = expected_page(
                    KEYS, params.get("prefix", ""), params.get("marker", ""), params.get("delimiter", ""),
                    int(params.get("max_keys", "1000")))
                self.assertEqual(entries, sorted(want, key=lambda e: e[1]))
                self.assertEqual(root.findtext("IsTruncated"), "true" if truncated else "false")
                if truncated and want:
                    self.assertEqual(root.findtext("NextMarker"), want[-1][1])

    def test_paging_by_next_marker_gives_every_entry_of_the_folder_once(self):
        for delimiter in ("", "/"):
            with self.subTest(delimiter=delimiter):
                seen, marker, pages = [], "", 0
                while True:
                    root, entries = self.list_page(prefix="big/", delimiter=delimiter, marker=marker, max_keys="1000")
                    seen += [e[1] for e in entries]
                    pages += 1
                    if root.findtext("IsTruncated") != "true":
                        break
                    marker = root.findtext("NextMarker")
                want, _ = expected_page(KEYS, "big/", "", delimiter, len(KEYS))
                self.assertEqual(seen, [e[1] for e in want])
                self.assertEqual(pages, -(-len(want) // 1000))

    def test_seeded_objects_have_their_body_etag_and_size(self):
        md5 = hashlib.md5(BODY.encode()).hexdigest()
        for key in ("big/k00042", "big/\U0001f600 face", "z/"):
            with self.subTest(key=key):
                reply = self.client.get(BUCKET, key)
                self.assertEqual((reply.status, reply.body), (200, BODY.encode()))
                self.assertEqual(reply.header("ETag"), '"%s"' % md5)
        root, _ = self.list_page(prefix="big/k0004", max_keys="1")
        contents = root.find("Contents")
        self.assertEqual((contents.findtext("Key"), contents.findtext("Size"), contents.findtext("ETag"),
                          contents.findtext("Type")), ("big/k00040", str(len(BODY)), '"%s"' % md5, "Normal"))
        self.assertRegex(contents.findtext("LastModified"), r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")

    def test_changes_made_through_requests_show_in_the_next_listing(self):
        bucket = "seeded-changes"
        self.assertEqual(self.client.create_bucket(bucket).status, 200)
        keys = ["f/%03d" % i for i in range(300)]
        self.assertEqual(self.client.control("POST", "/_control/seed", {"bucket": bucket, "keys": keys})[0], 200)
        _, entries = self.list_page(bucket, prefix="f/", max_keys="1000")
        self.assertEqual(len(entries), 300)
        self.assertEqual(self.client.put(bucket, "f/150x", b"new").status, 200)
        self.assertEqual(self.client.request("DELETE", bucket, "f/000").status, 204)
        document = "<Delete><Object><Key>f/298</Key></Object><Object><Key>f/299</Key></Object></Delete>".encode()
        reply = self.client.request("POST", bucket, sub="?delete", body=document, md5=content_md5(document))
        self.assertEqual(reply.status, 200, reply.text())
        copy = self.client.request("PUT", bucket, "g/copied", headers={"x-zym-copy-source": "/%s/f/001" % bucket})
        self.assertEqual(copy.status, 200, copy.text())
        now = sorted(set(keys) - {"f/000", "f/298", "f/299"} | {"f/150x", "g/copied"})
        _, entries = self.list_page(bucket, max_keys="1000")
        self.assertEqual([e[1] for e in entries], now)
        _, entries = self.list_page(bucket, delimiter="/", marker="f/")
        self.assertEqual(entries, [("prefix", "g/")])

    def test_listing_a_bucket_that_is_gone(self):
        bucket = "seeded-gone"
        self.assertEqual(self.client.create_bucket(bucket).status, 200)
        self.assertEqual(self.client.request("DELETE", bucket).status, 204)
        reply = self.client.request("GET", bucket, query="delimiter=/")
        self.assertEqual((reply.status, error_code(reply)), (404, "NoSuchBucket"))

    def test_bad_seeds_are_refused(self):
        cases = [
            ({"bucket": "no-such-bucket", "keys": ["a"]}, 404),
            ({"bucket": BUCKET}, 400),
            ({"bucket": BUCKET, "keys": "a"}, 400),
            ({"bucket": BUCKET, "keys": [""]}, 400),
            ({"bucket": BUCKET, "keys": [1]}, 400),
            ({"bucket": BUCKET, "keys": ["a"], "body": 5}, 400),
        ]
        for seed, status in cases:
            with self.subTest(seed=seed):
                got, answer = self.client.control("POST", "/_control/seed", seed)
                self.assertEqual(got, status)
                self.assertIn("error", answer)
        _, entries = self.list_page(prefix="a", delimiter="/")
        self.assertEqual(entries, [("key", "a-f"), ("prefix", "a/")])


class SeedDataFolderTest(unittest.TestCase):
    def test_seeded_objects_come_back_after_a_restart(self):
        folder = tempfile.mkdtemp(prefix="zym-seed-")
        try:
            service = ServiceProcess(data=folder)
            client = Client(service.port)
            try:
                self.assertEqual(client.create_bucket("kept").status, 200)
                keys = ["d/%d" % i for i in range(20)]
                self.assertEqual(client.control("POST", "/_control/seed", {"bucket": "kept", "keys": keys, "body": "x"})[0],
                                 200)
                self.assertEqual(client.control("POST", "/_control/flush"), (200, {"flushed": True}))
            finally:
                self.assertEqual(service.stop(), 0)
            service = ServiceProcess(data=folder)
            client = Client(service.port)
            try:
                reply = client.request("GET", "kept", query="prefix=d/")
                self.assertEqual(sorted(c.findtext("Key") for c in ET.fromstring(reply.body).findall("Contents")),
                                 sorted(keys))
                self.assertEqual(client.get("kept", "d/7").body, b"x")
            finally:
                service.stop()
        finally:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
