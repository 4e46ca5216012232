#!/usr/bin/env python3
"""Starts or stops the local ZYM service for the CTest fixture `zym_service`.

start: runs the service in the background with --port 0 and the demo and test accounts, waits
for its ready line and writes <state>/endpoint ("zym.localhost:PORT") and <state>/pid.
stop: sends SIGTERM to the recorded process and waits until it has ended."""

import os
import selectors
import signal
import subprocess
import sys

ACCOUNTS = ["demo-key-id:demo-key-secret", "test-key-id:test-key-secret"]
READY_PREFIX = "ready http://"
START_TIMEOUT_SECONDS = 60
STOP_TIMEOUT_SECONDS = 60


def start(tool, state):
    os.makedirs(state, exist_ok=True)
    stop(state, quiet=True)  # a service left by an interrupted run
    args = [sys.executable, tool, "--port", "0"]
    for account in ACCOUNTS:
        args += ["--account", account]
    with open(os.path.join(state, "service.log"), "ab") as log:
        proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log,
                                start_new_session=True)
    with selectors.DefaultSelector() as sel:
        sel.register(proc.stdout, selectors.EVENT_READ)
        line = proc.stdout.readline().decode("utf-8").strip() if sel.select(START_TIMEOUT_SECONDS) else ""
    if not line.startswith(READY_PREFIX):
        proc.kill()
        proc.wait()
        print("the local service did not start (%r); see %s/service.log" % (line, state), file=sys.stderr)
        return 1
    endpoint = line[len(READY_PREFIX):]
    with open(os.path.join(state, "pid"), "w") as f:
        f.write("%d\n" % proc.pid)
    with open(os.path.join(state, "endpoint"), "w") as f:
        f.write(endpoint + "\n")
    print("local service %s (pid %d)" % (endpoint, proc.pid))
    return 0


def stop(state, quiet=False):
    pid_file = os.path.join(state, "pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        if not quiet:
            print("no pid file in %s" % state)
        return 0
    try:
        # A pidfd waits for this exact process (no pid reuse race, no polling).
        fd = os.pidfd_open(pid)
    except ProcessLookupError:
        fd = None
    if fd is not None:
        try:
            os.kill(pid, signal.SIGTERM)
            with selectors.DefaultSelector() as sel:
                sel.register(fd, selectors.EVENT_READ)
                if not sel.select(STOP_TIMEOUT_SECONDS):
                    os.kill(pid, signal.SIGKILL)
                    print("the local service did not stop; killed pid %d" % pid, file=sys.stderr)
        except ProcessLookupError:
            pass
        finally:
            os.close(fd)
    for name in ("pid", "endpoint"):
        try:
            os.remove(os.path.join(state, name))
        except FileNotFoundError:
            pass
    return 0


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("start", "stop"):
        print("usage: service_ctl.py start|stop TOOL STATE_DIR", file=sys.stderr)
        return 2
    if sys.argv[1] == "start":
        return start(sys.argv[2], sys.argv[3])
    return stop(sys.argv[3])


if __name__ == "__main__":
    sys.exit(main())
