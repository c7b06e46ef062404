#!/usr/bin/python3
"""A loopback HTTP server for the tests, both a web site and a notification endpoint.

GET serves the files under --root (404 for anything else); GET /elsewhere/PATH redirects to
the same PATH on "localhost", another host name. Every POST is answered with the next of
--answers ("STATUS", "STATUS:RETRY_AFTER" or "sleep:SECONDS" before a 200, comma-separated;
the last one repeats) and appended
to --log as one JSON line {"path", "contentType", "body"}.

Prints "PORT <number>" once it listens; ends when its standard input closes (the test ended).
"""
import argparse
import http.server
import json
import os
import sys
import threading
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--answers", default="200")
    args = parser.parse_args()
    answers = [a.split(":") for a in args.answers.split(",")]
    lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *unused):
            pass

        def answer(self, status, body=b"", headers=()):
            self.send_response(status)
            for name, value in headers:
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            if self.path.startswith("/elsewhere/"):
                port = self.server.server_address[1]
                target = "http://localhost:%d/%s" % (port, self.path[len("/elsewhere/"):])
                return self.answer(302, headers=[("Location", target)])
            path = os.path.normpath(os.path.join(args.root, self.path.lstrip("/")))
            if not path.startswith(args.root + os.sep) or not os.path.isfile(path):
                return self.answer(404)
            with open(path, "rb") as file:
                self.answer(200, file.read())

        def do_POST(self):
            length = min(int(self.headers.get("Content-Length", "0")), 16 << 20)
            body = self.rfile.read(length)
            with lock:
                with open(args.log, "a") as log:
                    log.write(json.dumps({"path": self.path,
                                          "contentType": self.headers.get("Content-Type", ""),
                                          "body": body.decode("utf-8", "replace")}) + "\n")
                status = answers.pop(0) if len(answers) > 1 else answers[0]
            if status[0] == "sleep":
                time.sleep(float(status[1]))
                status = ["200"]
            headers = [("Retry-After", status[1])] if len(status) > 1 else []
            self.answer(int(status[0]), b"answer %s" % status[0].encode(), headers)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    sys.stdin.read()
    os._exit(0)


if __name__ == "__main__":
    main()
