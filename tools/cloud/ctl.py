#!/usr/bin/env python3
"""Starts and stops the cloud stand-in in the background, and prints its journal.

  ctl.py start   --state-dir DIR [--journal-dir J] [--hosts main,fallback] [--down HOST] [--rule JSON]
  ctl.py stop    --state-dir DIR
  ctl.py journal --state-dir DIR [--contains TEXT] [--host NAME] [--raw]

start prints "main=PORT fallback=PORT" once every host answers.
"""

import argparse
import importlib.util
import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.realpath(__file__))
SERVER = os.path.join(HERE, "cloud.py")
START_TIMEOUT = 10.0

_spec = importlib.util.spec_from_file_location(
    "testserver_ctl", os.path.join(HERE, "..", "testserver", "ctl.py"))
tsctl = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(tsctl)
tsctl.SERVER = SERVER  # its pid check must recognise our process


def read_ports(state):
    try:
        with open(os.path.join(state, "ports.json")) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def stop(state):
    tsctl.stop(state)
    for name in os.listdir(state) if os.path.isdir(state) else []:
        if name.startswith("port.") or name == "ports.json":
            tsctl.remove(os.path.join(state, name))
    return 0


def start(state, args):
    os.makedirs(state, exist_ok=True)
    stop(state)
    cmd = [sys.executable, SERVER, "--state-dir", state, "--hosts", args.hosts]
    if args.journal_dir:
        cmd += ["--journal-dir", os.path.abspath(args.journal_dir)]
    if args.root:
        cmd += ["--root", os.path.abspath(args.root)]
    for host in args.down:
        cmd += ["--down", host]
    for rule in args.rule:
        cmd += ["--rule", rule]
    log = open(os.path.join(state, "server.log"), "ab")
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=log,
                            start_new_session=True, close_fds=True, cwd=state)
    log.close()
    with open(os.path.join(state, "pid"), "w") as f:
        f.write("%d\n" % proc.pid)
    deadline = time.monotonic() + START_TIMEOUT
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            break
        if tsctl.read_int(os.path.join(state, "port")):
            ports = read_ports(state)
            if ports and all(tsctl.ping(p) for p in ports.values()):
                print(" ".join("%s=%d" % kv for kv in ports.items()))
                return 0
        time.sleep(0.05)
    sys.stderr.write("cloud stand-in did not come up; see %s\n" % os.path.join(state, "server.log"))
    stop(state)
    return 1


def show_journal(state, args):
    try:
        with open(os.path.join(state, "journal_dir")) as f:
            folder = f.read().strip()
    except OSError:
        folder = os.path.join(state, "journal")
    with open(os.path.join(folder, "journal.jsonl"), "rb") as f:
        lines = f.read().decode("utf-8").splitlines()
    for line in lines:
        if args.contains and args.contains not in line:
            continue
        try:
            e = json.loads(line)
        except ValueError:
            continue
        if args.host and e.get("host") != args.host:
            continue
        if args.raw:
            print(line)
            continue
        failed = [c for c in e.get("checks", []) if not c["ok"]]
        print("#%d %s %s %s %s -> %s%s" % (e["seq"], e["time"], e["host"], e["method"], e["target"],
                                          e.get("status"), "  [rule %s]" % e["rule"] if "rule" in e else ""))
        for k, v in e["headers"]:
            print("    %s: %s" % (k, v))
        if e.get("body"):
            print("    body: %s" % e["body"][:2000])
        elif e.get("body_base64"):
            print("    body: %d bytes (base64 in the journal)" % e["body_size"])
        for r in e.get("records") or []:
            print("    record: %s" % json.dumps(r, ensure_ascii=False))
        if e.get("reply"):
            print("    reply: %s" % e["reply"][:2000])
        print("    checks: %s" % ("all passed" if not failed else
                                   "; ".join("%s FAILED (%s)" % (c["name"], c["detail"]) for c in failed)))
    return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("command", choices=["start", "stop", "journal"])
    ap.add_argument("--state-dir", required=True)
    ap.add_argument("--journal-dir")
    ap.add_argument("--root")
    ap.add_argument("--hosts", default="main,fallback")
    ap.add_argument("--down", action="append", default=[])
    ap.add_argument("--rule", action="append", default=[])
    ap.add_argument("--contains")
    ap.add_argument("--host")
    ap.add_argument("--raw", action="store_true")
    args = ap.parse_args()
    state = os.path.abspath(args.state_dir)
    if args.command == "start":
        return start(state, args)
    if args.command == "journal":
        return show_journal(state, args)
    return stop(state)


if __name__ == "__main__":
    sys.exit(main())
