#!/usr/bin/python3
"""A real HTTP server on 127.0.0.1 for the tests: a web site and a notification endpoint.

    http_server.py --port N --folder DIR [--answers A] [--tls-cert PEM --tls-key PEM]

GET serves the files under DIR/root as a web server does: an ETag from the content, a
Last-Modified from the file's time, 304 to a matching If-None-Match or, without one, to an
If-Modified-Since not older than the file; 404 for anything else. DIR/rules.json (read on every
request, so a test may change it) maps a path to what to answer instead, all optional:
{"status": 410, "headers": {"Location": "..."}, "body": "...", "sleep": 5}. Every GET is logged
to DIR/requests.log as "path<TAB>User-Agent<TAB>If-None-Match".

Every POST is answered with the next of --answers ("STATUS", "STATUS:RETRY_AFTER" or
"sleep:SECONDS" before a 200, comma-separated; the last one repeats) and appended to
DIR/posts.log as one JSON line {"path", "contentType", "body"}.

HTTP/1.1 with kept-alive connections, each on a thread of its own.
"""
import argparse
import email.utils
import hashlib
import json
import os
import ssl
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *unused):
        pass

    def answer(self, status, body=b"", headers=None):
        self.send_response(status)
        headers = dict(headers or {})
        headers.setdefault("Content-Type", "text/html")
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def rule(self):
        try:
            with open(os.path.join(self.server.folder, "rules.json")) as rules:
                return json.load(rules).get(self.path.split("?")[0])
        except (OSError, ValueError):
            return None

    def do_GET(self):
        with self.server.lock, open(os.path.join(self.server.folder, "requests.log"), "a") as log:
            log.write("%s\t%s\t%s\n" % (self.path, self.headers.get("User-Agent", ""),
                                        self.headers.get("If-None-Match", "")))
        rule = self.rule() or {}
        time.sleep(rule.get("sleep", 0))
        status, headers, body = self.served()
        status = rule.get("status", status)
        headers.update(rule.get("headers", {}))
        if "body" in rule:
            body = rule["body"].encode()
        if status == 200 and self.unchanged(headers):
            status, body = 304, b""
        self.answer(status, body, headers)

    def served(self):
        root = os.path.join(self.server.folder, "root")
        path = os.path.normpath(os.path.join(root, self.path.split("?")[0].lstrip("/")))
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            return 404, {}, b"Not found."
        with open(path, "rb") as file:
            body = file.read()
        return 200, {"ETag": '"%s"' % hashlib.sha1(body).hexdigest()[:16],
                     "Last-Modified": email.utils.formatdate(os.path.getmtime(path),
                                                             usegmt=True)}, body

    def unchanged(self, headers):
        if "If-None-Match" in self.headers:
            return self.headers["If-None-Match"] == headers.get("ETag")
        since = self.headers.get("If-Modified-Since")
        modified = headers.get("Last-Modified")
        if not since or not modified:
            return False
        try:
            return (email.utils.parsedate_to_datetime(since) >=
                    email.utils.parsedate_to_datetime(modified))
        except (TypeError, ValueError):
            return False

    def do_POST(self):
        length = min(int(self.headers.get("Content-Length", "0")), 16 << 20)
        body = self.rfile.read(length)
        with self.server.lock:
            with open(os.path.join(self.server.folder, "posts.log"), "a") as log:
                log.write(json.dumps({"path": self.path,
                                      "contentType": self.headers.get("Content-Type", ""),
                                      "body": body.decode("utf-8", "replace")}) + "\n")
            answers = self.server.answers
            status = answers.pop(0) if len(answers) > 1 else answers[0]
        if status[0] == "sleep":
            time.sleep(float(status[1]))
            status = ["200"]
        headers = {"Retry-After": status[1]} if len(status) > 1 else {}
        self.answer(int(status[0]), b"answer %s" % status[0].encode(), headers)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64  # the default 5 drops connections opened at once by a busy client
    context = None

    def finish_request(self, request, client_address):
        # The handshake on the connection's own thread, so that a failing one holds up no other.
        if self.context:
            request = self.context.wrap_socket(request, server_side=True)
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass  # the handshakes the client refuses, on purpose


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--folder", required=True)
    parser.add_argument("--answers", default="200")
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    options = parser.parse_args()
    server = Server(("127.0.0.1", options.port), Handler)
    server.folder = options.folder
    server.lock = threading.Lock()
    server.answers = [a.split(":") for a in options.answers.split(",")]
    if options.tls_cert:
        server.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server.context.load_cert_chain(options.tls_cert, options.tls_key)
    server.serve_forever()


if __name__ == "__main__":
    main()
