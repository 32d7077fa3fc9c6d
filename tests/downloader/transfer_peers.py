#!/usr/bin/env python3
"""Servers for the range transfer and host table tests.

  transfer_peers.py start --state-dir DIR   prints "<hosts> <primary> <secondary> <odd>" once up
  transfer_peers.py stop  --state-dir DIR

- hosts: the project's test server (tools/testserver/server.py), one instance on each of
  127.0.0.1 ... 127.0.0.12, all on the same port, each with its own folder (DIR/hosts/<n>/)
  holding files whose sizes differ by address (SIZES below). Request logs: DIR/hosts/<n>.log.
- primary, secondary: two HTTP-DNS resolvers over TLS on 127.0.0.1, with a certificate for
  resolver.test (no address) signed by a throwaway authority, DIR/ca.pem. They check
  every request's query (key order, account values, time stamp, SHA-256 key, all computed
  here from the stored account texts) and answer from ANSWERS; a bad request gets 400/403
  and a text that is not an address list. The primary answers nothing (empty body) for
  names that start with "second-". Requests are logged to DIR/dns.log as
  "<role> <target>". Other paths on them answer 200 with 1000 bytes.
- odd: plain HTTP on 127.0.0.1: /shifted/<size> answers any Range with a 206 whose
  Content-Range starts 1000 bytes later than asked.
"""

import base64
import hashlib
import http.server
import importlib.util
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_daemon  # noqa: E402
from peer_daemon import write_atomic  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
TESTSERVER = os.path.join(HERE, "..", "..", "tools", "testserver", "server.py")
ADDRESSES = ["127.0.0.%d" % n for n in range(1, 13)]

# The account of the tests, in its stored form (base64 with inserted characters).
STORED_ID = "MTZAwMjMx"
STORED_SECRET = "Nk9Q22YzYzlhMWU1YjJkNGY2YThjMGUxYjNkNWY3YTljMmU="
STORED_ACCESS_KEY = "QUt0Zu7Yx1XN0MDEyMzQ1Njc4OWFiY2RlZmdo"

# file -> size per address number; addresses without an entry do not have the file.
SIZES = {
    "majority.bin": {1: 1000, 2: 1000, 3: 999},
    "tie.bin": {4: 700, 5: 700, 6: 500, 7: 500},
    "twelve.bin": {n: 4096 for n in range(1, 13)},
}


def quoted(addresses, sep=","):
    return "[" + sep.join('"%s"' % a for a in addresses) + "]"


ANSWERS = {
    "majority.invalid": quoted(ADDRESSES[0:3]),
    "tie.invalid": quoted(ADDRESSES[3:7]),
    "twelve.invalid": quoted(reversed(ADDRESSES)),
    "silent.invalid": quoted(ADDRESSES[0:2]),
    "second-only.invalid": quoted(["127.0.0.5"]),
    "order.invalid": ' [ "127.0.0.3" , "10.0.0.2","127.0.0.1" ] \n',
    "garbage.invalid": "<html><body>resolver is down</body></html>",
    "hostile.invalid": '["1.2.3","999.1.1.1","0.0.0.0","224.1.1.1","010.0.0.1",'
                       '"127.0.0.1;rm","", 127.0.0.8 ,"127.0.0.9"]',
    "many.invalid": quoted("127.1.%d.%d" % (n // 200, n % 200 + 1) for n in range(100)),
    "empty.invalid": "[]",
}


def unscramble(stored, length, index, count):
    assert len(stored) == length, stored
    text = stored[:index] + stored[index + count:]
    text = text.split("=", 1)[0]
    text += "=" * (-len(text) % 4)
    return base64.b64decode(text, validate=True).decode()


ACCOUNT_ID = unscramble(STORED_ID, 9, 2, 1)
SECRET = unscramble(STORED_SECRET, 48, 1, 4)
ACCESS_KEY = unscramble(STORED_ACCESS_KEY, 37, 5, 5)
QUERY_KEYS = ["type", "short", "uid", "ak", "name", "ts", "key"]


class ResolverHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body, extra=()):
        data = body.encode() if isinstance(body, str) else body
        self.send_response(status)
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)
        self.close_connection = True

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        role = self.server.role
        if role == "odd":
            return self.odd()
        with self.server.log_lock:
            with open(self.server.log_path, "a") as f:
                f.write("%s %s\n" % (role, self.path))
        path, _, query = self.path.partition("?")
        if path != "/resolve":
            return self.answer(200, b"r" * 1000)
        pairs = [p.partition("=") for p in query.split("&")]
        if [k for k, _, _ in pairs] != QUERY_KEYS:
            return self.answer(400, "bad query")
        q = {k: v for k, _, v in pairs}
        signed = q["uid"] + SECRET + q["ts"] + q["name"] + q["ak"]
        if (q["type"] != "1" or q["short"] != "1" or q["uid"] != ACCOUNT_ID
                or q["ak"] != ACCESS_KEY or not q["ts"].isdigit()
                or abs(int(q["ts"]) - time.time()) > 600
                or q["key"] != hashlib.sha256(signed.encode()).hexdigest()):
            return self.answer(403, "bad key")
        name = q["name"]
        if role == "primary" and name.startswith("second-"):
            return self.answer(200, "")
        return self.answer(200, ANSWERS.get(name, "[]"))

    def odd(self):
        path = self.path.partition("?")[0]
        parts = path.strip("/").split("/")
        if len(parts) < 2 or parts[0] != "shifted" or not parts[1].isdigit():
            return self.answer(404, "no such path")
        size = int(parts[1])
        first, last = 0, size - 1
        asked = self.headers.get("Range", "")
        if asked.startswith("bytes="):
            a, _, b = asked[6:].partition("-")
            first = int(a or 0)
            last = int(b) if b else size - 1
        shifted = min(first + 1000, size - 1)
        body = b"s" * (last - first + 1)
        self.answer(206, body, [("Content-Range", "bytes %d-%d/%d" % (shifted, shifted + len(body) - 1, size))])


class ResolverServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, role, log_path, tls):
        super().__init__(("127.0.0.1", 0), ResolverHandler)
        self.role = role
        self.log_path = log_path
        self.log_lock = threading.Lock()
        self.tls = tls

    def get_request(self):
        sock, address = super().get_request()
        if self.tls is not None:
            sock.settimeout(10)
            try:
                sock = self.tls.wrap_socket(sock, server_side=True)
            except (OSError, ssl.SSLError):
                sock.close()
                raise OSError("handshake failed")
        return sock, address


def make_certificate(state):
    """A throwaway authority (DIR/ca.pem), the resolvers' certificate for resolver.test
    signed by it, and an authority of the same name that signed nothing (DIR/other_ca.pem)."""
    def openssl(*args):
        subprocess.run(["openssl"] + list(args), cwd=state, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "2", "-subj", "/CN=transfer test authority")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "other_ca.key", "-out",
            "other_ca.pem", "-days", "2", "-subj", "/CN=transfer test authority")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "resolver.key", "-out",
            "resolver.csr", "-subj", "/CN=resolver.test")
    with open(os.path.join(state, "resolver.ext"), "w") as f:
        f.write("subjectAltName=DNS:resolver.test\nbasicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", "resolver.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "resolver.pem", "-days", "2", "-extfile", "resolver.ext")
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(state, "resolver.pem"), os.path.join(state, "resolver.key"))
    return context


def start_hosts(state):
    found = importlib.util.spec_from_file_location("orb_testserver", TESTSERVER)
    testserver = importlib.util.module_from_spec(found)
    found.loader.exec_module(testserver)
    for number in range(1, len(ADDRESSES) + 1):
        root = os.path.join(state, "hosts", str(number))
        os.makedirs(root, exist_ok=True)
        for name, sizes in SIZES.items():
            if number in sizes:
                with open(os.path.join(root, name), "wb") as f:
                    f.write(bytes(i % 251 for i in range(sizes[number])))
    # One port free on every address: the first server picks it, the others follow.
    for _ in range(50):
        servers = []
        try:
            port = 0
            for number, address in enumerate(ADDRESSES, 1):
                server = testserver.Server((address, port), os.path.join(state, "hosts", str(number)),
                                           os.path.join(state, "hosts", "%d.log" % number))
                servers.append(server)
                port = server.server_address[1]
            return port, servers
        except OSError:
            for server in servers:
                server.server_close()
    raise SystemExit("no port free on every loopback address")


def serve(state):
    port, hosts = start_hosts(state)
    tls = make_certificate(state)
    log_path = os.path.join(state, "dns.log")
    open(log_path, "w").close()
    resolvers = [ResolverServer("primary", log_path, tls), ResolverServer("secondary", log_path, tls),
                 ResolverServer("odd", log_path, None)]
    for server in hosts + resolvers:
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                         daemon=True).start()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    write_atomic(os.path.join(state, "ports"), "%d %d %d %d\n" % (
        port, resolvers[0].server_address[1], resolvers[1].server_address[1],
        resolvers[2].server_address[1]))
    while not stop.wait(0.5):
        pass


if __name__ == "__main__":
    sys.exit(peer_daemon.main(__doc__, __file__, serve, "peers.log", "transfer peers", timeout=20))
