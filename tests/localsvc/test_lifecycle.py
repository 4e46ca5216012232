"""Start, stop and restart: the ready line, a clean stop on SIGTERM and SIGINT with nothing
left behind, and the data folder bringing buckets and objects back."""

import os
import signal
import socket
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

from zymtest import DEMO, TOOL, Client, ServiceProcess, content_md5


def children_of(pid):
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            return [int(p) for p in f.read().split()]
    except FileNotFoundError:
        return []


def port_open(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


class LifecycleTest(unittest.TestCase):
    def test_ready_line_and_clean_stop(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig):
                service = ServiceProcess(accounts=[DEMO])
                self.assertRegex(service.ready_line, r"^ready http://zym\.localhost:\d+$")
                self.assertTrue(port_open(service.port))
                self.assertEqual(children_of(service.proc.pid), [])
                service.proc.send_signal(sig)
                self.assertEqual(service.proc.wait(60), 0)
                self.assertEqual(service.proc.stdout.read(), b"")  # nothing after the ready line
                service.stop()
                self.assertFalse(port_open(service.port))

    def test_default_account_is_the_demo_account(self):
        proc = subprocess.Popen([TOOL, "--port", "0"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            port = int(proc.stdout.readline().decode().strip().rsplit(":", 1)[1])
            self.assertEqual(Client(port, DEMO).create_bucket("demo-bucket").status, 200)
            self.assertEqual(Client(port, ("test-key-id", "test-key-secret")).create_bucket("x-bucket").status, 403)
        finally:
            proc.terminate()
            self.assertEqual(proc.wait(60), 0)
            proc.stdout.close()

    def test_bad_arguments_fail(self):
        for args in (["--account", "no-colon", "--port", "0"], []):
            with self.subTest(args=args):
                result = subprocess.run([TOOL] + args, capture_output=True)
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(result.stdout, b"")

    def test_port_in_use_fails(self):
        with socket.socket() as blocker:
            blocker.bind(("127.0.0.1", 0))
            blocker.listen()
            result = subprocess.run([TOOL, "--port", str(blocker.getsockname()[1])], capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertNotIn(b"ready", result.stdout)

    def test_data_folder_survives_restart(self):
        key = "dir/caf\u00e9 + 100%.txt"
        with tempfile.TemporaryDirectory() as data:
            service = ServiceProcess(data=data)
            try:
                c = Client(service.port, location="north")
                self.assertEqual(c.create_bucket("kept-bucket").status, 200)
                self.assertEqual(c.create_bucket("dropped-bucket").status, 200)
                c.put("kept-bucket", key, b"persisted bytes", ctype="text/plain",
                      headers={"x-zym-meta-owner": "me", "Content-Disposition": "attachment"})
                c.put("kept-bucket", "deleted.txt", b"gone")
                c.put("kept-bucket", "multi-a", b"a")
                c.put("kept-bucket", "multi-b", b"b")
                self.assertEqual(c.request("DELETE", "kept-bucket", "deleted.txt").status, 204)
                doc = b"<Delete><Quiet>true</Quiet><Object><Key>multi-a</Key></Object></Delete>"
                self.assertEqual(c.request("POST", "kept-bucket", sub="?delete", body=doc, md5=content_md5(doc),
                                           ctype="application/xml").status, 200)
                self.assertEqual(c.request("DELETE", "dropped-bucket").status, 204)
                replace = {"x-zym-copy-source": "/kept-bucket/multi-b", "x-zym-meta-v": "2"}
                self.assertEqual(c.request("PUT", "kept-bucket", "multi-b", headers=replace,
                                           signed_zym={"x-zym-copy-source": "/kept-bucket/multi-b"}).status, 200)
            finally:
                self.assertEqual(service.stop(), 0)

            service = ServiceProcess(data=data)
            try:
                c = Client(service.port, location="north")
                buckets = ET.fromstring(c.request("GET", None).body)
                names = {b.findtext("Name"): b.findtext("Location") for b in buckets.iter("Bucket")}
                self.assertEqual(names, {"kept-bucket": "north"})
                reply = c.get("kept-bucket", key)
                self.assertEqual((reply.status, reply.body), (200, b"persisted bytes"))
                self.assertEqual(reply.header("Content-Type"), "text/plain")
                self.assertEqual(reply.header("Content-Disposition"), "attachment")
                self.assertEqual(reply.header("x-zym-meta-owner"), "me")
                self.assertEqual(c.get("kept-bucket", "multi-b").header("x-zym-meta-v"), "2")
                for gone in ("deleted.txt", "multi-a"):
                    self.assertEqual(c.get("kept-bucket", gone).status, 404, gone)
                # Still remembered in its location.
                self.assertEqual(c.request("GET", "kept-bucket", location="south").status, 403)
            finally:
                service.stop()

    def test_changes_are_written_without_a_clean_stop(self):
        with tempfile.TemporaryDirectory() as data:
            service = ServiceProcess(data=data)
            c = Client(service.port)
            self.assertEqual(c.create_bucket("crash-bucket").status, 200)
            self.assertEqual(c.put("crash-bucket", "written.txt", b"before the crash").status, 200)
            self.assertEqual(c.control("POST", "/_control/flush"), (200, {"flushed": True}))
            service.proc.kill()
            service.stop()
            service = ServiceProcess(data=data)
            try:
                reply = Client(service.port).get("crash-bucket", "written.txt")
                self.assertEqual((reply.status, reply.body), (200, b"before the crash"))
            finally:
                service.stop()

    def test_reset_forgets_everything_also_in_the_data_folder(self):
        with tempfile.TemporaryDirectory() as data:
            service = ServiceProcess(data=data)
            try:
                c = Client(service.port)
                self.assertEqual(c.create_bucket("reset-bucket").status, 200)
                self.assertEqual(c.put("reset-bucket", "a.txt", b"a").status, 200)
                c.control("POST", "/_control/faults", {"key": "zzz", "status": 500})
                self.assertEqual(c.control("POST", "/_control/reset"), (200, {"reset": True}))
                self.assertNotIn(b"reset-bucket", c.request("GET", None).body)
                self.assertEqual(c.control("GET", "/_control/faults"), (200, []))
                # The name is free again, in any location.
                self.assertEqual(c.create_bucket("reset-bucket", location="other").status, 200)
                c.control("POST", "/_control/flush")
            finally:
                service.stop()
            service = ServiceProcess(data=data)
            try:
                c = Client(service.port, location="other")
                self.assertEqual(c.request("GET", "reset-bucket").status, 200)
                self.assertEqual(c.get("reset-bucket", "a.txt").status, 404)
            finally:
                service.stop()

    def test_without_data_folder_nothing_survives(self):
        service = ServiceProcess()
        c = Client(service.port)
        self.assertEqual(c.create_bucket("mem-bucket").status, 200)
        service.stop()
        service = ServiceProcess()
        try:
            self.assertNotIn(b"mem-bucket", Client(service.port).request("GET", None).body)
        finally:
            service.stop()


if __name__ == "__main__":
    unittest.main()
