#!/usr/bin/env python3
"""Starts or stops the local update server for the CTest fixture `zym_update_server`.

start: runs the server in the background with --port 0 and <state>/files as its files folder,
waits for its ready line and writes <state>/endpoint ("http://127.0.0.1:PORT") and <state>/pid.
stop: the same stop as the local ZYM service's fixture (SIGTERM, wait for the process)."""

import os
import selectors
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "service_fixture"))
import service_ctl  # noqa: E402

READY_PREFIX = "ready "


def start(tool, state):
    os.makedirs(os.path.join(state, "files"), exist_ok=True)
    service_ctl.stop(state, quiet=True)
    args = [sys.executable, tool, "--port", "0", "--files", os.path.join(state, "files")]
    with open(os.path.join(state, "server.log"), "ab") as log:
        proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log,
                                start_new_session=True)
    with selectors.DefaultSelector() as sel:
        sel.register(proc.stdout, selectors.EVENT_READ)
        line = proc.stdout.readline().decode("utf-8").strip() if sel.select(30) else ""
    if not line.startswith(READY_PREFIX):
        proc.kill()
        proc.wait()
        print("the update server did not start (%r)" % line, file=sys.stderr)
        return 1
    with open(os.path.join(state, "pid"), "w") as f:
        f.write("%d\n" % proc.pid)
    with open(os.path.join(state, "endpoint"), "w") as f:
        f.write(line[len(READY_PREFIX):] + "\n")
    print("update server %s (pid %d)" % (line[len(READY_PREFIX):], proc.pid))
    return 0


if __name__ == "__main__":
    command, tool, state = sys.argv[1:4]
    sys.exit(start(tool, state) if command == "start" else service_ctl.stop(state))
