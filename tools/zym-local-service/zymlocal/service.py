"""The service's shared state: accounts, bucket locations, the engine, fault rules, the
callback recorder and the optional data folder; and the listening server."""

import http.server
import shutil
import socketserver
import threading

from .callbacks import CallbackRecorder
from .engine import Engine
from .faults import FaultRules
from .front import Handler
from .keyindex import KeyIndex
from .persist import Persister


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128

    def handle_error(self, request, client_address):
        # A client that went away mid-reply is normal for a transfer tool; keep the log quiet.
        pass


class Service:
    def __init__(self, accounts, data_folder=None, verbose=False):
        self.accounts = dict(accounts)
        self.verbose = verbose
        self.stopping = threading.Event()
        self.faults = FaultRules()
        self.recorder = CallbackRecorder()
        self.engine = Engine()
        self.keys = KeyIndex()
        self._locations = {}
        self._lock = threading.Lock()
        self._data_folder = data_folder
        self.persister = None
        self.server = None
        self.domain = None

    def start(self, port):
        """Starts the engine, restores the data folder and listens; returns the bound port."""
        self.engine.start()
        if self._data_folder:
            self.persister = Persister(self._data_folder, self.engine)
            self.persister.restore(self._locations)
        self.server = Server(("127.0.0.1", port), Handler)
        self.server.service = self
        bound = self.server.server_address[1]
        self.domain = "zym.localhost:%d" % bound
        self._thread = threading.Thread(target=self.server.serve_forever, args=(0.1,), name="front", daemon=True)
        self._thread.start()
        return bound

    def stop(self):
        """Stops accepting, lets delayed requests go, writes pending data and stops the engine."""
        self.stopping.set()
        if self.server is not None:
            self.server.shutdown()
            self.server.server_close()
        if self.persister is not None:
            self.persister.stop()
        self.engine.stop()

    # -- bucket locations ------------------------------------------------------------------------

    def location_of(self, bucket):
        with self._lock:
            return self._locations.get(bucket)

    def locations_copy(self):
        with self._lock:
            return dict(self._locations)

    def bucket_created(self, bucket, location):
        with self._lock:
            self._locations[bucket] = location
            if self.persister is not None:
                self.persister.bucket_created(bucket, self._locations)

    def bucket_deleted(self, bucket):
        self.keys.changed(bucket)
        with self._lock:
            self._locations.pop(bucket, None)
            if self.persister is not None:
                self.persister.bucket_deleted(bucket, self._locations)

    def object_changed(self, bucket, key):
        self.keys.changed(bucket)
        if self.persister is not None:
            self.persister.object_changed(bucket, key)

    def seed(self, bucket, keys, body):
        """Stores the keys, each with the same body, straight into the engine (no request per
        object); False when the bucket was not created through the service."""
        if self.location_of(bucket) is None or not self.engine.put_many(bucket, keys, body):
            return False
        self.keys.changed(bucket)
        if self.persister is not None:
            for key in keys:
                self.persister.object_changed(bucket, key)
        return True

    def reset(self):
        """Forgets every bucket and object, here and in the data folder."""
        ok = self.engine.reset()
        self.keys.clear()
        with self._lock:
            for bucket in list(self._locations):
                self._locations.pop(bucket)
                if self.persister is not None:
                    self.persister.bucket_deleted(bucket, self._locations)
        self.faults.clear()
        self.recorder.clear()
        return ok
