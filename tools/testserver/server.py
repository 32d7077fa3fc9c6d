#!/usr/bin/env python3
"""HTTP/1.1 test server: static files, generated content, redirects and switchable faults.

Started by ctl.py; see README.md in this folder for the interface.
"""

import argparse
import collections
import email.utils
import http.server
import itertools
import json
import math
import os
import select
import signal
import socket
import struct
import sys
import threading
import time
import traceback
import urllib.parse

CHUNK = 64 * 1024
LOG_CAPACITY = 20000
GEN_MTIME = 1577836800  # 2020-01-01: generated content never changes
IDLE_TIMEOUT = 60  # seconds a keep-alive connection may idle (also bounds one blocked write)

STOP = threading.Event()  # wakes sleepers when the server shuts down


# ---------------------------------------------------------------------------------------------
# Generated content: byte i = (i % 251) ^ ((i >> 16) & 0xFF).
# The prime period catches offsets that are off by a power of two; the block term catches
# offsets that are off by a multiple of 251.

_PATTERN = bytes(i % 251 for i in range(251)) * (CHUNK // 251 + 2)
_XOR = [bytes(b ^ k for b in range(256)) for k in range(256)]


def gen_bytes(offset, length):
    parts = []
    while length > 0:
        block = offset >> 16
        n = min(length, ((block + 1) << 16) - offset)
        start = offset % 251
        parts.append(_PATTERN[start:start + n].translate(_XOR[block & 0xFF]))
        offset += n
        length -= n
    return b"".join(parts)


def is_digits(text):
    return text.isascii() and text.isdigit()


SIZE_UNITS = {"": 1, "K": 1 << 10, "M": 1 << 20, "G": 1 << 30}


def parse_size(text):
    unit = text[-1:].upper() if text[-1:].isalpha() else ""
    digits = text[:-1] if unit else text
    if unit not in SIZE_UNITS or not is_digits(digits):
        raise ValueError(text)
    return int(digits) * SIZE_UNITS[unit]


# ---------------------------------------------------------------------------------------------
# Faults

class FaultError(ValueError):
    pass


def _int(v):
    return int(str(v), 10)  # signs allowed: bad_length=-100


def _num(v):
    x = float(str(v))
    if not math.isfinite(x):
        raise ValueError(v)
    return x


def _flag(v):
    return str(v).lower() not in ("0", "false", "no", "")


FAULT_KEYS = {
    "status": _int,        # answer this status with a short text body instead of the content
    "latency_ms": _int,    # sleep before the response headers
    "stall_after": _int,   # body bytes sent before the stall (default 0 if only stall_secs)
    "stall_secs": _num,    # stall length (default 60); the body continues afterwards
    "close_after": _int,   # send this many body bytes, then close (FIN)
    "reset_after": _int,   # send this many body bytes, then abort the connection (RST)
    "bad_length": _int,    # announce Content-Length + this; send the true body, then close
    "no_length": _flag,    # no Content-Length: body ends when the connection closes
    "ignore_range": _flag, # 200 with the whole body whatever Range says
    "rate": _int,          # body bytes per second
    "etag": str,           # replaces the ETag (and decides If-Range)
}
# Selection keys: which requests get the faults.
SELECT_KEYS = {
    "times": _int,    # only this many matching requests (per tag)
    "skip": _int,     # let this many matching requests through first
    "methods": str,   # comma-separated methods, e.g. GET
    "tag": str,       # counter name; defaults to path + query faults
}


def parse_faults(items):
    """items: iterable of (key, value). Returns (faults, selection); unknown keys are ignored."""
    faults, sel = {}, {}
    for key, value in items:
        try:
            if key in FAULT_KEYS:
                faults[key] = FAULT_KEYS[key](value)
            elif key in SELECT_KEYS:
                sel[key] = SELECT_KEYS[key](value)
        except (TypeError, ValueError):
            raise FaultError("bad value for %s: %r" % (key, value))
    for key in ("status", "latency_ms", "stall_after", "close_after", "reset_after", "rate",
                "times", "skip"):
        if key in faults and faults[key] < 0 or key in sel and sel[key] < 0:
            raise FaultError("%s must not be negative" % key)
    if "status" in faults and not 200 <= faults["status"] <= 999:
        raise FaultError("status out of range")
    if "stall_secs" in faults and faults["stall_secs"] < 0:
        raise FaultError("stall_secs must not be negative")
    if faults.get("rate") == 0:
        del faults["rate"]
    return faults, sel


class FaultBook:
    """Per-path rules from the control endpoint and the counters behind `times`/`skip`."""

    def __init__(self):
        self.lock = threading.Lock()
        self.rules = {}      # path or prefix* -> {"faults", "sel"}
        self.counters = collections.Counter()

    def set_rule(self, path, faults, sel):
        with self.lock:
            self.rules[path] = {"faults": faults, "sel": sel}
            self.counters.pop("rule:" + path, None)

    def clear(self, path=None):
        with self.lock:
            if path is None:
                self.rules.clear()
                self.counters.clear()
            else:
                self.rules.pop(path, None)
                self.counters.pop("rule:" + path, None)

    def snapshot(self):
        with self.lock:
            return [{"path": p, "faults": r["faults"], "count": r["sel"].get("times"),
                     "skip": r["sel"].get("skip", 0), "methods": r["sel"].get("methods"),
                     "seen": self.counters["rule:" + p]}
                    for p, r in self.rules.items()]

    def _take(self, key, sel, method):
        # Caller holds the lock. True when this request is inside the selected window.
        methods = sel.get("methods")
        if methods and method not in [m.strip().upper() for m in methods.split(",")]:
            return False
        n = self.counters[key]
        self.counters[key] = n + 1
        skip = sel.get("skip", 0)
        times = sel.get("times")
        return n >= skip and (times is None or n < skip + times)

    def resolve(self, method, path, query_faults, query_sel, query_key):
        faults = {}
        with self.lock:
            rule_path = path if path in self.rules else None
            if rule_path is None:
                prefixes = [p for p in self.rules if p.endswith("*") and path.startswith(p[:-1])]
                rule_path = max(prefixes, key=len) if prefixes else None
            if rule_path is not None:
                rule = self.rules[rule_path]
                if self._take("rule:" + rule_path, rule["sel"], method):
                    faults.update(rule["faults"])
            if query_faults:
                key = "tag:" + query_sel["tag"] if "tag" in query_sel else "query:" + query_key
                if self._take(key, query_sel, method):
                    faults.update(query_faults)
        return faults


# ---------------------------------------------------------------------------------------------
# Request log: in memory for /_control/log, mirrored to a file for readers without sockets.

def _escape(value):
    return (str(value).replace("%", "%25").replace("\t", "%09")
            .replace("\r", "%0D").replace("\n", "%0A"))


class RequestLog:
    def __init__(self, path):
        self.lock = threading.Lock()
        self.entries = collections.deque(maxlen=LOG_CAPACITY)
        self.ids = itertools.count(1)
        self.path = path
        if path:
            open(path, "w").close()

    def _write(self, fields):
        if not self.path:
            return
        line = "\t".join("%s=%s" % (k, _escape(v)) for k, v in fields) + "\n"
        try:
            with open(self.path, "a", encoding="utf-8") as f:
                f.write(line)
        except OSError as e:
            sys.stderr.write("request log write failed: %s\n" % e)

    # The file gets partial records keyed by id: one when the request arrives, one when the
    # status is sent, one when the exchange ends. Readers merge them.
    def add(self, entry):
        with self.lock:
            entry["id"] = next(self.ids)
            self.entries.append(entry)
            fields = [("id", entry["id"]), ("conn", entry["conn"]), ("method", entry["method"]),
                      ("target", entry["target"]), ("range", entry["range"] or "")]
            fields += [("h." + k, v) for k, v in entry["headers"].items()]
            self._write(fields)

    def status(self, entry):
        with self.lock:
            self._write([("id", entry["id"]), ("status", entry["status"])])

    def end(self, entry):
        with self.lock:
            self._write([("id", entry["id"]), ("sent", entry["bytes_sent"]),
                         ("done", 1 if entry["done"] else 0), ("error", entry["error"] or "")])

    def list(self, contains=None, path=None):
        with self.lock:
            return [dict(e) for e in self.entries
                    if (contains is None or contains in e["target"])
                    and (path is None or e["path"] == path)]

    def clear(self):
        with self.lock:
            self.entries.clear()
            if self.path:
                open(self.path, "w").close()


# ---------------------------------------------------------------------------------------------
# Resources

class Resource:
    def __init__(self, size, reader, etag, mtime):
        self.size, self.reader, self.etag, self.mtime = size, reader, etag, mtime

    def read(self, offset, length):
        return self.reader(offset, length)


def file_resource(path):
    st = os.stat(path)
    f = open(path, "rb")

    def reader(offset, length):
        f.seek(offset)
        data = f.read(length)
        if len(data) < length:  # file shrank under us: pad rather than hang the client
            data += b"\0" * (length - len(data))
        return data

    res = Resource(st.st_size, reader, '"%x-%x"' % (st.st_mtime_ns, st.st_size), st.st_mtime)
    res.close = f.close
    return res


def parse_range(header, size):
    """Returns None (serve everything), "unsatisfiable", or (first, last) inclusive."""
    if not header:
        return None
    unit, _, spec = header.partition("=")
    if unit.strip().lower() != "bytes" or "," in spec:
        return None  # other units and multiple ranges: whole body
    first, dash, last = spec.strip().partition("-")
    first, last = first.strip(), last.strip()
    if not dash or not (is_digits(first) or is_digits(last)):
        return None
    if not first:
        if not is_digits(last):
            return None
        n = int(last)
        if n == 0 or size == 0:
            return "unsatisfiable"
        return (max(0, size - n), size - 1)
    if not is_digits(first) or (last and not is_digits(last)):
        return None
    a = int(first)
    b = int(last) if last else size - 1
    if last and b < a:
        return None
    if a >= size:
        return "unsatisfiable"
    return (a, min(b, size - 1))


# ---------------------------------------------------------------------------------------------

class ClientGone(Exception):
    pass


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "orb-testserver/1"
    timeout = IDLE_TIMEOUT

    def version_string(self):
        return self.server_version

    # -- connection -------------------------------------------------------------------------

    def setup(self):
        super().setup()
        # Headers and body go out in separate writes; Nagle would hold the body back.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.conn_id = self.server.next_conn_id()

    def handle(self):
        try:
            super().handle()
        except (ConnectionError, TimeoutError, OSError) as e:
            self.log_message("connection %d ended: %s", self.conn_id, e)
        except Exception:
            self.log_message("connection %d failed:\n%s", self.conn_id, traceback.format_exc())

    def log_message(self, fmt, *args):
        sys.stderr.write("%s [%s] %s\n" % (time.strftime("%Y-%m-%d %H:%M:%S"),
                                           self.client_address[1], fmt % args))

    # -- request dispatch -------------------------------------------------------------------

    def do_GET(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def do_PUT(self):
        self.dispatch()

    def do_DELETE(self):
        self.dispatch()

    def do_OPTIONS(self):
        self.dispatch()

    def read_body(self):
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        try:
            n = int(length)
        except ValueError:
            self.close_connection = True
            return b""
        return self.rfile.read(n) if n > 0 else b""

    def dispatch(self):
        body = self.read_body()
        url = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(url.path)
        if path == "/_control" or path.startswith("/_control/"):
            return self.control(path, url.query, body)

        self.entry = {
            "time": time.time(), "conn": self.conn_id, "method": self.command,
            "target": self.path, "path": path, "range": self.headers.get("Range"),
            "headers": self.header_dict(), "status": None, "bytes_sent": 0,
            "faults": {}, "done": False, "error": None,
        }
        self.server.requests.add(self.entry)
        self.res = None
        try:
            self.serve(path, url.query)
        except ClientGone as e:
            self.entry["error"] = str(e) or "client gone"
            self.close_connection = True
        except (ConnectionError, TimeoutError, OSError) as e:
            self.entry["error"] = "%s: %s" % (type(e).__name__, e)
            self.close_connection = True
            self.log_message("%s %s: %s", self.command, self.path, e)
        finally:
            if self.res is not None and hasattr(self.res, "close"):
                self.res.close()
            self.server.requests.end(self.entry)

    def header_dict(self):
        out = {}
        for k, v in self.headers.items():
            k = k.lower()
            out[k] = out[k] + ", " + v if k in out else v
        return out

    # -- serving ----------------------------------------------------------------------------

    def serve(self, path, query):
        pairs = urllib.parse.parse_qsl(query, keep_blank_values=True)
        try:
            q_faults, q_sel = parse_faults(pairs)
        except FaultError as e:
            return self.simple(400, str(e) + "\n")
        # A redirect passes its query faults on to the target; rules for its path still apply.
        redirect = path.startswith("/redirect/")
        fault_keys = sorted((k, v) for k, v in pairs if k in FAULT_KEYS)
        faults = self.server.faults.resolve(self.command, path, {} if redirect else q_faults,
                                            q_sel, path + "?" + urllib.parse.urlencode(fault_keys))
        self.entry["faults"] = faults

        if "latency_ms" in faults:
            self.sleep(faults["latency_ms"] / 1000.0)
        if redirect:
            return self.redirect(path, query, faults)

        if self.command not in ("GET", "HEAD"):
            return self.simple(405, "method not allowed\n", [("Allow", "GET, HEAD")])

        try:
            self.res = self.resource(path)
        except PermissionError:
            return self.simple(403, "forbidden\n", faults=faults)
        except FileNotFoundError:
            self.res = None
        except ValueError:
            return self.simple(400, "bad size\n", faults=faults)

        if "status" in faults:
            extra = []
            if faults["status"] == 416 and self.res is not None:
                extra.append(("Content-Range", "bytes */%d" % self.res.size))
            return self.simple(faults["status"], "status %d\n" % faults["status"], extra, faults)
        if self.res is None:
            return self.simple(404, "not found\n", faults=faults)
        self.content(self.res, faults)

    def resource(self, path):
        if path.startswith("/gen/"):
            size = parse_size(path[len("/gen/"):].split("/", 1)[0])
            return Resource(size, gen_bytes, '"gen-%x"' % size, GEN_MTIME)
        parts = [p for p in path.split("/") if p]
        if any(p == ".." for p in parts) or "\0" in path:
            raise PermissionError(path)
        root = self.server.root
        full = os.path.realpath(os.path.join(root, *parts))
        if full != root and not full.startswith(root + os.sep):
            raise PermissionError(path)
        if not os.path.isfile(full):
            raise FileNotFoundError(path)
        return file_resource(full)

    def redirect(self, path, query, faults):
        code, _, rest = path[len("/redirect/"):].partition("/")
        if not is_digits(code) or not 300 <= int(code) <= 399:
            return self.simple(400, "redirect code must be 3xx\n")
        if "status" in faults:
            return self.simple(faults["status"], "status %d\n" % faults["status"], (), faults)
        location = "/" + urllib.parse.quote(rest, safe="/:@!$&'()*+,;=-._~") \
            + ("?" + query if query else "")
        self.simple(int(code), "see %s\n" % location, [("Location", location)], faults)

    def simple(self, status, text, extra=(), faults=None):
        """A short text answer; the body faults still apply."""
        body = b"" if status in (204, 304) else text.encode()  # these never carry a body
        res = Resource(len(body), lambda o, n: body[o:o + n], None, None)
        self.send_body(status, res, 0, len(body), list(extra) + [("Content-Type", "text/plain")],
                       faults or {})

    def content(self, res, faults):
        headers = [("Accept-Ranges", "bytes"), ("Content-Type", "application/octet-stream")]
        etag = faults.get("etag", res.etag)
        if etag:
            if not etag.startswith('"') and not etag.startswith("W/"):
                etag = '"%s"' % etag
            headers.append(("ETag", etag))
        if res.mtime is not None:
            headers.append(("Last-Modified", email.utils.formatdate(res.mtime, usegmt=True)))

        rng = None
        if not faults.get("ignore_range"):
            rng = parse_range(self.headers.get("Range"), res.size)
            if rng is not None and not self.if_range_holds(etag, res.mtime):
                rng = None
        if rng == "unsatisfiable":
            return self.simple(416, "range not satisfiable\n",
                               [("Content-Range", "bytes */%d" % res.size)], faults)
        if rng is None:
            return self.send_body(200, res, 0, res.size, headers, faults)
        first, last = rng
        headers.append(("Content-Range", "bytes %d-%d/%d" % (first, last, res.size)))
        self.send_body(206, res, first, last - first + 1, headers, faults)

    def if_range_holds(self, etag, mtime):
        cond = self.headers.get("If-Range")
        if cond is None:
            return True
        cond = cond.strip()
        if cond.startswith('"') or cond.startswith("W/"):
            return etag is not None and cond == etag and not cond.startswith("W/")
        try:
            when = email.utils.parsedate_to_datetime(cond).timestamp()
        except (TypeError, ValueError):
            return False
        return mtime is not None and int(mtime) == int(when)

    def send_body(self, status, res, start, length, headers, faults):
        announce = True
        close_after_body = False
        announced = length
        if "bad_length" in faults:
            announced = max(0, length + faults["bad_length"])
            close_after_body = True
        if faults.get("no_length"):
            announce = False
            close_after_body = True

        self.send_response(status)
        for k, v in headers:
            self.send_header(k, v)
        if announce:
            self.send_header("Content-Length", str(announced))
        if close_after_body:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.entry["status"] = status
        self.server.requests.status(self.entry)
        self.end_headers()
        if self.command == "HEAD":
            self.entry["done"] = True
            return

        stall_at = None
        if "stall_after" in faults or "stall_secs" in faults:
            stall_at = faults.get("stall_after", 0)
        cut, cut_kind = None, None
        for kind in ("close_after", "reset_after"):
            if kind in faults and (cut is None or faults[kind] < cut):
                cut, cut_kind = faults[kind], kind
        to_send = length if cut is None else min(length, cut)
        rate = faults.get("rate")
        step = CHUNK if not rate else max(1, min(CHUNK, rate // 20))
        began = time.monotonic()
        sent = 0
        while True:
            if stall_at is not None and sent >= stall_at:
                self.stall(faults.get("stall_secs", 60.0))
                stall_at = None
            if sent >= to_send:
                break
            n = min(step, to_send - sent)
            if stall_at is not None:
                n = min(n, stall_at - sent)
            self.wfile.write(res.read(start + sent, n))
            sent += n
            self.entry["bytes_sent"] = sent
            if rate:
                self.sleep(began + sent / rate - time.monotonic())
        if cut is not None and cut < length:
            self.cut(cut_kind)
            return
        self.entry["done"] = True

    # -- fault mechanics ---------------------------------------------------------------------

    def sleep(self, secs):
        if secs > 0 and STOP.wait(secs):
            raise ClientGone("server stopping")

    def stall(self, secs):
        """Sends nothing for `secs`, but notices a client that hangs up meanwhile."""
        deadline = time.monotonic() + secs
        sock = self.connection
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return
            if STOP.is_set():
                raise ClientGone("server stopping")
            readable, _, _ = select.select([sock], [], [], min(left, 0.2))
            if readable:
                try:
                    data = sock.recv(1, socket.MSG_PEEK)
                except OSError:
                    data = b""
                if not data:
                    raise ClientGone("client closed during stall")
                time.sleep(min(left, 0.2))  # pipelined bytes: keep waiting

    def cut(self, kind):
        self.close_connection = True
        sock = self.connection
        if kind == "reset_after":
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            sock.close()
        else:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        self.entry["error"] = kind

    # -- control -----------------------------------------------------------------------------

    def control(self, path, query, body):
        q = dict(urllib.parse.parse_qsl(query, keep_blank_values=True))
        srv = self.server
        route = path[len("/_control"):].rstrip("/") or "/"
        method = self.command
        if route == "/ping":
            return self.json(200, {"ok": True})
        if route == "/info":
            return self.json(200, {"root": srv.root, "port": srv.server_address[1],
                                   "pid": os.getpid()})
        if route == "/log" and method in ("GET", "HEAD"):
            return self.json(200, srv.requests.list(q.get("contains"), q.get("path")))
        if route == "/log/clear" and method in ("GET", "POST"):
            srv.requests.clear()
            return self.json(200, {"ok": True})
        if route == "/reset" and method in ("GET", "POST"):
            srv.faults.clear()
            srv.requests.clear()
            return self.json(200, {"ok": True})
        if route == "/faults" and method in ("GET", "HEAD"):
            return self.json(200, srv.faults.snapshot())
        if route == "/faults" and method == "POST":
            try:
                doc = json.loads(body or b"{}")
                if not isinstance(doc, dict) or not isinstance(doc.get("path"), str) \
                        or not doc["path"].startswith("/"):
                    raise FaultError('need {"path": "/...", "faults": {...}}')
                given = doc.get("faults") or {}
                if not isinstance(given, dict):
                    raise FaultError("faults must be an object")
                unknown = sorted(set(given) - set(FAULT_KEYS))
                if unknown:
                    raise FaultError("unknown fault keys: %s" % ", ".join(unknown))
                sel_items = [(k, doc[k]) for k in ("skip", "methods") if doc.get(k) is not None]
                if doc.get("count") is not None:
                    sel_items.append(("times", doc["count"]))
                faults, _ = parse_faults(given.items())
                _, sel = parse_faults(sel_items)
            except (ValueError, FaultError) as e:
                return self.json(400, {"error": str(e)})
            if faults:
                srv.faults.set_rule(doc["path"], faults, sel)
            else:
                srv.faults.clear(doc["path"])
            return self.json(200, {"ok": True})
        if route == "/faults/clear" and method in ("GET", "POST"):
            target = q.get("path")
            if body:
                try:
                    target = json.loads(body).get("path", target)
                except (ValueError, AttributeError):
                    return self.json(400, {"error": "bad JSON"})
            srv.faults.clear(target)
            return self.json(200, {"ok": True})
        return self.json(404, {"error": "no such control endpoint: %s %s" % (method, path)})

    def json(self, status, doc):
        body = json.dumps(doc, indent=None).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False
    allow_reuse_address = True
    request_queue_size = 128

    def __init__(self, address, root, request_log):
        super().__init__(address, Handler)
        self.root = os.path.realpath(root)
        self.faults = FaultBook()
        self.requests = RequestLog(request_log)
        self._conn_ids = itertools.count(1)
        self._conn_lock = threading.Lock()

    def next_conn_id(self):
        with self._conn_lock:
            return next(self._conn_ids)

    def handle_error(self, request, client_address):
        sys.stderr.write("error with client %s:\n%s" % (client_address, traceback.format_exc()))


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--root", required=True, help="folder served as /")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=0, help="0: the OS picks one")
    ap.add_argument("--port-file", help="written (atomically) once the server listens")
    ap.add_argument("--request-log", help="file mirror of the request log")
    args = ap.parse_args()

    os.makedirs(args.root, exist_ok=True)
    server = Server((args.host, args.port), args.root, args.request_log)
    port = server.server_address[1]

    def stop(signum, frame):
        STOP.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    sys.stderr.write("listening on %s:%d, root %s, pid %d\n"
                     % (args.host, port, server.root, os.getpid()))
    sys.stderr.flush()
    try:
        server.serve_forever(poll_interval=0.2)
    finally:
        server.server_close()
        sys.stderr.write("stopped\n")


if __name__ == "__main__":
    main()
