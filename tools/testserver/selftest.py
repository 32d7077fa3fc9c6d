#!/usr/bin/env python3
"""Checks the running test server ($ORB_TESTSERVER_DIR) against its documented behaviour.

The shared server may serve other suites at the same time, so checks against it only use
paths and tags of their own; the checks that reset or clear state use a private instance.
Prints one line per check; exits 1 if any fails.
"""

import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback

HERE = os.path.dirname(os.path.realpath(__file__))
RUN = "st%d-%d" % (os.getpid(), int(time.time() * 1000))  # keeps this run's paths apart


def expected_gen(offset, length):
    return bytes(((i % 251) ^ ((i >> 16) & 0xFF)) for i in range(offset, offset + length))


class Server:
    def __init__(self, state_dir):
        self.state_dir = state_dir
        with open(os.path.join(state_dir, "port")) as f:
            self.port = int(f.read())
        with open(os.path.join(state_dir, "root")) as f:
            self.root = f.read().strip()

    def request(self, method, target, headers=None, body=None, conn=None):
        own = conn is None
        conn = conn or http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request(method, target, body=body, headers=headers or {})
        resp = conn.getresponse()
        data = resp.read()
        result = (resp.status, {k.lower(): v for k, v in resp.getheaders()}, data)
        if own:
            conn.close()
        return result

    def get(self, target, **headers):
        return self.request("GET", target, {k.replace("_", "-"): v for k, v in headers.items()})

    def control(self, method, route, doc=None):
        body = json.dumps(doc).encode() if doc is not None else None
        status, _, data = self.request(method, "/_control" + route, body=body,
                                       headers={"Content-Type": "application/json"})
        return status, json.loads(data) if data else None

    def raw(self, request, timeout=10):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=timeout)
        s.sendall(request if isinstance(request, bytes) else request.encode())
        return s

    def put_file(self, name, data):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return "/" + name

    def log(self, contains):
        return self.control("GET", "/log?contains=" + contains)[1]


def read_head(s):
    """Reads a response head from a raw socket: (status, headers, bytes already past it)."""
    buf = b""
    while b"\r\n\r\n" not in buf:
        chunk = s.recv(65536)
        if not chunk:
            raise AssertionError("connection ended inside the response head: %r" % buf)
        buf += chunk
    head, _, rest = buf.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = {}
    for line in lines[1:]:
        k, _, v = line.partition(":")
        headers[k.strip().lower()] = v.strip()
    return int(lines[0].split()[1]), headers, rest


def read_rest(s, data=b"", limit=None):
    """Reads until EOF, reset, timeout or `limit` bytes: (bytes, how it ended)."""
    while limit is None or len(data) < limit:
        try:
            chunk = s.recv(65536)
        except ConnectionResetError:
            return data, "reset"
        except socket.timeout:
            return data, "timeout"
        if not chunk:
            return data, "eof"
        data += chunk
    return data, "limit"


def get_raw(srv, target, extra="", timeout=10):
    s = srv.raw("GET %s HTTP/1.1\r\nHost: x\r\n%s\r\n" % (target, extra), timeout)
    status, headers, rest = read_head(s)
    return s, status, headers, rest


def expect(cond, message):
    if not cond:
        raise AssertionError(message)


def eq(actual, wanted, what):
    if actual != wanted:
        raise AssertionError("%s: got %r, want %r" % (what, _short(actual), _short(wanted)))


def _short(v):
    return v[:60] + b"..." if isinstance(v, bytes) and len(v) > 60 else v


CHECKS = []


def check(fn):
    CHECKS.append(fn)
    return fn


# --- content ---------------------------------------------------------------------------------

@check
def server_answers(srv):
    eq(srv.control("GET", "/ping"), (200, {"ok": True}), "ping")
    eq(os.path.realpath(srv.control("GET", "/info")[1]["root"]), os.path.realpath(srv.root),
       "served root")


RANGE_CASES = [  # header, status, slice of the body or None for the 416
    ("bytes=0-99", 206, slice(0, 100)),
    ("bytes=990-", 206, slice(990, None)),
    ("bytes=-10", 206, slice(-10, None)),
    ("bytes=900-5000", 206, slice(900, None)),
    ("bytes=-5000", 206, slice(0, None)),
    ("bytes=999-999", 206, slice(999, 1000)),
    ("bytes=1000-", 416, None),
    ("bytes=5000-6000", 416, None),
    ("bytes=-0", 416, None),
    ("bytes=0-1,5-6", 200, slice(0, None)),  # several ranges: whole body
    ("bytes=5-2", 200, slice(0, None)),      # invalid: ignored
    ("items=0-1", 200, slice(0, None)),
]


@check
def static_and_generated_ranges(srv):
    data = os.urandom(1000)
    resources = {srv.put_file("%s/static.bin" % RUN, data): data,
                 "/gen/1000/%s" % RUN: expected_gen(0, 1000)}
    for path, body in resources.items():
        status, h, got = srv.get(path)
        eq((status, got), (200, body), path + " whole")
        eq((h.get("content-length"), h.get("accept-ranges")), ("1000", "bytes"), path + " headers")
        expect("etag" in h and "last-modified" in h, path + " has no ETag/Last-Modified")
        status, hh, got = srv.request("HEAD", path)
        eq((status, got, hh.get("content-length")), (200, b"", "1000"), path + " HEAD")
        for header, want_status, part in RANGE_CASES:
            status, h, got = srv.get(path, Range=header)
            what = "%s %s" % (path, header)
            eq(status, want_status, what + " status")
            if part is None:
                eq(h.get("content-range"), "bytes */1000", what + " Content-Range")
                continue
            eq(got, body[part], what + " body")
            eq(h.get("content-length"), str(len(got)), what + " Content-Length")
            if want_status == 206:
                first = part.indices(1000)[0]
                eq(h.get("content-range"), "bytes %d-%d/1000" % (first, first + len(got) - 1),
                   what + " Content-Range")
            else:
                expect("content-range" not in h, what + " has a Content-Range")


@check
def empty_file(srv):
    path = srv.put_file("%s/empty.bin" % RUN, b"")
    eq(srv.get(path)[0::2], (200, b""), "whole")
    eq(srv.get(path, Range="bytes=0-")[0], 416, "any range")


@check
def missing_and_escaping_paths(srv):
    os.makedirs(os.path.join(srv.root, RUN), exist_ok=True)
    link = os.path.join(srv.root, RUN, "out")
    if not os.path.lexists(link):
        os.symlink("/etc", link)
    for target, want in [("/%s/nothing-here" % RUN, 404), ("/%s" % RUN, 404),
                         ("/../etc/passwd", 403), ("/%2e%2e/etc/passwd", 403),
                         ("/%s/../../etc/passwd" % RUN, 403), ("/%s/out/passwd" % RUN, 403)]:
        s, status, _, _ = get_raw(srv, target)
        s.close()
        eq(status, want, target)


@check
def generated_content(srv):
    for size_text, size in [("10", 10), ("3K", 3072), ("2M", 2 << 20), ("1G", 1 << 30),
                            ("5k", 5120)]:
        status, h, _ = srv.request("HEAD", "/gen/" + size_text)
        eq((status, h.get("content-length")), (200, str(size)), "/gen/" + size_text)
    status, _, got = srv.get("/gen/1M/%s/any-name.exe" % RUN)
    eq((status, got), (200, expected_gen(0, 1 << 20)), "1 MiB body")
    status, _, got = srv.get("/gen/16M", Range="bytes=16711000-16711999")
    eq((status, got), (206, expected_gen(16711000, 1000)), "range near 16 MiB")
    eq(srv.get("/gen/5x")[0], 400, "bad size")


@check
def redirects(srv):
    for code in (301, 302, 303, 307, 308):
        status, h, _ = srv.get("/redirect/%d/gen/1K?x=1" % code)
        eq((status, h.get("location")), (code, "/gen/1K?x=1"), "redirect %d" % code)
    status, h, _ = srv.get("/redirect/302/redirect/301/gen/1K")
    eq(h.get("location"), "/redirect/301/gen/1K", "chain")
    eq(srv.get("/redirect/200/gen/1K")[0], 400, "non-3xx code")
    # The redirect itself is not faulted: its query rides along.
    status, h, _ = srv.get("/redirect/307/gen/1K?status=500")
    eq((status, h.get("location")), (307, "/gen/1K?status=500"), "faults ride along")
    path = "/redirect/302/gen/1K/%s-redir" % RUN
    srv.control("POST", "/faults", {"path": path, "faults": {"status": 500}, "count": 1})
    eq([srv.get(path)[0] for _ in range(2)], [500, 302], "a rule applies to the redirect")


@check
def keep_alive(srv):
    conn = http.client.HTTPConnection("127.0.0.1", srv.port, timeout=10)
    tag = RUN + "-ka"
    results = [srv.request("GET", "/gen/100/%s" % tag, conn=conn)[0],
               srv.request("GET", "/%s/missing" % tag, conn=conn)[0],
               srv.request("GET", "/gen/100/%s?status=500" % tag, conn=conn)[0],
               srv.request("GET", "/gen/100/%s" % tag, {"Range": "bytes=1-2"}, conn=conn)[0]]
    conn.close()
    eq(results, [200, 404, 500, 206], "statuses on one connection")
    conns = {e["conn"] for e in srv.log(tag)}
    eq(len(conns), 1, "connections used")


# --- faults ----------------------------------------------------------------------------------

@check
def fault_status(srv):
    conn = http.client.HTTPConnection("127.0.0.1", srv.port, timeout=10)
    for code in (404, 416, 500, 503, 299, 204, 304):
        status, h, body = srv.request("GET", "/gen/1K?status=%d" % code, conn=conn)
        wanted = b"" if code in (204, 304) else b"status %d\n" % code
        eq((status, body), (code, wanted), "status=%d" % code)
        if code == 416:
            eq(h.get("content-range"), "bytes */1024", "416 Content-Range")
    eq(srv.request("GET", "/gen/1K", conn=conn)[0::2], (200, expected_gen(0, 1024)),
       "the connection still works")
    conn.close()
    for bad in ("abc", "150", "-1"):
        eq(srv.get("/gen/1K?status=" + bad)[0], 400, "status=" + bad)


@check
def fault_latency(srv):
    began = time.monotonic()
    status = srv.get("/gen/1K?latency_ms=400")[0]
    elapsed = time.monotonic() - began
    expect(status == 200 and elapsed >= 0.38, "latency: status %d after %.2fs" % (status, elapsed))


@check
def fault_stall(srv):
    s, status, h, rest = get_raw(srv, "/gen/100K?stall_after=1000&stall_secs=1.5")
    began = time.monotonic()
    body, how = read_rest(s, rest, limit=1000)
    eq((status, len(body)), (200, 1000), "bytes before the stall")
    s.settimeout(1.0)
    body, how = read_rest(s, body, limit=1001)
    eq((how, len(body)), ("timeout", 1000), "silence during the stall")
    s.settimeout(5)
    body, how = read_rest(s, body, limit=100 * 1024)
    s.close()
    elapsed = time.monotonic() - began
    eq(body, expected_gen(0, 100 * 1024), "body after the stall")
    expect(1.4 <= elapsed < 4, "stall lasted %.2fs" % elapsed)


@check
def fault_stall_client_leaves(srv):
    tag = RUN + "-leave"
    s, status, _, rest = get_raw(srv, "/gen/1M/%s?stall_after=0&stall_secs=30" % tag)
    s.close()
    deadline = time.monotonic() + 3
    while time.monotonic() < deadline:
        entries = srv.log(tag)
        if entries and entries[0]["error"]:
            break
        time.sleep(0.1)
    eq((status, entries[0]["error"], entries[0]["bytes_sent"]),
       (200, "client closed during stall", 0), "stalled request after the client left")


CUT_CASES = [  # query, status, announced length, body bytes the client gets, how it ends
    ("close_after=5000", 200, "1048576", 5000, "eof"),
    ("close_after=0", 200, "1048576", 0, "eof"),
    ("bad_length=100", 200, "1048676", 1048576, "eof"),
    ("bad_length=-100", 200, "1048476", 1048576, "eof"),
    ("no_length=1", 200, None, 1048576, "eof"),
]


@check
def fault_cut_connections(srv):
    for query, want_status, announced, want_len, want_end in CUT_CASES:
        s, status, h, rest = get_raw(srv, "/gen/1M?" + query)
        body, how = read_rest(s, rest)
        s.close()
        eq((status, h.get("content-length"), len(body), how),
           (want_status, announced, want_len, want_end), query)
        eq(body, expected_gen(0, want_len), query + " body")
        if how == "eof" and query != "close_after=5000" and query != "close_after=0":
            eq(h.get("connection"), "close", query + " Connection header")


@check
def fault_reset(srv):
    s, status, h, rest = get_raw(srv, "/gen/1M?reset_after=5000")
    body, how = read_rest(s, rest)
    s.close()
    eq((status, how), (200, "reset"), "reset_after")
    expect(len(body) <= 5000, "reset_after sent %d bytes" % len(body))


@check
def fault_ignore_range(srv):
    status, h, body = srv.get("/gen/1K?ignore_range=1", Range="bytes=10-19")
    eq((status, body, "content-range" in h), (200, expected_gen(0, 1024), False), "ignore_range")


@check
def fault_rate(srv):
    began = time.monotonic()
    status, _, body = srv.get("/gen/10M?rate=40000", Range="bytes=0-59999")
    elapsed = time.monotonic() - began
    eq((status, body), (206, expected_gen(0, 60000)), "rate-limited body")
    expect(1.3 <= elapsed <= 3.0, "60000 bytes at 40000 B/s took %.2fs" % elapsed)


@check
def if_range_and_etag(srv):
    _, h, _ = srv.request("HEAD", "/gen/1K")
    etag, modified = h["etag"], h["last-modified"]
    for target, cond, want in [("/gen/1K", etag, 206), ("/gen/1K", '"other"', 200),
                               ("/gen/1K", modified, 206),
                               ("/gen/1K", "Thu, 01 Jan 2015 00:00:00 GMT", 200),
                               ("/gen/1K?etag=v2", etag, 200), ("/gen/1K?etag=v2", '"v2"', 206)]:
        status, _, _ = srv.get(target, Range="bytes=0-9", If_Range=cond)
        eq(status, want, "%s If-Range %s" % (target, cond))
    eq(srv.request("HEAD", "/gen/1K?etag=v2")[1].get("etag"), '"v2"', "etag fault")


@check
def fault_selection(srv):
    cases = [  # query, requests (method), statuses wanted
        ("times=2", ["GET"] * 3, [503, 503, 200]),
        ("skip=1&times=1", ["GET"] * 3, [200, 503, 200]),
        ("skip=2", ["GET"] * 4, [200, 200, 503, 503]),
        ("methods=GET&times=1", ["HEAD", "GET", "GET"], [200, 503, 200]),
    ]
    for n, (query, methods, wanted) in enumerate(cases):
        target = "/gen/1K?status=503&tag=%s-sel%d&%s" % (RUN, n, query)
        got = [srv.request(m, target)[0] for m in methods]
        eq(got, wanted, query)
    # Without a tag the count belongs to the path and its faults.
    target = "/gen/1K/%s-untagged?status=500&times=1" % RUN
    eq([srv.get(target)[0] for _ in range(2)], [500, 200], "untagged times")


@check
def control_rules(srv):
    path = "/gen/1K/%s-rule" % RUN
    eq(srv.control("POST", "/faults", {"path": path, "faults": {"status": 500}, "count": 2}),
       (200, {"ok": True}), "set rule")
    listed = [r for r in srv.control("GET", "/faults")[1] if r["path"] == path]
    eq([(r["faults"], r["count"]) for r in listed], [({"status": 500}, 2)], "listed rule")
    eq([srv.get(path)[0] for _ in range(3)], [500, 500, 200], "count=2")

    srv.control("POST", "/faults", {"path": path, "faults": {"status": 502}})
    eq(srv.get(path + "?status=404")[0], 404, "query overrides the rule")
    eq(srv.get(path)[0], 502, "rule without count")
    eq(srv.control("POST", "/faults/clear", {"path": path})[0], 200, "clear one")
    eq(srv.get(path)[0], 200, "after clear")

    prefix = "/gen/1K/%s-pre" % RUN
    srv.control("POST", "/faults", {"path": prefix + "*", "faults": {"ignore_range": 1},
                                    "methods": "GET"})
    eq(srv.get(prefix + "/a", Range="bytes=0-0")[0], 200, "prefix rule")
    eq(srv.get("/gen/1K/%s-other" % RUN, Range="bytes=0-0")[0], 206, "other path untouched")
    srv.control("POST", "/faults", {"path": prefix + "*", "faults": {}})
    eq(srv.get(prefix + "/a", Range="bytes=0-0")[0], 206, "empty faults clear the rule")

    for bad in [{"faults": {"status": 500}}, {"path": path, "faults": {"stall": 1}},
                {"path": path, "faults": {"rate": "fast"}}, [1, 2]]:
        eq(srv.control("POST", "/faults", bad)[0], 400, "rejects %r" % (bad,))
    status, _, _ = srv.request("POST", "/_control/faults", body=b"{nope")
    eq(status, 400, "rejects bad JSON")


@check
def request_log(srv):
    tag = RUN + "-log"
    srv.request("GET", "/gen/1K/%s?x=1" % tag, {"User-Agent": "orb-test/1", "Range": "bytes=0-9"})
    s, _, _, rest = get_raw(srv, "/gen/1K/%s?close_after=100" % tag)
    read_rest(s, rest)
    s.close()
    srv.request("HEAD", "/%s/missing" % tag)
    time.sleep(0.2)  # the second exchange ends in the server after the client saw EOF
    entries = srv.log(tag)
    got = [(e["method"], e["target"].split("?")[0], e["range"], e["status"], e["bytes_sent"],
            e["done"], e["error"]) for e in entries]
    eq(got, [("GET", "/gen/1K/" + tag, "bytes=0-9", 206, 10, True, None),
             ("GET", "/gen/1K/" + tag, None, 200, 100, False, "close_after"),
             ("HEAD", "/%s/missing" % tag, None, 404, 0, True, None)], "log entries")
    eq(entries[0]["headers"].get("user-agent"), "orb-test/1", "logged User-Agent")
    eq(srv.control("GET", "/log?path=/gen/1K/" + tag)[1], entries[:2], "path filter")

    # The file mirror: partial records keyed by id, merged.
    records = {}
    with open(os.path.join(srv.state_dir, "requests.log"), encoding="utf-8") as f:
        for line in f:
            fields = dict(kv.split("=", 1) for kv in line.rstrip("\n").split("\t"))
            records.setdefault(fields["id"], {}).update(fields)
    mine = [r for r in records.values() if tag in r.get("target", "")]
    eq([(r["method"], r["status"], r["sent"], r["done"], r["error"], r.get("h.user-agent"),
         r["range"]) for r in mine],
       [("GET", "206", "10", "1", "", "orb-test/1", "bytes=0-9"),
        ("GET", "200", "100", "0", "close_after", None, ""),
        ("HEAD", "404", "0", "1", "", None, "")], "file records")


@check
def many_connections_at_once(srv):
    threads, results = [], []

    def stalled():
        s, status, _, rest = get_raw(srv, "/gen/10K?stall_after=100&stall_secs=2")
        body, _ = read_rest(s, rest, limit=10240)
        s.close()
        results.append((status, len(body)))

    for _ in range(12):
        threads.append(threading.Thread(target=stalled))
        threads[-1].start()
    time.sleep(0.3)
    began = time.monotonic()
    status = srv.get("/gen/1K")[0]
    quick = time.monotonic() - began
    for t in threads:
        t.join(10)
    eq(status, 200, "request beside stalled ones")
    expect(quick < 1.0, "request beside stalled ones took %.2fs" % quick)
    eq(sorted(results), [(200, 10240)] * 12, "stalled requests completed")


@check
def parallel_ranged_download(srv):
    size, parts = 8 << 20, 6
    bounds = [(i * size // parts, (i + 1) * size // parts - 1) for i in range(parts)]
    got = {}
    tag = RUN + "-par"

    def fetch(first, last):
        got[first] = srv.get("/gen/8M/%s" % tag, Range="bytes=%d-%d" % (first, last))

    threads = [threading.Thread(target=fetch, args=b) for b in bounds]
    for t in threads:
        t.start()
    for t in threads:
        t.join(30)
    eq(sorted(r[0] for r in got.values()), [206] * parts, "statuses")
    eq(b"".join(got[first][2] for first, _ in bounds), expected_gen(0, size), "joined body")
    eq(sorted(e["range"] for e in srv.log(tag)),
       sorted("bytes=%d-%d" % b for b in bounds), "logged ranges")


@check
def bad_clients_do_not_hurt(srv):
    for junk in [b"NONSENSE\r\n\r\n", b"GET / HTTP/9.9\r\n\r\n", b"\x16\x03\x01\x02\x00\x01",
                 b"GET /gen/1K HTTP/1.1\r\nHost", b"GET /gen/1K HTTP/1.1\r\nContent-Length: x\r\n\r\n"]:
        s = srv.raw(junk, timeout=2)
        s.shutdown(socket.SHUT_WR)
        read_rest(s)
        s.close()
    for _ in range(5):  # leave in the middle of big bodies
        s, status, _, rest = get_raw(srv, "/gen/100M")
        s.close()
    s, _, _, _ = get_raw(srv, "/gen/100M?rate=1000")
    s.close()
    eq(srv.get("/gen/1K")[0], 200, "still serving")


# --- a private instance: control of the process, and the state-wide resets -----------------

def ctl(*args):
    return subprocess.run([sys.executable, os.path.join(HERE, "ctl.py")] + list(args),
                          capture_output=True, text=True, timeout=30)


def pid_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[-1].split()[0] != "Z"
    except OSError:
        return True


@check
def private_instance(_):
    with tempfile.TemporaryDirectory() as tmp:
        state, root = os.path.join(tmp, "state"), os.path.join(tmp, "www")
        r = ctl("start", "--state-dir", state, "--root", root)
        eq(r.returncode, 0, "start: " + r.stderr)
        srv = Server(state)
        eq(r.stdout.strip(), str(srv.port), "printed port")
        pid = int(open(os.path.join(state, "pid")).read())
        expect(pid_alive(pid), "server process not running")
        eq(srv.root, os.path.realpath(root), "root file")

        srv.put_file("a.txt", b"abc")
        eq(srv.get("/a.txt")[0::2], (200, b"abc"), "file from --root")
        srv.control("POST", "/faults", {"path": "/a.txt", "faults": {"status": 500}})
        eq(srv.get("/a.txt")[0], 500, "rule set")
        expect(len(srv.log("")) == 2, "two requests logged")
        eq(srv.control("POST", "/log/clear"), (200, {"ok": True}), "log clear")
        eq(srv.log(""), [], "log after clear")
        eq(os.path.getsize(os.path.join(state, "requests.log")), 0, "log file after clear")
        srv.get("/a.txt")
        eq(srv.control("POST", "/reset"), (200, {"ok": True}), "reset")
        eq((srv.get("/a.txt")[0], srv.control("GET", "/faults")[1]), (200, []), "after reset")
        eq(len(srv.log("")), 1, "log after reset")

        r = ctl("start", "--state-dir", state, "--root", root)  # replaces the running one
        eq(r.returncode, 0, "second start")
        time.sleep(0.2)
        expect(not pid_alive(pid), "the replaced server still runs")
        pid = int(open(os.path.join(state, "pid")).read())

        eq(ctl("stop", "--state-dir", state).returncode, 0, "stop")
        expect(not pid_alive(pid), "server still runs after stop")
        expect(not os.path.exists(os.path.join(state, "port")), "port file left behind")
        eq(ctl("stop", "--state-dir", state).returncode, 0, "second stop")

        blocker = os.path.join(tmp, "a-file")
        open(blocker, "w").close()
        began = time.monotonic()
        r = ctl("start", "--state-dir", os.path.join(tmp, "s2"), "--root",
                os.path.join(blocker, "sub"))
        expect(r.returncode != 0, "start with an impossible root succeeded")
        expect(time.monotonic() - began < 12, "failed start took too long")


def main():
    state = os.environ.get("ORB_TESTSERVER_DIR")
    if not state:
        print("ORB_TESTSERVER_DIR is not set")
        return 2
    try:
        srv = Server(state)
    except (OSError, ValueError) as e:
        print("FAIL no running test server in %s: %s" % (state, e))
        return 1
    only = set(sys.argv[1:])
    failed = 0
    for fn in CHECKS:
        if only and fn.__name__ not in only:
            continue
        began = time.monotonic()
        try:
            fn(srv)
            print("ok   %-32s %.2fs" % (fn.__name__, time.monotonic() - began), flush=True)
        except Exception as e:
            failed += 1
            detail = str(e) if isinstance(e, AssertionError) else traceback.format_exc()
            print("FAIL %-32s %s" % (fn.__name__, detail), flush=True)
    print("%s: %d check(s) failed" % ("FAILED" if failed else "passed", failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
