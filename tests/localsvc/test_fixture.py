"""The CTest fixture script: start writes the endpoint and pid of a serving service; stop ends
that process."""

import os
import subprocess
import sys
import tempfile
import unittest

from zymtest import DEMO, TEST, TOOL, Client

CTL = os.path.join(os.path.dirname(TOOL), "..", "..", "tests", "service_fixture", "service_ctl.py")


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A process that has ended but was not yet reaped by its new parent counts as gone.
    with open("/proc/%d/stat" % pid) as f:
        return f.read().split(")")[-1].split()[0] != "Z"


class FixtureTest(unittest.TestCase):
    def test_start_and_stop(self):
        with tempfile.TemporaryDirectory() as state:
            result = subprocess.run([sys.executable, CTL, "start", TOOL, state], capture_output=True, timeout=120)
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(os.path.join(state, "endpoint")) as f:
                endpoint = f.read()
            self.assertRegex(endpoint, r"^zym\.localhost:\d+\n$")
            with open(os.path.join(state, "pid")) as f:
                pid = int(f.read())
            self.assertTrue(alive(pid))
            port = int(endpoint.strip().rsplit(":", 1)[1])
            for account in (DEMO, TEST):
                self.assertEqual(Client(port, account).create_bucket("fixture-" + account[0]).status, 200)

            result = subprocess.run([sys.executable, CTL, "stop", TOOL, state], capture_output=True, timeout=120)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertFalse(alive(pid))
            self.assertFalse(os.path.exists(os.path.join(state, "endpoint")))
            self.assertFalse(os.path.exists(os.path.join(state, "pid")))

    def test_stop_without_a_service_is_harmless(self):
        with tempfile.TemporaryDirectory() as state:
            result = subprocess.run([sys.executable, CTL, "stop", TOOL, state], capture_output=True, timeout=60)
            self.assertEqual(result.returncode, 0)


if __name__ == "__main__":
    unittest.main()
