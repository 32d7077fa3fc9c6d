#!/usr/bin/env python3
"""A small peer for the HTTP helper tests: keeps every request's raw bytes (request line,
header lines in order, body) and answers with replies the test lays down, over plain HTTP
and over TLS with a throwaway certificate authority.

  peer_server.py start --state-dir DIR   prints "<http> <tls> <tls misnamed>" ports once up
  peer_server.py stop  --state-dir DIR

A request for /<name>[/...] is stored as DIR/captured/<name>.<n> (n = 0, 1, ... per name).
The answer is DIR/replies/<name>, sent byte for byte, when that file exists; otherwise a
200 with the body "ok\\n". Every connection closes after one answer.
DIR/ca.pem is the authority. The TLS listener's certificate names localhost and probe.test
(no address); a second TLS listener's names only misnamed.test. Both are signed by it.
"""

import os
import re
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peer_daemon  # noqa: E402
from peer_daemon import write_atomic  # noqa: E402

HEAD_LIMIT = 1 << 20
NAME = re.compile(r"^/([A-Za-z0-9._-]+)")


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        sock.settimeout(30)
        try:
            if self.server.tls is not None:
                sock = self.server.tls.wrap_socket(sock, server_side=True)
            self.exchange(sock)
        except (OSError, ssl.SSLError):
            pass  # a client that refuses the certificate ends here
        finally:
            try:
                sock.close()
            except OSError:
                pass

    def exchange(self, sock):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(65536)
            if not chunk or len(data) > HEAD_LIMIT:
                return
            data += chunk
        head, _, rest = data.partition(b"\r\n\r\n")
        lines = head.split(b"\r\n")
        method, target = (lines[0].split(b" ") + [b"", b""])[:2]
        length = 0
        for line in lines[1:]:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value.strip() or b"0")
            if name.strip().lower() == b"expect" and b"100-continue" in value.lower():
                sock.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
        while len(rest) < length:
            chunk = sock.recv(65536)
            if not chunk:
                break
            rest += chunk
        match = NAME.match(target.decode("latin-1"))
        name = match.group(1) if match else "_"
        self.server.store(name, head + b"\r\n\r\n" + rest)
        reply = os.path.join(self.server.state, "replies", name)
        if os.path.isfile(reply):
            with open(reply, "rb") as f:
                sock.sendall(f.read())
        else:
            body = b"" if method == b"HEAD" else b"ok\n"
            sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\n" + body)
        try:
            sock.shutdown(socket.SHUT_WR)
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, state, tls):
        super().__init__(("127.0.0.1", 0), Handler)
        self.state = state
        self.tls = tls
        self.lock = threading.Lock()
        self.counts = {}

    def store(self, name, raw):
        with self.lock:
            n = self.counts.get(name, 0)
            self.counts[name] = n + 1
        write_atomic(os.path.join(self.state, "captured", "%s.%d" % (name, n)), raw)


def make_certificates(state):
    def run(*args):
        subprocess.run(["openssl"] + list(args), cwd=state, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
        "-days", "2", "-subj", "/CN=orb test authority")
    for serial, (leaf, names) in enumerate([("leaf", "DNS:localhost,DNS:probe.test"),
                                            ("misnamed", "DNS:misnamed.test")]):
        with open(os.path.join(state, leaf + ".ext"), "w") as f:
            f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\n"
                    "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n" % names)
        run("req", "-newkey", "rsa:2048", "-nodes", "-keyout", leaf + ".key", "-out", leaf + ".csr",
            "-subj", "/CN=" + names.split(",")[0][4:])
        run("x509", "-req", "-in", leaf + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-set_serial",
            str(int(time.time()) * 2 + serial), "-out", leaf + ".pem", "-days", "2",
            "-extfile", leaf + ".ext")


def tls_context(state, leaf):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(state, leaf + ".pem"), os.path.join(state, leaf + ".key"))
    return context


def serve(state):
    make_certificates(state)
    for sub in ("captured", "replies"):
        os.makedirs(os.path.join(state, sub), exist_ok=True)
    servers = [Server(state, None), Server(state, tls_context(state, "leaf")),
               Server(state, tls_context(state, "misnamed"))]
    for s in servers:
        threading.Thread(target=s.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    stopping = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    ports = " ".join(str(s.server_address[1]) for s in servers)
    write_atomic(os.path.join(state, "ports"), (ports + "\n").encode())
    stopping.wait()
    for s in servers:
        s.shutdown()


def clear_exchanges(state):
    subprocess.run(["rm", "-rf", os.path.join(state, "captured"), os.path.join(state, "replies")])


if __name__ == "__main__":
    sys.exit(peer_daemon.main(__doc__, __file__, serve, "peer.log", "peer", timeout=30,
                              before_start=clear_exchanges))
