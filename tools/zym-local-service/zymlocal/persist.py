"""Keeps buckets, their locations and objects (with their headers) in a data folder so that
they survive a restart.

Layout: buckets.json ({"bucket": {"location": L}}) and objects/<bucket>/<sha1 of key>.data and
.json ({"key": ..., "headers": [[name, value], ...]}). Changes are written by a background
thread shortly after each change and everything pending is written on shutdown."""

import hashlib
import json
import logging
import os
import shutil
import threading
from urllib.parse import quote

log = logging.getLogger("zym-local-service")

# Object headers that are part of what a restart must bring back.
KEPT_HEADERS = ("content-type", "content-disposition", "content-encoding", "content-language", "cache-control", "expires")


def _write_atomic(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(tmp, path)


def _engine_path(bucket, key=None):
    return "/" + quote(bucket, safe="") + ("/" + quote(key, safe="") if key is not None else "")


class Persister:
    def __init__(self, folder, engine):
        self.folder = folder
        self.engine = engine
        self._lock = threading.Lock()
        self._wake = threading.Condition(self._lock)
        self._pending = set()  # (bucket, key) pairs to write again
        self._stopping = False
        self._writing = False
        self._thread = None

    # -- start-up --------------------------------------------------------------------------------

    def restore(self, locations):
        """Puts every stored bucket and object back into the engine; fills locations."""
        os.makedirs(os.path.join(self.folder, "objects"), exist_ok=True)
        try:
            with open(os.path.join(self.folder, "buckets.json"), "rb") as f:
                buckets = json.load(f)
        except FileNotFoundError:
            buckets = {}
        for bucket, info in sorted(buckets.items()):
            status, _, body = self.engine.fetch("PUT", _engine_path(bucket))
            if status != 200:
                log.error("cannot restore bucket %s: %d %s", bucket, status, body[:200])
                continue
            locations[bucket] = info.get("location", "")
            self._restore_objects(bucket)
        self._thread = threading.Thread(target=self._run, name="persist", daemon=True)
        self._thread.start()

    def _restore_objects(self, bucket):
        folder = self._bucket_folder(bucket)
        if not os.path.isdir(folder):
            return
        for name in sorted(os.listdir(folder)):
            if not name.endswith(".json"):
                continue
            stem = os.path.join(folder, name[: -len(".json")])
            try:
                with open(stem + ".json", "rb") as f:
                    meta = json.load(f)
                with open(stem + ".data", "rb") as f:
                    data = f.read()
            except (OSError, ValueError) as e:
                log.error("skipping stored object %s: %s", stem, e)
                continue
            headers = [(n, v.encode("latin-1")) for n, v in meta.get("headers", [])]
            status, _, body = self.engine.fetch("PUT", _engine_path(bucket, meta["key"]), headers=headers, body=data)
            if status != 200:
                log.error("cannot restore %s/%s: %d %s", bucket, meta["key"], status, body[:200])

    # -- changes ---------------------------------------------------------------------------------

    def bucket_created(self, bucket, locations):
        self._save_buckets(locations)

    def bucket_deleted(self, bucket, locations):
        self._save_buckets(locations)
        with self._lock:
            self._pending = {p for p in self._pending if p[0] != bucket}
            shutil.rmtree(self._bucket_folder(bucket), ignore_errors=True)

    def object_changed(self, bucket, key):
        with self._lock:
            self._pending.add((bucket, key))
            self._wake.notify_all()

    def _save_buckets(self, locations):
        with self._lock:
            data = json.dumps({b: {"location": l} for b, l in sorted(locations.items())}, indent=1)
            _write_atomic(os.path.join(self.folder, "buckets.json"), data.encode("utf-8"))

    # -- writing ---------------------------------------------------------------------------------

    def _run(self):
        while True:
            with self._lock:
                self._writing = False
                self._wake.notify_all()
                while not self._pending and not self._stopping:
                    self._wake.wait()
                if not self._pending and self._stopping:
                    return
                bucket, key = self._pending.pop()
                self._writing = True
            self._write_object(bucket, key)

    def flush(self):
        """Waits until every change made so far is in the data folder."""
        with self._lock:
            while self._pending or self._writing:
                self._wake.wait()

    def stop(self):
        """Writes everything still pending, then ends the writer thread."""
        with self._lock:
            self._stopping = True
            self._wake.notify_all()
        if self._thread is not None:
            self._thread.join()

    def _bucket_folder(self, bucket):
        return os.path.join(self.folder, "objects", quote(bucket, safe=""))

    def _write_object(self, bucket, key):
        stem = os.path.join(self._bucket_folder(bucket), hashlib.sha1(key.encode("utf-8")).hexdigest())
        try:
            status, headers, body = self.engine.fetch("GET", _engine_path(bucket, key))
        except OSError as e:
            log.error("cannot read %s/%s for the data folder: %s", bucket, key, e)
            return
        with self._lock:
            if status == 404:
                for ext in (".json", ".data"):
                    try:
                        os.remove(stem + ext)
                    except FileNotFoundError:
                        pass
                return
            if status != 200:
                log.error("cannot read %s/%s for the data folder: %d", bucket, key, status)
                return
            kept = [[n, v] for n, v in headers if n.lower() in KEPT_HEADERS or n.lower().startswith("x-amz-meta-")]
            os.makedirs(os.path.dirname(stem), exist_ok=True)
            _write_atomic(stem + ".data", body)
            _write_atomic(stem + ".json", json.dumps({"key": key, "headers": kept}, ensure_ascii=False).encode("utf-8"))
