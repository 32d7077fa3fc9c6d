#!/usr/bin/env python3
"""Local stand-in for the maker's cloud: update service, tracking, service API and analytics
collector, one HTTP listener per named host, everything received written to a journal.

Started by ctl.py; see README.md in this folder for endpoints, checks, rules and the journal.
"""

import argparse
import base64
import binascii
import collections
import gzip
import hashlib
import itertools
import json
import os
import re
import signal
import socket
import sys
import threading
import time
import urllib.parse
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "testserver"))
import server as ts  # noqa: E402  (the test server: files, /gen, ranges, query faults)

APP_KEY = "a3f0c9e1b7d24f86e0c5a9b1.kite"
APP_SECRET = "Hw7sLm2QzR8vNc4kTy6bGd1pXe9uJa3fWq"
TOKEN_BODY = ('{"grant_type":"client_credentials","app_secret":"%s"}' % APP_SECRET).encode()
TICKET_FORM_ID = 10310875932697
ANALYTICS_UA = "OrbAnalytics CPP SDK 0.8"
ALREADY_CLAIMED = 366001
BODY_JOURNAL_LIMIT = 4 << 20

# Header layouts the client sends, by caller. Names only; values are checked separately.
API_TOKEN_HEADERS = ["X-Client-Type", "Content-Type", "X-App-Key", "X-Client-Sn", "X-Prod-Id",
                     "X-Prod-Ver"]
CLIENT_SET = ["X-Client-Sn", "X-Client-Type", "X-App-Key", "X-Prod-Id", "X-Lang", "X-Prod-Ver"]
RETENTION_TOKEN_HEADERS = ["Content-Type"] + CLIENT_SET
APP_HEADERS = ["X-App-Key", "X-Client-Type", "X-Lang", "X-Client-Sn", "X-Prod-Id", "X-Prod-Ver"]
# Added by the transfer library itself, left out of the order checks.
TRANSPORT_HEADERS = {"host", "user-agent", "accept", "content-length", "expect", "connection",
                     "accept-encoding", "transfer-encoding", "range", "if-range", "te"}


def compact(doc):
    return json.dumps(doc, separators=(",", ":"), ensure_ascii=False)


def envelope(code, data=None, msg=None, with_data=True):
    doc = {"code": code, "msg": msg or ("success" if code == 0 else "error %d" % code)}
    if with_data:
        doc["data"] = data
    return doc


class StrictJsonError(ValueError):
    pass


def _reject_constant(name):
    raise StrictJsonError("not JSON: %s" % name)


def _pairs(items):
    keys = [k for k, _ in items]
    if len(set(keys)) != len(keys):
        raise StrictJsonError("duplicate member")
    return collections.OrderedDict(items)


def strict_json(raw):
    """Parses UTF-8 JSON as a strict peer would: no NaN, no duplicates, no control bytes."""
    text = raw.decode("utf-8") if isinstance(raw, bytes) else raw
    return json.loads(text, object_pairs_hook=_pairs, parse_constant=_reject_constant)


# ---------------------------------------------------------------------------------------------
# Rules: switch a host or an endpoint to fail, answer something else, or wait.

ACTION_KEYS = {"status", "body", "content_type", "code", "msg", "reply", "html", "empty", "drop",
               "delay_ms"}


class RuleError(ValueError):
    pass


def check_rule(doc):
    if not isinstance(doc, dict):
        raise RuleError("a rule is a JSON object")
    action = doc.get("action")
    if not isinstance(action, dict) or not action:
        raise RuleError('need "action": {...}')
    unknown = sorted(set(action) - ACTION_KEYS)
    if unknown:
        raise RuleError("unknown action keys: %s" % ", ".join(unknown))
    for value, key in ((doc.get("count"), "count"), (doc.get("skip"), "skip"),
                       (action.get("delay_ms"), "delay_ms")):
        if value is not None and (not isinstance(value, int) or value < 0):
            raise RuleError("%s must be a whole number" % key)
    path = doc.get("path", "*")
    if not isinstance(path, str) or not (path == "*" or path.startswith("/")):
        raise RuleError('"path" is "*", "/exact" or "/prefix*"')
    return doc


class Rules:
    """Rules posted to /_control/rules plus rule files in STATE/rules/*.json (id = file stem)."""

    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        self.posted = collections.OrderedDict()  # id -> rule; guarded by lock
        self.seen = {}  # (id, version) -> matching requests so far; guarded by lock
        self.ids = itertools.count(1)

    def add(self, doc):
        check_rule(doc)
        with self.lock:
            rid = str(doc.get("id") or "r%d" % next(self.ids))
            doc = dict(doc, id=rid)
            self.posted[rid] = doc
            self.seen.pop((rid, "posted"), None)
        return rid

    def clear(self, rid=None):
        with self.lock:
            if rid is None:
                self.posted.clear()
                self.seen.clear()
            else:
                self.posted.pop(rid, None)

    def _file_rules(self):
        out = []
        try:
            names = sorted(os.listdir(self.folder))
        except OSError:
            return out
        for name in names:
            if not name.endswith(".json"):
                continue
            full = os.path.join(self.folder, name)
            try:
                st = os.stat(full)
                with open(full, "rb") as f:
                    doc = check_rule(strict_json(f.read()))
            except (OSError, ValueError) as e:
                sys.stderr.write("rule file %s ignored: %s\n" % (name, e))
                continue
            doc = dict(doc, id=name[:-5])
            out.append((doc, (st.st_mtime_ns, st.st_size)))
        return out

    def snapshot(self):
        with self.lock:
            posted = list(self.posted.values())
        return posted + [doc for doc, _ in self._file_rules()]

    def take(self, host, method, path, haystack):
        """The first rule that applies to this request, counted; None when none does."""
        files = self._file_rules()
        with self.lock:
            for doc, version in [(d, "posted") for d in self.posted.values()] + files:
                if doc.get("host", "*") not in ("*", host):
                    continue
                pattern = doc.get("path", "*")
                if pattern != "*" and not (
                        path == pattern or (pattern.endswith("*") and path.startswith(pattern[:-1]))):
                    continue
                methods = doc.get("methods")
                if methods and method not in [m.strip().upper() for m in methods.split(",")]:
                    continue
                match = doc.get("match")
                if match and match not in haystack:
                    continue
                key = (doc["id"], version)
                n = self.seen.get(key, 0) + 1
                self.seen[key] = n
                skip = doc.get("skip", 0)
                count = doc.get("count")
                if n <= skip or (count is not None and n > skip + count):
                    continue
                return doc
        return None


# ---------------------------------------------------------------------------------------------

class Journal:
    """JSON lines, one per request, written before the answer goes out."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(os.path.join(folder, "uploads"), exist_ok=True)
        self.path = os.path.join(folder, "journal.jsonl")
        self.records_path = os.path.join(folder, "analytics.jsonl")
        self.lock = threading.Lock()
        self.seq = itertools.count(1)  # guarded by lock
        open(self.path, "ab").close()

    def next_seq(self):
        with self.lock:
            return next(self.seq)

    def write(self, entry):
        line = (json.dumps(entry, ensure_ascii=False) + "\n").encode("utf-8")
        with self.lock:
            with open(self.path, "ab") as f:
                f.write(line)
            records = entry.get("records")
            if records:
                with open(self.records_path, "ab") as f:
                    for r in records:
                        f.write((json.dumps({"seq": entry["seq"], "host": entry["host"],
                                             "project": entry["query_map"].get("project"),
                                             "record": r}, ensure_ascii=False) + "\n")
                                .encode("utf-8"))

    def entries(self, contains=None, host=None):
        out = []
        with self.lock:
            with open(self.path, "rb") as f:
                lines = f.read().decode("utf-8").splitlines()
        for line in lines:
            try:
                e = json.loads(line)
            except ValueError:
                continue
            if host and e.get("host") != host:
                continue
            if contains and contains not in line:
                continue
            out.append(e)
        return out


class Cloud:
    """What every host shares: issued tokens, uploads, offers, rules and the journal."""

    def __init__(self, state_dir, journal_dir, root, down):
        self.state_dir = state_dir
        self.root = root
        self.journal = Journal(journal_dir)
        self.rules = Rules(os.path.join(state_dir, "rules"))
        os.makedirs(self.rules.folder, exist_ok=True)
        self.down = set(down)
        self.lock = threading.Lock()
        self.tokens = set()  # guarded by lock
        self.uploads = {}  # canonical data text -> endpoint; guarded by lock
        self.claims = set()  # (offer id, address); guarded by lock
        self.counter = itertools.count(1)
        self.ports = {}
        self._md5 = {}

    def next_id(self):
        return next(self.counter)

    def issue_token(self):
        token = "tk" + hashlib.sha256(b"%d-%f" % (self.next_id(), time.time())).hexdigest()[:30]
        with self.lock:
            self.tokens.add(token)
        return token

    def token_valid(self, token):
        with self.lock:
            return token in self.tokens

    def keep_upload(self, data, kind):
        with self.lock:
            self.uploads[compact(data)] = kind

    def upload_kind(self, data):
        with self.lock:
            return self.uploads.get(compact(data))

    def claim(self, offer_id, address):
        with self.lock:
            if (offer_id, address) in self.claims:
                return False
            self.claims.add((offer_id, address))
            return True

    def gen_md5(self, size):
        if size not in self._md5:
            self._md5[size] = hashlib.md5(ts.gen_bytes(0, size)).hexdigest()
        return self._md5[size]


# ---------------------------------------------------------------------------------------------

class Checks:
    def __init__(self):
        self.items = []

    def add(self, name, ok, detail=""):
        self.items.append({"name": name, "ok": bool(ok), "detail": detail})
        return ok

    def ok(self):
        return all(c["ok"] for c in self.items)


def header_names(headers):
    return [k for k, _ in headers if k.lower() not in TRANSPORT_HEADERS]


def header_value(headers, name):
    for k, v in headers:
        if k.lower() == name.lower():
            return v
    return None


def check_header_order(checks, headers, expected, label="headers"):
    got = header_names(headers)
    ok = [g.lower() for g in got] == [e.lower() for e in expected]
    checks.add(label, ok, "got [%s], want [%s]" % (", ".join(got), ", ".join(expected)))
    return ok


def check_values(checks, headers):
    """Values of the fixed headers, where present."""
    fixed = {"X-Client-Type": "1", "X-App-Key": APP_KEY, "X-Lang": "en-us"}
    for name, want in fixed.items():
        v = header_value(headers, name)
        if v is not None:
            checks.add("header " + name, v == want, "got %r, want %r" % (v, want))
    for name in ("X-Client-Sn", "X-Prod-Ver"):
        v = header_value(headers, name)
        if v is not None:
            checks.add("header " + name, v != "", "got %r" % v)
    v = header_value(headers, "X-Prod-Id")
    if v is not None:
        checks.add("header X-Prod-Id", v.isdigit(), "got %r" % v)


def check_member_order(checks, doc, expected, label="members"):
    got = list(doc.keys()) if isinstance(doc, dict) else None
    ok = got == expected
    checks.add(label, ok, "got %s, want %s" % (got, expected))
    return ok


def is_int(v):
    return isinstance(v, int) and not isinstance(v, bool)


def parse_multipart(content_type, body):
    """[(headers dict, name, filename, bytes)] or raises ValueError."""
    m = re.search(r'boundary="?([^";]+)"?', content_type or "")
    if not m:
        raise ValueError("no boundary in Content-Type")
    delim = b"--" + m.group(1).encode("latin-1")
    chunks = body.split(delim)
    if len(chunks) < 3 or not chunks[-1].startswith(b"--"):
        raise ValueError("body does not end with the closing boundary")
    parts = []
    for chunk in chunks[1:-1]:
        if not chunk.startswith(b"\r\n") or not chunk.endswith(b"\r\n"):
            raise ValueError("part not framed by CR LF")
        head, sep, data = chunk[2:-2].partition(b"\r\n\r\n")
        if not sep:
            raise ValueError("part without a blank line after its headers")
        hdrs = {}
        for line in head.decode("utf-8", "replace").split("\r\n"):
            k, _, v = line.partition(":")
            hdrs[k.strip().lower()] = v.strip()
        disp = hdrs.get("content-disposition", "")
        name = re.search(r'(?:^|;)\s*name="([^"]*)"', disp)
        fname = re.search(r'filename="([^"]*)"', disp)
        parts.append((hdrs, name.group(1) if name else None, fname.group(1) if fname else None,
                      data))
    return parts


def decode_data_list(raw_value):
    """percent -> base64 -> gzip -> JSON; returns (records, [(check, ok, detail)])."""
    steps = []
    strict = re.fullmatch(r"(?:[A-Za-z0-9\-._~]|%[0-9A-F]{2})*", raw_value) is not None
    steps.append(("percent encoding", strict, "only unreserved bytes and %XX (upper case)"))
    b64 = urllib.parse.unquote_to_bytes(raw_value)
    try:
        packed = base64.b64decode(b64, validate=True)
        steps.append(("base64", True, "%d bytes" % len(packed)))
    except (binascii.Error, ValueError) as e:
        steps.append(("base64", False, str(e)))
        return None, steps
    if not packed.startswith(b"\x1f\x8b"):
        steps.append(("gzip", False, "no gzip header"))
        return None, steps
    try:
        batch = gzip.decompress(packed)
        steps.append(("gzip", True, "%d bytes" % len(batch)))
    except (OSError, EOFError, zlib.error) as e:
        steps.append(("gzip", False, str(e)))
        return None, steps
    try:
        records = strict_json(batch)
        steps.append(("json", True, batch.decode("utf-8")))
    except (ValueError, UnicodeDecodeError) as e:
        steps.append(("json", False, "%s; text: %r" % (e, batch[:300])))
        return None, steps
    if not isinstance(records, list):
        steps.append(("batch", False, "not a JSON array"))
        return None, steps
    steps.append(("batch", 1 <= len(records) <= 30, "%d records" % len(records)))
    return records, steps


def check_record(r):
    problems = []
    if not isinstance(r, dict):
        return ["not an object"]
    keys = list(r.keys())
    if keys != sorted(keys):
        problems.append("members not in key order: %s" % keys)
    want = {"distinct_id", "event", "lib", "properties", "time", "type"}
    if not want <= set(keys) or not set(keys) <= want | {"project"}:
        problems.append("members %s" % keys)
    if r.get("type") != "track":
        problems.append("type %r" % r.get("type"))
    if r.get("lib") != {"$lib": "cpp", "$lib_method": "code", "$lib_version": "0.8"}:
        problems.append("lib %r" % r.get("lib"))
    if not is_int(r.get("time")):
        problems.append("time is not an integer")
    if not isinstance(r.get("properties"), dict):
        problems.append("properties is not an object")
    elif list(r["properties"].keys()) != sorted(r["properties"].keys()):
        problems.append("properties not in key order")
    return problems


# ---------------------------------------------------------------------------------------------

class CloudHandler(ts.Handler):
    server_version = "orb-cloud/1"

    def dispatch(self):
        body = self.read_body()
        url = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(url.path)
        cloud = self.server.cloud
        if path == "/_control" or path.startswith("/_control/"):
            if not self.cloud_control(path, url.query, body):
                self.control(path, url.query, body)  # the test server's own controls
            return

        headers = list(self.headers.items())
        query = urllib.parse.parse_qsl(url.query, keep_blank_values=True)
        entry = {
            "seq": cloud.journal.next_seq(),
            "time": time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime()) + ".%03dZ"
                    % int(time.time() * 1000 % 1000),
            "host": self.server.host_name, "port": self.server.server_address[1],
            "conn": self.conn_id, "version": self.request_version, "method": self.command,
            "target": self.path, "path": path, "query": [list(p) for p in query],
            "query_map": dict(query), "headers": [list(h) for h in headers],
        }
        self.set_body(entry, body)
        checks = Checks()
        haystack = self.path + "\n" + "\n".join("%s: %s" % h for h in headers) + "\n" \
            + body.decode("latin-1")

        endpoint, handler = self.route(path)
        entry["endpoint"] = endpoint
        answer = None
        if handler is not None:
            try:
                answer = handler(entry, path, dict(query), headers, body, checks)
            except Exception as e:  # a broken request must never stop the stand-in
                checks.add("handled", False, "%s: %s" % (type(e).__name__, e))
                answer = (500, "application/json", compact(envelope(500, msg=str(e))).encode())

        rule = None
        if self.server.host_name in cloud.down:
            rule = {"id": "--down", "action": {"drop": True}}
        else:
            rule = cloud.rules.take(self.server.host_name, self.command, path, haystack)
        action = rule["action"] if rule else {}
        if rule:
            entry["rule"] = rule["id"]
        if action.get("delay_ms"):
            entry["delay_ms"] = action["delay_ms"]
        answer = self.apply_action(action, answer)
        entry["checks"] = checks.items
        entry["ok"] = checks.ok()

        if action.get("drop"):
            entry["status"] = None
            entry["reply"] = None
            entry["dropped"] = True
            cloud.journal.write(entry)
            self.sleep(action.get("delay_ms", 0) / 1000.0)
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return

        if answer is None:  # package files, /gen, redirects: the test server answers
            entry["status"] = None
            entry["reply"] = None
            cloud.journal.write(entry)
            self.sleep(action.get("delay_ms", 0) / 1000.0)
            return self.serve_file(path, url.query, body)

        status, ctype, data = answer
        entry["status"] = status
        entry["reply"] = data.decode("utf-8", "replace")
        cloud.journal.write(entry)
        self.sleep(action.get("delay_ms", 0) / 1000.0)
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def set_body(self, entry, body):
        entry["body_size"] = len(body)
        kept = body[:BODY_JOURNAL_LIMIT]
        if len(body) > BODY_JOURNAL_LIMIT:
            entry["body_truncated"] = True
        try:
            entry["body"] = kept.decode("utf-8")
        except UnicodeDecodeError:
            entry["body"] = None
            entry["body_base64"] = base64.b64encode(kept).decode()

    def apply_action(self, action, answer):
        if action.get("html"):
            page = b"<html><head><title>502 Bad Gateway</title></head><body>bad gateway</body></html>"
            return (502, "text/html", page)
        if action.get("empty"):
            return (action.get("status", 200), "application/json", b"")
        if "reply" in action:
            return (action.get("status", 200), "application/json",
                    compact(action["reply"]).encode())
        if "code" in action:
            doc = envelope(action["code"], msg=action.get("msg"), with_data=False)
            return (action.get("status", 200), "application/json", compact(doc).encode())
        if "body" in action or "status" in action:
            text = action.get("body", "status %d\n" % action.get("status", 200))
            return (action.get("status", 200), action.get("content_type", "text/plain"),
                    text.encode("utf-8"))
        return answer

    def serve_file(self, path, query, body):
        self.entry = {
            "time": time.time(), "conn": self.conn_id, "method": self.command,
            "target": self.path, "path": path, "range": self.headers.get("Range"),
            "headers": self.header_dict(), "status": None, "bytes_sent": 0,
            "faults": {}, "done": False, "error": None,
        }
        self.server.requests.add(self.entry)
        self.res = None
        try:
            self.serve(path, query)
        except ts.ClientGone as e:
            self.entry["error"] = str(e) or "client gone"
            self.close_connection = True
        finally:
            if self.res is not None and hasattr(self.res, "close"):
                self.res.close()
            self.server.requests.end(self.entry)

    def json_answer(self, doc, status=200):
        return (status, "application/json", compact(doc).encode("utf-8"))

    # -- routing ------------------------------------------------------------------------------

    def route(self, path):
        table = [
            ("/rest/v2/downloader/runtime", self.runtime, "runtime"),
            ("/rest/v2/downloader/track", self.track, "track"),
            ("/api/v1/prodweb/trk", self.tid, "tid"),
            ("/v3/user/client/token", self.token, "token"),
            ("/v1/product/logs/whitelist", self.whitelist, "whitelist"),
            ("/v1/product/logs/report", self.log_report, "log_report"),
            ("/v1/product/downloader/upload-log-file", self.upload_log, "upload_log"),
            ("/v1/crm/ticket/file/upload", self.upload_ticket_file, "ticket_upload"),
            ("/v1/support/tickets", self.ticket, "ticket"),
            ("/v1/product/series", self.series, "series"),
            ("/sa", self.collector, "analytics"),
        ]
        for prefix, handler, name in table:
            if path == prefix or path == prefix + "/":
                return name, handler
        if path == "/v1/product/downloader/recovery":
            return "recovery_query", self.recovery_query
        if re.fullmatch(r"/v1/product/downloader/recovery/[^/]+/apply", path):
            return "recovery_apply", self.recovery_apply
        return "file", None

    def expect_method(self, checks, method):
        checks.add("method", self.command == method, "got %s, want %s" % (self.command, method))

    def http10(self, checks):
        checks.add("HTTP/1.0", self.request_version == "HTTP/1.0", "got %s" % self.request_version)

    def authorised(self, headers, checks):
        auth = header_value(headers, "Authorization") or ""
        token = auth[len("Bearer "):] if auth.startswith("Bearer ") else None
        ok = token is not None and self.server.cloud.token_valid(token)
        checks.add("token", ok, "Authorization %r" % auth)
        return ok

    def json_body(self, body, checks):
        try:
            doc = strict_json(body)
            checks.add("json", True)
            return doc
        except (ValueError, UnicodeDecodeError) as e:
            checks.add("json", False, str(e))
            return None

    # -- update service and tracking ----------------------------------------------------------

    def runtime(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "GET")
        self.http10(checks)
        keys = [k for k, _ in entry["query"]]
        want = ["client_sign", "product_id", "orb", "scene_code", "platform"]
        checks.add("query", keys == want, "got %s, want %s" % (keys, want))
        checks.add("platform", q.get("platform") in ("win_x86", "win_x64", "win_arm64"),
                   "got %r" % q.get("platform"))
        checks.add("orb", re.fullmatch(r"\d+\.\d+\.\d+", q.get("orb", "")) is not None,
                   "got %r" % q.get("orb"))
        pid = q.get("product_id", "")
        custom = os.path.join(self.server.cloud.root, "runtime", "%s.xml" % pid)
        if pid.isdigit() and os.path.isfile(custom):
            with open(custom, "rb") as f:
                return (200, "application/xml", f.read())
        return (200, "application/xml", self.default_runtime(pid).encode("utf-8"))

    def default_runtime(self, pid):
        base = "http://127.0.0.1:%d" % self.server.server_address[1]
        sizes = {"x86": 1 << 20, "x64": 2 << 20, "arm64": 3 << 20}
        url = {k: "%s/gen/%d/pkg/%s/setup_%s.exe" % (base, n, pid or "0", k)
               for k, n in sizes.items()}
        md5 = {k: self.server.cloud.gen_md5(n) for k, n in sizes.items()}
        return (
            '<?xml version="1.0" encoding="utf-8"?>\n<kvrp><downloader><runtime>'
            "<name>Lumetra</name><version>5.2.1.8</version><process_name>Lumetra.exe</process_name>"
            "<download_url>%s</download_url><download_url_x64>%s</download_url_x64>"
            "<download_url_arm64>%s</download_url_arm64>"
            "<md5>%s</md5><md5_64>%s</md5_64><md5_arm64>%s</md5_arm64>"
            "<filesize>%d</filesize>"
            "</runtime><bind/></downloader></kvrp>\n"
            % (url["x86"], url["x64"], url["arm64"], md5["x86"], md5["x64"], md5["arm64"],
               sizes["x64"]))

    def track(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "POST")
        check_header_order(checks, headers, ["Content-Type"])
        checks.add("header Content-Type", header_value(headers, "Content-Type") == "application/json")
        checks.add("query", [k for k, _ in entry["query"]] == ["client_sign"] and
                   q.get("client_sign", "") != "", "got %s" % entry["query"])
        doc = self.json_body(body, checks)
        if isinstance(doc, dict):
            keys = list(doc.keys())
            checks.add("leading members", keys[:4] == ["product_id", "orbver", "orbversion",
                                                      "orbnamepid"], "got %s" % keys[:4])
            checks.add("trailing members", keys[-2:] == ["orbtrackid", "is_first_install"],
                       "got %s" % keys[-2:])
            checks.add("orbver", doc.get("orbver") == "204", "got %r" % doc.get("orbver"))
            checks.add("is_first_install", doc.get("is_first_install") in (0, 1) and
                       is_int(doc.get("is_first_install")))
            bad = [k for k, v in doc.items() if k != "is_first_install" and not isinstance(v, str)]
            checks.add("string members", not bad, "not strings: %s" % bad)
            checks.add("compact", compact(doc).encode() == body, "printed without whitespace")
        elif doc is not None:
            checks.add("object", False, "not a JSON object")
        return self.json_answer(envelope(0, with_data=False))

    def tid(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "GET")
        self.http10(checks)
        keys = [k for k, _ in entry["query"]]
        checks.add("query", keys == ["pid", "os"] and q.get("os") == "Windows" and
                   q.get("pid", "").isdigit(), "got %s" % entry["query"])
        tid = "tid%s%06d" % (q.get("pid", "0"), self.server.cloud.next_id())
        return self.json_answer({"code": 0, "data": tid})

    # -- service API --------------------------------------------------------------------------

    def token(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "POST")
        got = [n.lower() for n in header_names(headers)]
        layouts = {"api": API_TOKEN_HEADERS, "retention": RETENTION_TOKEN_HEADERS}
        which = [k for k, v in layouts.items() if got == [n.lower() for n in v]]
        checks.add("headers", bool(which), "got [%s]; layout %s"
                   % (", ".join(header_names(headers)), which[0] if which else "none"))
        check_values(checks, headers)
        checks.add("header Content-Type", header_value(headers, "Content-Type") == "application/json")
        checks.add("body", body == TOKEN_BODY, "byte for byte")
        try:
            doc = strict_json(body)
        except (ValueError, UnicodeDecodeError):
            doc = None
        if header_value(headers, "X-App-Key") != APP_KEY:
            return self.json_answer(envelope(40101, msg="invalid app key", with_data=False))
        if not isinstance(doc, dict) or doc.get("grant_type") != "client_credentials" \
                or doc.get("app_secret") != APP_SECRET:
            return self.json_answer(envelope(40102, msg="invalid client credentials",
                                             with_data=False))
        token = self.server.cloud.issue_token()
        entry["token"] = token
        return self.json_answer(envelope(0, {"access_token": token, "token_type": "bearer",
                                             "expires_in": 7200}))

    def json_call(self, headers, body, checks, order):
        """Common checks of a JSON POST; (doc or None, error answer or None)."""
        self.expect_method(checks, "POST")
        check_header_order(checks, headers, order)
        checks.add("header Content-Type", header_value(headers, "Content-Type") == "application/json")
        if not self.authorised(headers, checks):
            return None, self.json_answer(envelope(401, msg="unauthorized", with_data=False))
        doc = self.json_body(body, checks)
        if not isinstance(doc, dict):
            return None, self.json_answer(envelope(400, msg="bad request", with_data=False))
        return doc, None

    def whitelist(self, entry, path, q, headers, body, checks):
        doc, err = self.json_call(headers, body, checks, ["Authorization", "Content-Type"])
        if err:
            return err
        check_member_order(checks, doc, ["client_sign", "pid", "version"])
        checks.add("types", isinstance(doc.get("client_sign"), str) and is_int(doc.get("pid"))
                   and isinstance(doc.get("version"), str))
        checks.add("compact", compact(doc).encode() == body, "printed without whitespace")
        return self.json_answer(envelope(0))

    def log_report(self, entry, path, q, headers, body, checks):
        doc, err = self.json_call(headers, body, checks, ["Authorization", "Content-Type"])
        if err:
            return err
        want = ["client_sign", "pid", "version", "type"] + (["remark"] if "remark" in doc else []) \
            + ["files"]
        check_member_order(checks, doc, want)
        checks.add("types", isinstance(doc.get("client_sign"), str) and is_int(doc.get("pid"))
                   and isinstance(doc.get("version"), str) and doc.get("type") == 2
                   and isinstance(doc.get("remark", ""), str) and doc.get("remark", "x") != "")
        files = doc.get("files")
        known = isinstance(files, list) and bool(files) and all(
            self.server.cloud.upload_kind(f) == "upload_log" for f in files)
        checks.add("files", known, "every entry the data of an upload-log-file reply")
        checks.add("compact", compact(doc).encode() == body, "printed without whitespace")
        if not known:
            return self.json_answer(envelope(40003, msg="unknown files", with_data=False))
        return self.json_answer(envelope(0, {"report_id": self.server.cloud.next_id()}))

    def upload(self, entry, headers, body, checks, app_headers, kind):
        self.expect_method(checks, "POST")
        # The transfer library sends the form's Content-Type (with its boundary) after the
        # caller's headers, wherever the caller put it.
        order = ["Authorization"] + (APP_HEADERS if app_headers else [])
        check_header_order(checks, [h for h in headers if h[0].lower() != "content-type"], order)
        check_values(checks, headers)
        ctype = header_value(headers, "Content-Type") or ""
        checks.add("header Content-Type", ctype.startswith("multipart/form-data"), ctype)
        if not self.authorised(headers, checks):
            return None, self.json_answer(envelope(401, msg="unauthorized", with_data=False))
        try:
            parts = parse_multipart(ctype, body)
        except ValueError as e:
            checks.add("multipart", False, str(e))
            return None, self.json_answer(envelope(400, msg="bad multipart", with_data=False))
        entry["form"] = [{"name": n, "filename": fn, "content_type": h.get("content-type"),
                          "size": len(d), "sha256": hashlib.sha256(d).hexdigest()}
                         for h, n, fn, d in parts]
        files = [(fn, d) for h, n, fn, d in parts if n == "file" and fn is not None]
        checks.add("multipart", len(parts) == 1 and len(files) == 1,
                   "one part named \"file\" with a file name; parts %s"
                   % [p["name"] for p in entry["form"]])
        if not files:
            return None, self.json_answer(envelope(400, msg="no file", with_data=False))
        name, data = files[0]
        n = self.server.cloud.next_id()
        safe = re.sub(r"[^A-Za-z0-9._-]", "_", os.path.basename(name.replace("\\", "/"))) or "file"
        stored = os.path.join(self.server.cloud.journal.folder, "uploads", "%06d_%s" % (n, safe))
        with open(stored, "wb") as f:
            f.write(data)
        entry["stored"] = stored
        return (n, name, data), None

    def upload_log(self, entry, path, q, headers, body, checks):
        got, err = self.upload(entry, headers, body, checks, True, "upload_log")
        if err:
            return err
        n, name, data = got
        datum = collections.OrderedDict([("file_key", "logs/%06d/%s" % (n, name)),
                                         ("file_name", name), ("file_size", len(data))])
        self.server.cloud.keep_upload(datum, "upload_log")
        return self.json_answer(envelope(0, datum))

    def upload_ticket_file(self, entry, path, q, headers, body, checks):
        got, err = self.upload(entry, headers, body, checks, False, "ticket_upload")
        if err:
            return err
        n, name, data = got
        datum = collections.OrderedDict([("attachment_id", n), ("file_name", name),
                                         ("size", len(data))])
        self.server.cloud.keep_upload(datum, "ticket_upload")
        return self.json_answer(envelope(0, datum))

    def ticket(self, entry, path, q, headers, body, checks):
        doc, err = self.json_call(headers, body, checks, ["Authorization", "Content-Type"])
        if err:
            return err
        contact_type = doc.get("contact_type")
        check_member_order(checks, doc, ["title", "contents", "contact_type", str(contact_type),
                                         "product_id", "product_version", "ticket_form_id",
                                         "attachment"])
        contact = doc.get(contact_type) if contact_type in ("email", "mobile") else None
        checks.add("contact_type", isinstance(contact, str) and
                   (contact_type == "email") == ("@" in contact), "%r / %r" % (contact_type, contact))
        checks.add("types", isinstance(doc.get("title"), str) and
                   isinstance(doc.get("contents"), str) and is_int(doc.get("product_id")) and
                   isinstance(doc.get("product_version"), str))
        checks.add("ticket_form_id", doc.get("ticket_form_id") == TICKET_FORM_ID and
                   is_int(doc.get("ticket_form_id")), "got %r" % doc.get("ticket_form_id"))
        files = doc.get("attachment")
        known = isinstance(files, list) and bool(files) and all(
            self.server.cloud.upload_kind(f) == "ticket_upload" for f in files)
        checks.add("attachment", known, "every entry the data of a ticket file upload reply")
        checks.add("compact", compact(doc).encode() == body, "printed without whitespace")
        if not known:
            return self.json_answer(envelope(40003, msg="unknown attachment", with_data=False))
        return self.json_answer(envelope(0, {"ticket_id": self.server.cloud.next_id()}))

    def series(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "POST")
        check_header_order(checks, headers, ["Content-Type", "Authorization"])
        checks.add("header Content-Type", header_value(headers, "Content-Type") == "application/json")
        checks.add("body", re.fullmatch(rb'\{"product_id":\d+, "client_sign":"[^"\\]*"\}', body)
                   is not None, 'exactly {"product_id":N, "client_sign":"S"}')
        if not self.authorised(headers, checks):
            return self.json_answer(envelope(401, msg="unauthorized", with_data=False))
        doc = self.json_body(body, checks)
        if not isinstance(doc, dict) or not is_int(doc.get("product_id")):
            return self.json_answer(envelope(400, msg="bad request", with_data=False))
        return self.json_answer(envelope(0))

    def retention_headers(self, headers, checks, order):
        check_header_order(checks, headers, order)
        check_values(checks, headers)

    def recovery_query(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "GET")
        self.retention_headers(headers, checks, ["Authorization"] + CLIENT_SET)
        checks.add("query", [k for k, _ in entry["query"]] == ["version"] and
                   re.fullmatch(r"\d+\.\d+\.\d+", q.get("version", "")) is not None,
                   "got %s" % entry["query"])
        if not self.authorised(headers, checks):
            return self.json_answer(envelope(401, msg="unauthorized", with_data=False))
        offer = collections.OrderedDict([
            ("id", 5000000001), ("type", 2),
            ("tips", collections.OrderedDict([("title", "Free membership"),
                                              ("content", "Leave your e-mail address.")]))])
        return self.json_answer(envelope(0, offer))

    def recovery_apply(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "POST")
        self.retention_headers(headers, checks, ["Authorization", "Content-Type"] + CLIENT_SET)
        checks.add("header Content-Type", header_value(headers, "Content-Type") == "application/json")
        offer_id = path.split("/")[-2]
        checks.add("offer id", re.fullmatch(r"-?\d+", offer_id) is not None, "got %r" % offer_id)
        if not self.authorised(headers, checks):
            return self.json_answer(envelope(401, msg="unauthorized", with_data=False))
        doc = self.json_body(body, checks)
        if not isinstance(doc, dict):
            return self.json_answer(envelope(400, msg="bad request", with_data=False))
        check_member_order(checks, doc, ["email"])
        checks.add("compact", compact(doc).encode() == body, "printed without whitespace")
        address = doc.get("email")
        if not isinstance(address, str) or "@" not in address:
            return self.json_answer(envelope(400, msg="invalid email", with_data=False))
        if not self.server.cloud.claim(offer_id, address):
            return self.json_answer(envelope(ALREADY_CLAIMED, msg="already claimed",
                                             with_data=False))
        return self.json_answer(envelope(0, with_data=False))

    # -- analytics collector ------------------------------------------------------------------

    def collector(self, entry, path, q, headers, body, checks):
        self.expect_method(checks, "POST")
        checks.add("project", bool(q.get("project")), "got %r" % q.get("project"))
        ua = header_value(headers, "User-Agent")
        checks.add("user agent", ua == ANALYTICS_UA, "got %r" % ua)
        ctype = header_value(headers, "Content-Type")
        checks.add("header Content-Type", ctype == "application/x-www-form-urlencoded",
                   "got %r" % ctype)
        try:
            text = body.decode("ascii")
        except UnicodeDecodeError:
            checks.add("form", False, "body is not ASCII")
            return (400, "text/plain", b"bad form\n")
        fields = [f.partition("=") for f in text.split("&")] if text else []
        names = [k for k, _, _ in fields]
        checks.add("form", names == ["data_list", "gzip"], "fields %s" % names)
        form = {k: v for k, _, v in fields}
        checks.add("gzip=1", form.get("gzip") == "1", "got %r" % form.get("gzip"))
        if "data_list" not in form:
            return (400, "text/plain", b"no data_list\n")
        records, steps = decode_data_list(form["data_list"])
        for name, ok, detail in steps:
            checks.add(name, ok, detail)
        if records is None:
            return (400, "text/plain", b"undecodable data_list\n")
        entry["records"] = records
        problems = [(i, p) for i, r in enumerate(records) for p in check_record(r)]
        checks.add("records", not problems, "; ".join("#%d %s" % x for x in problems[:10]))
        return (200, "application/json", b'{"code":0}')

    # -- control ------------------------------------------------------------------------------

    def cloud_control(self, path, query, body):
        cloud = self.server.cloud
        q = dict(urllib.parse.parse_qsl(query, keep_blank_values=True))
        route = path[len("/_control"):].rstrip("/") or "/"
        method = self.command
        if route == "/ping":
            self.json(200, {"ok": True, "host": self.server.host_name})
        elif route == "/info":
            self.json(200, {"hosts": cloud.ports, "pid": os.getpid(), "root": cloud.root,
                            "journal": cloud.journal.path, "down": sorted(cloud.down)})
        elif route == "/rules" and method == "GET":
            self.json(200, cloud.rules.snapshot())
        elif route == "/rules" and method == "POST":
            try:
                rid = cloud.rules.add(strict_json(body or b"{}"))
            except (ValueError, UnicodeDecodeError) as e:
                self.json(400, {"error": str(e)})
            else:
                self.json(200, {"ok": True, "id": rid})
        elif route == "/rules/clear" and method in ("GET", "POST"):
            rid = q.get("id")
            if body:
                try:
                    rid = json.loads(body).get("id", rid)
                except (ValueError, AttributeError):
                    return self.json(400, {"error": "bad JSON"}) or True
            cloud.rules.clear(rid)
            self.json(200, {"ok": True})
        elif route == "/down" and method == "POST":
            try:
                doc = json.loads(body or b"{}")
                host, on = doc["host"], bool(doc.get("down", True))
            except (ValueError, KeyError, TypeError, AttributeError):
                return self.json(400, {"error": 'need {"host": NAME, "down": true|false}'}) or True
            (cloud.down.add if on else cloud.down.discard)(host)
            self.json(200, {"ok": True, "down": sorted(cloud.down)})
        elif route == "/journal" and method == "GET":
            self.json(200, cloud.journal.entries(q.get("contains"), q.get("host")))
        else:
            return False
        return True


class CloudServer(ts.Server):
    def __init__(self, address, host_name, cloud, request_log):
        self.host_name = host_name
        self.cloud = cloud
        super().__init__(address, cloud.root, request_log)
        self.RequestHandlerClass = CloudHandler


def write_atomically(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--state-dir", required=True)
    ap.add_argument("--journal-dir", help="default STATE/journal")
    ap.add_argument("--root", help="served files, default STATE/files")
    ap.add_argument("--hosts", default="main,fallback", help="host names, one port each")
    ap.add_argument("--down", action="append", default=[], help="host that drops every request")
    ap.add_argument("--rule", action="append", default=[], help="a rule as JSON (repeatable)")
    args = ap.parse_args()

    state = os.path.abspath(args.state_dir)
    root = os.path.realpath(args.root or os.path.join(state, "files"))
    os.makedirs(root, exist_ok=True)
    cloud = Cloud(state, os.path.abspath(args.journal_dir or os.path.join(state, "journal")),
                  root, args.down)
    for text in args.rule:
        cloud.rules.add(json.loads(text))
    names = [h.strip() for h in args.hosts.split(",") if h.strip()]
    servers = []
    for name in names:
        srv = CloudServer(("127.0.0.1", 0), name, cloud,
                          os.path.join(state, "requests.%s.log" % name))
        cloud.ports[name] = srv.server_address[1]
        servers.append(srv)

    def stop(signum, frame):
        ts.STOP.set()
        for srv in servers:
            threading.Thread(target=srv.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    threads = [threading.Thread(target=srv.serve_forever, kwargs={"poll_interval": 0.2},
                                name="host-" + srv.host_name) for srv in servers]
    for t in threads:
        t.start()
    for name, port in cloud.ports.items():
        write_atomically(os.path.join(state, "port.%s" % name), "%d\n" % port)
    write_atomically(os.path.join(state, "journal_dir"), cloud.journal.folder + "\n")
    write_atomically(os.path.join(state, "ports.json"), json.dumps(cloud.ports) + "\n")
    # Written last: its presence means everything above is in place.
    write_atomically(os.path.join(state, "port"), "%d\n" % cloud.ports[names[0]])
    print(" ".join("%s=%d" % kv for kv in cloud.ports.items()), flush=True)
    sys.stderr.write("cloud listening: %s; journal %s; pid %d\n"
                     % (cloud.ports, cloud.journal.path, os.getpid()))
    sys.stderr.flush()
    for t in threads:
        t.join()
    for srv in servers:
        srv.server_close()
    sys.stderr.write("stopped\n")


if __name__ == "__main__":
    main()
