#!/usr/bin/env python3
"""Starts and stops the HTTP test server in the background.

  ctl.py start --state-dir DIR [--root DIR]   prints the port once the server answers
  ctl.py stop  --state-dir DIR                succeeds also when nothing runs

State folder: port, pid, root (served folder), requests.log, server.log, files/ (default root).
"""

import argparse
import http.client
import os
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.realpath(__file__))
SERVER = os.path.join(HERE, "server.py")
START_TIMEOUT = 10.0
STOP_TIMEOUT = 5.0


def read_int(path):
    try:
        with open(path) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def is_our_server(pid):
    """Guards against a pid file that outlived its process and whose number was reused."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return SERVER.encode() in f.read()
    except OSError:
        try:
            os.kill(pid, 0)  # no /proc: trust the pid while the process exists
            return True
        except OSError:
            return False


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        return True
    try:  # a zombie counts as gone
        with open("/proc/%d/stat" % pid) as f:
            if f.read().rsplit(")", 1)[-1].split()[0] == "Z":
                return False
    except (OSError, IndexError):
        pass
    try:
        return os.waitpid(pid, os.WNOHANG) == (0, 0)
    except ChildProcessError:
        return True


def ping(port):
    try:
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=2)
        conn.request("GET", "/_control/ping")
        ok = conn.getresponse().status == 200
        conn.close()
        return ok
    except OSError:
        return False


def remove(*paths):
    for p in paths:
        try:
            os.remove(p)
        except FileNotFoundError:
            pass


def stop(state):
    pid = read_int(os.path.join(state, "pid"))
    if pid is not None and pid > 0 and is_our_server(pid):
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        deadline = time.monotonic() + STOP_TIMEOUT
        while alive(pid) and time.monotonic() < deadline:
            time.sleep(0.05)
        if alive(pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    remove(os.path.join(state, "pid"), os.path.join(state, "port"))
    return 0


def start(state, root):
    os.makedirs(state, exist_ok=True)
    stop(state)  # a server left over from an interrupted run
    root = os.path.abspath(root or os.path.join(state, "files"))
    os.makedirs(root, exist_ok=True)
    port_file = os.path.join(state, "port")
    remove(port_file)
    with open(os.path.join(state, "root"), "w") as f:
        f.write(root + "\n")

    log = open(os.path.join(state, "server.log"), "ab")
    proc = subprocess.Popen(
        [sys.executable, SERVER, "--root", root, "--port-file", port_file,
         "--request-log", os.path.join(state, "requests.log")],
        stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
        start_new_session=True, close_fds=True, cwd=state)
    log.close()
    with open(os.path.join(state, "pid"), "w") as f:
        f.write("%d\n" % proc.pid)

    deadline = time.monotonic() + START_TIMEOUT
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            break
        port = read_int(port_file)
        if port and ping(port):
            print(port)
            return 0
        time.sleep(0.05)
    sys.stderr.write("test server did not come up; see %s\n" % os.path.join(state, "server.log"))
    stop(state)
    return 1


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("command", choices=["start", "stop"])
    ap.add_argument("--state-dir", required=True)
    ap.add_argument("--root", help="served folder (default: STATE/files)")
    args = ap.parse_args()
    state = os.path.abspath(args.state_dir)
    if args.command == "start":
        return start(state, args.root)
    return stop(state)


if __name__ == "__main__":
    sys.exit(main())
