"""Sorted key names of each bucket, read from the engine's own store in this process.

The engine sorts every key of a bucket for each listing request it answers, so a folder of
100,000 objects took seconds a page and paging through it minutes. Here the names are sorted
once and kept until the bucket changes; a page then starts with a binary search, and a
delimiter listing jumps over each common prefix instead of walking the keys below it. The
objects' figures (size, ETag, time) are read from the engine's objects as the page is built."""

import bisect
import threading


def backend_of(bucket):
    """The engine backend that holds a bucket, or None."""
    from moto.s3.models import s3_backends

    for account in list(s3_backends.keys()):
        backends = s3_backends[account]
        for partition in list(backends.keys()):
            if bucket in backends[partition].buckets:
                return backends[partition]
    return None


def _store_of(bucket):
    """The engine's key store of a bucket (a dict of key -> versions), or None."""
    backend = backend_of(bucket)
    found = backend.buckets.get(bucket) if backend is not None else None
    return found.keys if found is not None else None


def _after_prefix(prefix):
    """The smallest text that sorts after every text starting with prefix."""
    return prefix[:-1] + chr(ord(prefix[-1]) + 1) if prefix else None


class Entry:
    """One object of a listing page with its figures."""

    __slots__ = ("key", "last_modified", "etag", "size", "storage_class")

    def __init__(self, key, last_modified, etag, size, storage_class):
        self.key = key
        self.last_modified = last_modified
        self.etag = etag
        self.size = size
        self.storage_class = storage_class or "STANDARD"

    @classmethod
    def of_object(cls, key, obj):
        return cls(key, obj.last_modified_ISO8601, obj.etag, obj.size, obj.storage_class)


class KeyIndex:
    def __init__(self):
        self._lock = threading.Lock()
        self._sorted = {}  # bucket -> (number of keys when sorted, sorted names)

    def changed(self, bucket):
        """A key of the bucket was added, replaced or removed (or the bucket went)."""
        with self._lock:
            self._sorted.pop(bucket, None)

    def clear(self):
        with self._lock:
            self._sorted.clear()

    def _names(self, bucket, store):
        # A plain dict view read in one step: the engine's threads may add keys meanwhile. The
        # count check also catches a change that reached the engine without passing here.
        count = dict.__len__(store)
        with self._lock:
            known = self._sorted.get(bucket)
            if known is not None and known[0] == count:
                return known[1]
        names = sorted(list(dict.keys(store)))
        with self._lock:
            self._sorted[bucket] = (len(names), names)
        return names

    def page(self, bucket, prefix, cursor, after_folder, delimiter, max_keys):
        """One listing page: (entries, truncated), entries being ("key", Entry) or
        ("prefix", text) in key order; None when the engine has no such bucket.

        cursor: list after this name; after_folder: the cursor is a common prefix, so every
        key below it is passed over too."""
        from moto.s3.models import FakeDeleteMarker

        store = _store_of(bucket)
        if store is None:
            return None
        names = self._names(bucket, store)
        if cursor and after_folder:
            at = bisect.bisect_left(names, _after_prefix(cursor))
        elif cursor:
            at = bisect.bisect_right(names, cursor)
        else:
            at = 0
        at = max(at, bisect.bisect_left(names, prefix))
        entries = []
        while at < len(names):
            name = names[at]
            if not name.startswith(prefix):
                break
            rest = name[len(prefix):]
            folder = None
            if delimiter and delimiter in rest:
                folder = prefix + rest[: rest.index(delimiter) + len(delimiter)]
            if folder is None:
                versions = dict.get(store, name) or []
                obj = versions[-1] if versions else None
                if obj is None or isinstance(obj, FakeDeleteMarker):
                    at += 1
                    continue  # removed since the names were read, or a delete marker
            if len(entries) >= max_keys:
                return entries, True
            if folder is not None:
                entries.append(("prefix", folder))
                at = bisect.bisect_left(names, _after_prefix(folder), at + 1)
            else:
                entries.append(("key", Entry.of_object(name, obj)))
                at += 1
        return entries, False
