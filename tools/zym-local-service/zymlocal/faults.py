"""Fault rules for reliability tests: each rule matches requests and delays them, resets the
connection (before, after, or part-way through a body), answers an error, cuts the reply body
short, corrupts one byte of it, replaces its ETag or throttles the transfer."""

import itertools
import threading

MATCH_FIELDS = ("method", "host", "bucket", "path", "key", "query")
ACTION_FIELDS = ("delay_ms", "reset", "status", "cut_after", "reset_after", "flip_at", "throttle_bps", "etag")
INT_FIELDS = ("skip", "times", "delay_ms", "status", "cut_after", "reset_after", "flip_at", "throttle_bps")
DEFAULTS = {"skip": 0, "times": None, "delay_ms": 0, "reset": False, "status": 0, "cut_after": None, "reset_after": None, "flip_at": None,
            "throttle_bps": 0, "code": None, "message": None, "when": "before", "etag": None}


class FaultRule:
    def __init__(self, rule_id, spec):
        self.id = rule_id
        self.spec = spec
        self.seen = 0
        self.applied = 0

    def get(self, name):
        return self.spec.get(name, DEFAULTS[name])

    def matches(self, request):
        """request: dict with method, host, bucket, path, key, query (all text)."""
        spec = self.spec
        if "method" in spec and spec["method"].upper() != request["method"].upper():
            return False
        if "bucket" in spec and spec["bucket"] != request["bucket"]:
            return False
        for field in ("host", "path", "key", "query"):
            if field in spec and spec[field] not in request[field]:
                return False
        return True

    def describe(self):
        out = dict(self.spec)
        out.update({"id": self.id, "seen": self.seen, "applied": self.applied})
        return out


def validate(spec):
    """Returns an error text for a rule that cannot work, else None (spec is normalised)."""
    if not isinstance(spec, dict):
        return "a rule is a JSON object"
    known = set(MATCH_FIELDS) | set(ACTION_FIELDS) | {"skip", "times", "count", "code", "message", "when"}
    unknown = sorted(set(spec) - known)
    if unknown:
        return "unknown members: " + ", ".join(unknown)
    if "count" in spec:
        spec.setdefault("times", spec.pop("count"))
    for field in MATCH_FIELDS + ("code", "message", "when", "etag"):
        if field in spec and not isinstance(spec[field], str):
            return "%s must be a string" % field
    for field in INT_FIELDS:
        if field in spec and (not isinstance(spec[field], int) or isinstance(spec[field], bool) or spec[field] < 0):
            return "%s must be a non-negative integer" % field
    if "reset" in spec and not isinstance(spec["reset"], bool):
        return "reset must be true or false"
    if spec.get("when", "before") not in ("before", "after"):
        return 'when must be "before" or "after"'
    if "status" in spec and not 100 <= spec["status"] <= 599:
        return "status must be an HTTP status"
    if not any(spec.get(f) for f in ACTION_FIELDS) and not any(f in spec for f in ("cut_after", "reset_after", "flip_at")):
        return "a rule needs an action: " + ", ".join(ACTION_FIELDS)
    return None


class FaultRules:
    def __init__(self):
        self._lock = threading.Lock()
        self._rules = []
        self._ids = itertools.count(1)

    def add(self, spec):
        with self._lock:
            rule = FaultRule(next(self._ids), spec)
            self._rules.append(rule)
            return rule.id

    def remove(self, rule_id):
        with self._lock:
            before = len(self._rules)
            self._rules = [r for r in self._rules if r.id != rule_id]
            return len(self._rules) != before

    def clear(self):
        with self._lock:
            self._rules = []

    def describe(self):
        with self._lock:
            return [r.describe() for r in self._rules]

    def take(self, request):
        """The first rule that matches and still applies to this request, counted as applied."""
        with self._lock:
            for rule in self._rules:
                if not rule.matches(request):
                    continue
                rule.seen += 1
                if rule.seen <= rule.get("skip"):
                    continue
                if rule.get("times") is not None and rule.applied >= rule.get("times"):
                    continue
                rule.applied += 1
                return rule
        return None
