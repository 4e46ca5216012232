"""The upload-callback recorder: keeps every request made to /_callback/<name> for tests."""

import base64
import itertools
import threading
import time


class CallbackRecorder:
    def __init__(self):
        self._lock = threading.Lock()
        self._records = []
        self._seq = itertools.count(1)

    def record(self, name, method, path, query, headers, body):
        """headers: list of (name, latin-1 text); header values are reported as UTF-8 text."""
        entry = {
            "seq": 0,
            "time": time.time(),
            "name": name,
            "method": method,
            "path": path,
            "query": query,
            "headers": {n.lower(): v.encode("latin-1").decode("utf-8", "replace") for n, v in headers},
            "body": body.decode("utf-8", "replace"),
            "body_base64": base64.b64encode(body).decode("ascii"),
        }
        with self._lock:
            entry["seq"] = next(self._seq)
            self._records.append(entry)

    def list(self, name=None):
        with self._lock:
            return [r for r in self._records if name is None or r["name"] == name]

    def clear(self):
        with self._lock:
            self._records = []
