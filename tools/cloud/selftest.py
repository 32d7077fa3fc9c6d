#!/usr/bin/env python3
"""Self-test of the cloud stand-in: talks to a running instance over HTTP and reads its journal.

  ORB_CLOUD_DIR=STATE python3 tools/cloud/selftest.py [-v]
"""

import base64
import gzip
import http.client
import json
import os
import sys
import time
import unittest
import urllib.parse
import uuid

STATE = os.environ.get("ORB_CLOUD_DIR", "")
KEY = "a3f0c9e1b7d24f86e0c5a9b1.kite"
TOKEN_BODY = b'{"grant_type":"client_credentials","app_secret":"Hw7sLm2QzR8vNc4kTy6bGd1pXe9uJa3fWq"}'


def ports():
    with open(os.path.join(STATE, "ports.json")) as f:
        return json.load(f)


def request(host, method, target, headers=(), body=None, version11=True):
    conn = http.client.HTTPConnection("127.0.0.1", ports()[host], timeout=10)
    if not version11:
        conn._http_vsn, conn._http_vsn_str = 10, "HTTP/1.0"
    conn.putrequest(method, target, skip_accept_encoding=True)
    for k, v in headers:
        conn.putheader(k, v)
    if body is not None:
        conn.putheader("Content-Length", str(len(body)))
    conn.endheaders(body)
    try:
        resp = conn.getresponse()
        return resp.status, resp.read()
    except (ConnectionError, http.client.RemoteDisconnected):
        return None, b""
    finally:
        conn.close()


def journal(contains):
    with open(os.path.join(STATE, "journal_dir")) as f:
        folder = f.read().strip()
    out = []
    with open(os.path.join(folder, "journal.jsonl"), "rb") as f:
        for line in f.read().decode("utf-8").splitlines():
            if contains in line:
                out.append(json.loads(line))
    return out


def check(entry, name):
    return next(c for c in entry["checks"] if c["name"] == name)


def token_headers(sn):
    return [("X-Client-Type", "1"), ("Content-Type", "application/json"), ("X-App-Key", KEY),
            ("X-Client-Sn", sn), ("X-Prod-Id", "14424"), ("X-Prod-Ver", "3.0.5.1")]


def get_token(sn, host="main"):
    status, reply = request(host, "POST", "/v3/user/client/token", token_headers(sn), TOKEN_BODY)
    return json.loads(reply)["data"]["access_token"]


def multipart(name, filename, data):
    b = "b" + uuid.uuid4().hex
    body = ("--%s\r\nContent-Disposition: form-data; name=\"%s\"; filename=\"%s\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n" % (b, name, filename)).encode() \
        + data + ("\r\n--%s--\r\n" % b).encode()
    return "multipart/form-data; boundary=" + b, body


def control(path, doc):
    status, reply = request("main", "POST", path, [("Content-Type", "application/json")],
                            json.dumps(doc).encode())
    assert status == 200, reply
    return json.loads(reply)


class CloudTest(unittest.TestCase):
    def setUp(self):
        self.sn = "sn-" + uuid.uuid4().hex

    def test_token_checks_layout_and_bytes(self):
        token = get_token(self.sn)
        self.assertTrue(token)
        e = journal(self.sn)[-1]
        self.assertTrue(e["ok"], e["checks"])
        self.assertEqual(e["token"], token)
        # Same content, other spacing and header order: still a token, but the checks say no.
        swapped = token_headers(self.sn)
        swapped[0], swapped[1] = swapped[1], swapped[0]
        status, reply = request("main", "POST", "/v3/user/client/token", swapped,
                                TOKEN_BODY.replace(b",", b", "))
        self.assertEqual(json.loads(reply)["code"], 0)
        e = journal(self.sn)[-1]
        self.assertFalse(check(e, "body")["ok"])
        self.assertFalse(check(e, "headers")["ok"])
        # A wrong secret is refused as the real service would.
        status, reply = request("main", "POST", "/v3/user/client/token", token_headers(self.sn),
                                TOKEN_BODY.replace(b"Hw7", b"xx7"))
        self.assertNotEqual(json.loads(reply)["code"], 0)

    def test_rules_scope_by_match_and_count(self):
        control("/_control/rules", {"id": self.sn, "host": "main", "path": "/v3/user/client/token",
                                    "match": self.sn, "count": 1, "action": {"code": 401}})
        other = "sn-" + uuid.uuid4().hex
        self.assertTrue(get_token(other))  # another test's requests pass untouched
        status, reply = request("main", "POST", "/v3/user/client/token", token_headers(self.sn),
                                TOKEN_BODY)
        self.assertEqual(reply, b'{"code":401,"msg":"error 401"}')
        self.assertTrue(get_token(self.sn))  # count 1: used up
        self.assertEqual(journal(self.sn)[-2]["rule"], self.sn)

    def test_rule_actions(self):
        cases = [({"html": True}, 502, b"<html"), ({"empty": True}, 200, b""),
                 ({"status": 503, "body": "busy"}, 503, b"busy"),
                 ({"reply": {"code": 0, "data": None}}, 200, b'{"code":0,"data":null}'),
                 ({"drop": True}, None, b"")]
        for i, (action, status, start) in enumerate(cases):
            tag = "%s-%d" % (self.sn, i)
            control("/_control/rules", {"id": tag, "match": tag, "action": action})
            got, reply = request("fallback", "GET", "/api/v1/prodweb/trk?pid=1&os=Windows&x=" + tag,
                                 version11=False)
            self.assertEqual(got, status, action)
            self.assertTrue(reply.startswith(start), (action, reply))
            control("/_control/rules/clear", {"id": tag})
            self.assertEqual(journal(tag)[-1]["host"], "fallback")

    def test_file_rule_and_delay(self):
        rules = os.path.join(STATE, "rules", self.sn + ".json")
        with open(rules + ".tmp", "w") as f:
            json.dump({"match": self.sn, "action": {"delay_ms": 300}}, f)
        os.replace(rules + ".tmp", rules)
        try:
            began = time.monotonic()
            status, _ = request("main", "GET", "/api/v1/prodweb/trk?pid=2&os=Windows&t=" + self.sn)
            self.assertEqual(status, 200)
            self.assertGreaterEqual(time.monotonic() - began, 0.3)
        finally:
            os.remove(rules)

    def test_log_upload_and_report(self):
        token = get_token(self.sn)
        app = [("X-App-Key", KEY), ("X-Client-Type", "1"), ("X-Lang", "en-us"),
               ("X-Client-Sn", self.sn), ("X-Prod-Id", "14424"), ("X-Prod-Ver", "3.0.5.1")]
        ctype, body = multipart("file", "kvORB.log", "line \u00e9\n".encode())
        status, reply = request("main", "POST", "/v1/product/downloader/upload-log-file",
                                [("Authorization", "Bearer " + token), ("Content-Type", ctype)] + app,
                                body)
        up = json.loads(reply)
        self.assertEqual(up["code"], 0)
        e = journal(self.sn)[-1]
        self.assertTrue(e["ok"], e["checks"])
        self.assertEqual(e["form"][0]["name"], "file")
        with open(e["stored"], "rb") as f:
            self.assertEqual(f.read(), "line \u00e9\n".encode())
        report = ('{"client_sign":"%s","pid":14424,"version":"3.0.5.1","type":2,"files":[%s]}'
                  % (self.sn, json.dumps(up["data"], separators=(",", ":")))).encode()
        json_headers = [("Authorization", "Bearer " + token), ("Content-Type", "application/json")]
        status, reply = request("main", "POST", "/v1/product/logs/report", json_headers, report)
        self.assertEqual(json.loads(reply)["code"], 0)
        self.assertTrue(journal(self.sn)[-1]["ok"])
        # A file the service never stored is refused; a remark in the wrong place is noticed.
        bad = report.replace(b'"file_size"', b'"file_sizes"')
        status, reply = request("main", "POST", "/v1/product/logs/report", json_headers, bad)
        self.assertNotEqual(json.loads(reply)["code"], 0)
        moved = report.replace(b'"type":2,', b'"type":2,').replace(b'{"client_sign"', b'{"remark":"r","client_sign"')
        request("main", "POST", "/v1/product/logs/report", json_headers, moved)
        self.assertFalse(check(journal(self.sn)[-1], "members")["ok"])

    def test_unauthorised_calls_are_refused(self):
        status, reply = request("main", "POST", "/v1/product/series",
                                [("Content-Type", "application/json"), ("Authorization", "Bearer ")],
                                ('{"product_id":5, "client_sign":"%s"}' % self.sn).encode())
        self.assertEqual(json.loads(reply)["code"], 401)
        self.assertTrue(check(journal(self.sn)[-1], "body")["ok"])

    def test_ticket_contact_types(self):
        token = get_token(self.sn)
        auth = [("Authorization", "Bearer " + token)]
        ctype, body = multipart("file", "a.log", b"x")
        _, reply = request("main", "POST", "/v1/crm/ticket/file/upload",
                           auth + [("Content-Type", ctype)], body)
        data = json.dumps(json.loads(reply)["data"], separators=(",", ":"))
        for contact, kind, ok in (("a@b.c", "email", True), ("13800", "mobile", True),
                                  ("a@b.c", "mobile", False)):
            doc = ('{"title":"%s","contents":"c","contact_type":"%s","%s":"%s","product_id":14424,'
                   '"product_version":"1.0","ticket_form_id":10310875932697,"attachment":[%s]}'
                   % (self.sn, kind, kind, contact, data)).encode()
            request("main", "POST", "/v1/support/tickets",
                    auth + [("Content-Type", "application/json")], doc)
            e = journal(self.sn)[-1]
            self.assertEqual(e["ok"], ok, e["checks"])

    def test_recovery_query_and_apply_once(self):
        hdrs = [("Authorization", "Bearer " + get_token(self.sn)), ("X-Client-Sn", self.sn),
                ("X-Client-Type", "1"), ("X-App-Key", KEY), ("X-Prod-Id", "14424"),
                ("X-Lang", "en-us"), ("X-Prod-Ver", "4.0.5.0")]
        _, reply = request("main", "GET", "/v1/product/downloader/recovery?version=3.0.5", hdrs)
        offer = json.loads(reply)["data"]
        self.assertGreater(offer["id"], 2 ** 31)
        self.assertTrue(journal(self.sn)[-1]["ok"])
        path = "/v1/product/downloader/recovery/%d/apply" % offer["id"]
        apply_headers = hdrs[:1] + [("Content-Type", "application/json")] + hdrs[1:]
        body = ('{"email":"%s@x.y"}' % self.sn).encode()
        codes = [json.loads(request("main", "POST", path, apply_headers, body)[1])["code"]
                 for _ in range(2)]
        self.assertEqual(codes, [0, 366001])

    def test_collector_decodes_and_flags(self):
        records = [{"distinct_id": self.sn, "event": "downloader_pop",
                    "lib": {"$lib": "cpp", "$lib_method": "code", "$lib_version": "0.8"},
                    "properties": {"pop_name": "x\u00e9"}, "time": 1, "type": "track"}]
        batch = json.dumps(records, separators=(",", ":"), ensure_ascii=False).encode()
        enc = urllib.parse.quote(base64.b64encode(gzip.compress(batch, 9)), safe="-._~")
        hdrs = [("User-Agent", "OrbAnalytics CPP SDK 0.8"),
                ("Content-Type", "application/x-www-form-urlencoded")]
        status, _ = request("fallback", "POST", "/sa?project=UA_Orb_Web", hdrs,
                            ("data_list=%s&gzip=1" % enc).encode())
        self.assertEqual(status, 200)
        e = journal(self.sn)[-1]
        self.assertTrue(e["ok"], e["checks"])
        self.assertEqual(e["records"], records)
        # Invalid JSON inside the batch: refused, and the verdict says why.
        broken = urllib.parse.quote(base64.b64encode(gzip.compress(batch[:-1] + b',}]')), safe="")
        status, _ = request("main", "POST", "/sa?project=UA_Orb_Web&t=" + self.sn, hdrs,
                            ("data_list=%s&gzip=1" % broken).encode())
        self.assertEqual(status, 400)
        self.assertFalse(check(journal(self.sn)[-1], "json")["ok"])
        # Base64 left with raw '+', '/' or '=' is flagged though it decodes.
        loose = base64.b64encode(gzip.compress(batch)).decode()
        request("main", "POST", "/sa?project=UA_Orb_Web&u=" + self.sn, hdrs,
                ("data_list=%s&gzip=1" % loose).encode())
        if any(c in loose for c in "+/="):
            self.assertFalse(check(journal(self.sn)[-1], "percent encoding")["ok"])

    def test_track_report_members(self):
        doc = {"product_id": "5", "orbver": "204", "orbversion": "3.0.5.1", "orbnamepid": "",
               "client_sign": self.sn, "orbtrackid": "", "is_first_install": 1}
        body = json.dumps(doc, separators=(",", ":")).encode()
        status, _ = request("main", "POST", "/rest/v2/downloader/track?client_sign=" + self.sn,
                            [("Content-Type", "application/json")], body)
        self.assertEqual(status, 200)
        self.assertTrue(journal(self.sn)[-1]["ok"])
        doc["is_first_install"] = "1"
        request("main", "POST", "/rest/v2/downloader/track?client_sign=" + self.sn,
                [("Content-Type", "application/json")], json.dumps(doc).encode())
        e = journal(self.sn)[-1]
        self.assertFalse(check(e, "is_first_install")["ok"])
        self.assertFalse(check(e, "compact")["ok"])

    def test_runtime_document_and_package_range(self):
        target = ("/rest/v2/downloader/runtime/?client_sign=%s&product_id=77&orb=3.0.5"
                  "&scene_code=s&platform=win_x64" % self.sn)
        status, xml = request("main", "GET", target, version11=False)
        self.assertTrue(journal(self.sn)[-1]["ok"])
        url = xml.decode().split("<download_url_x64>")[1].split("<")[0]
        path = urllib.parse.urlsplit(url).path
        conn = http.client.HTTPConnection("127.0.0.1", ports()["main"], timeout=10)
        conn.request("GET", path, headers={"Range": "bytes=10-19"})
        resp = conn.getresponse()
        self.assertEqual(resp.status, 206)
        self.assertEqual(resp.read(), bytes(i % 251 for i in range(10, 20)))
        conn.close()
        status, _ = request("main", "GET", target.replace("win_x64", "win_x65"), version11=True)
        e = journal(self.sn)[-1]
        self.assertFalse(check(e, "platform")["ok"])
        self.assertFalse(check(e, "HTTP/1.0")["ok"])


if __name__ == "__main__":
    if not STATE or not os.path.exists(os.path.join(STATE, "ports.json")):
        sys.stderr.write("ORB_CLOUD_DIR must name a running stand-in's state folder\n")
        sys.exit(1)
    unittest.main()
