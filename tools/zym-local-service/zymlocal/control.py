"""The control API on the service's own host (no signature: a loopback development tool):
fault rules, the upload-callback recorder, accounts, objects stored in bulk and a full reset."""

import json

from . import dialect, faults

CALLBACK_PREFIX = b"/_callback/"


def _send_json(handler, status, value):
    body = json.dumps(value, ensure_ascii=False, indent=1).encode("utf-8")
    handler.reply(status, [("Content-Type", "application/json")], body)


def _read_json(handler):
    body = handler.read_body()
    if not body.strip():
        return None, None
    try:
        return json.loads(body.decode("utf-8")), None
    except (UnicodeDecodeError, ValueError) as e:
        return None, "the body is not JSON: %s" % e


def handle(handler, raw_path, raw_query):
    svc = handler.svc
    method = handler.command
    path = raw_path.decode("latin-1").rstrip("/")
    query = {n.decode("utf-8", "replace"): (v or b"").decode("utf-8", "replace") for n, v in dialect.parse_query(raw_query)}
    if path == "/_control/health" and method == "GET":
        handler.read_body()
        return _send_json(handler, 200, {"ok": True, "endpoint": svc.domain, "persistent": svc.persister is not None})
    if path == "/_control/faults":
        if method == "GET":
            handler.read_body()
            return _send_json(handler, 200, svc.faults.describe())
        if method == "DELETE":
            handler.read_body()
            svc.faults.clear()
            return _send_json(handler, 200, {"cleared": True})
        if method == "POST":
            spec, error = _read_json(handler)
            error = error or faults.validate(spec)
            if error:
                return _send_json(handler, 400, {"error": error})
            return _send_json(handler, 200, {"id": svc.faults.add(spec)})
    if path.startswith("/_control/faults/") and method == "DELETE":
        handler.read_body()
        try:
            rule_id = int(path.rsplit("/", 1)[1])
        except ValueError:
            return _send_json(handler, 400, {"error": "a rule id is a number"})
        found = svc.faults.remove(rule_id)
        return _send_json(handler, 200 if found else 404, {"removed": found})
    if path == "/_control/callbacks":
        handler.read_body()
        if method == "GET":
            return _send_json(handler, 200, svc.recorder.list(query.get("name")))
        if method == "DELETE":
            svc.recorder.clear()
            return _send_json(handler, 200, {"cleared": True})
    if path == "/_control/accounts":
        if method == "GET":
            handler.read_body()
            return _send_json(handler, 200, sorted(svc.accounts))
        if method == "POST":
            spec, error = _read_json(handler)
            if not error and not (isinstance(spec, dict) and isinstance(spec.get("id"), str) and spec["id"]
                                  and isinstance(spec.get("secret"), str)):
                error = 'an account is {"id": "...", "secret": "..."}'
            if error:
                return _send_json(handler, 400, {"error": error})
            svc.accounts[spec["id"]] = spec["secret"]
            return _send_json(handler, 200, {"added": spec["id"]})
    if path == "/_control/flush" and method == "POST":
        handler.read_body()
        if svc.persister is not None:
            svc.persister.flush()
        return _send_json(handler, 200, {"flushed": svc.persister is not None})
    if path == "/_control/seed" and method == "POST":
        seed, error = _read_json(handler)
        if not error and not (isinstance(seed, dict) and isinstance(seed.get("bucket"), str)
                              and isinstance(seed.get("keys"), list) and all(isinstance(k, str) and k for k in seed["keys"])
                              and isinstance(seed.get("body", ""), str)):
            error = 'a seed is {"bucket": "...", "keys": ["...", ...], "body": "..."}'
        if error:
            return _send_json(handler, 400, {"error": error})
        if not svc.seed(seed["bucket"], seed["keys"], seed.get("body", "").encode("utf-8")):
            return _send_json(handler, 404, {"error": "no bucket %s" % seed["bucket"]})
        return _send_json(handler, 200, {"seeded": len(seed["keys"])})
    if path == "/_control/reset" and method == "POST":
        handler.read_body()
        ok = svc.reset()
        return _send_json(handler, 200 if ok else 500, {"reset": ok})
    handler.read_body()
    return _send_json(handler, 404, {"error": "no control function %s %s" % (method, path)})


def callback(handler, raw_path, raw_query, body, rule):
    """Records a request to /_callback/<name> and answers 200 (a fault rule may answer else)."""
    if not raw_path.startswith(CALLBACK_PREFIX) or len(raw_path) == len(CALLBACK_PREFIX):
        return _send_json(handler, 404, {"error": "the service's own host answers /_control/ and /_callback/<name>"})
    name = dialect.form_decode(raw_path[len(CALLBACK_PREFIX):].split(b"/")[0]).decode("utf-8", "replace")
    handler.svc.recorder.record(
        name,
        handler.command,
        raw_path.decode("latin-1"),
        raw_query.decode("latin-1"),
        handler.headers.items(),
        body,
    )
    if rule is not None and rule.get("when") == "after":
        handler.apply_after(rule, "callback")
    handler.reply(200, [("Content-Type", "text/plain")], b"OK")
