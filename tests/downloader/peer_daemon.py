"""Start, stop and command line shared by the downloader tests' own peers: each runs as a
detached process writing DIR/pid, and is up once it has written DIR/ports."""
import argparse
import os
import signal
import subprocess
import sys
import time


def write_atomic(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)
    os.replace(tmp, path)


def _read_pid(state):
    try:
        with open(os.path.join(state, "pid")) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def _is_ours(pid, script):
    """A pid file can outlive its process and its number be reused."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return os.path.basename(script).encode() in f.read()
    except OSError:
        return False


def stop(state, script):
    pid = _read_pid(state)
    if pid and _is_ours(pid, script):
        try:
            os.kill(pid, signal.SIGTERM)
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline:
                os.kill(pid, 0)
                time.sleep(0.05)
            os.kill(pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
    for name in ("pid", "ports"):
        try:
            os.remove(os.path.join(state, name))
        except FileNotFoundError:
            pass
    return 0


def start(state, script, log_name, label, timeout):
    os.makedirs(state, exist_ok=True)
    with open(os.path.join(state, log_name), "ab") as log:
        proc = subprocess.Popen([sys.executable, os.path.realpath(script), "serve", "--state-dir", state],
                                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                start_new_session=True, close_fds=True, cwd=state)
    write_atomic(os.path.join(state, "pid"), "%d\n" % proc.pid)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and proc.poll() is None:
        try:
            with open(os.path.join(state, "ports")) as f:
                print(f.read().strip())
            return 0
        except FileNotFoundError:
            time.sleep(0.05)
    sys.stderr.write("%s did not come up; see %s\n" % (label, os.path.join(state, log_name)))
    stop(state, script)
    return 1


def main(doc, script, serve, log_name, label, timeout=30, before_start=None):
    """`serve(state)` runs the peer in the foreground; `before_start(state)` clears what a
    fresh start must not see."""
    ap = argparse.ArgumentParser(description=doc, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("command", choices=["start", "stop", "serve"])
    ap.add_argument("--state-dir", required=True)
    args = ap.parse_args()
    state = os.path.abspath(args.state_dir)
    if args.command == "serve":
        serve(state)
        return 0
    if args.command == "stop":
        return stop(state, script)
    stop(state, script)
    if before_start:
        before_start(state)
    return start(state, script, log_name, label, timeout)
