#!/usr/bin/env python3
"""A small web site on 127.0.0.1 for the page check's tests: one page of each verdict.

    http_site.py --port N --log FILE [--tls-cert PEM --tls-key PEM]

Serves HTTP/1.1 with kept-alive connections, each on a thread of its own; every request is
logged to FILE as "path<TAB>User-Agent<TAB>If-None-Match".
"""
import argparse
import ssl
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def page(head="", body="Text."):
    return ("<!DOCTYPE html><html><head><title>Page</title>" + head +
            "</head><body>" + body + "</body></html>").encode()


# path: (status, headers, body)
PAGES = {
    "/index.html": (200, {}, page("<link rel=Canonical href='index.html#top'>")),
    "/gone.html": (410, {}, b"Gone."),
    "/moved.html": (301, {"Location": "new/place.html"}, b""),
    "/noindex.html": (200, {}, page('<META NAME=robots CONTENT="NoIndex, follow">')),
    "/header-noindex.html": (200, {"X-Robots-Tag": "googlebot: noindex"}, page()),
    "/canonical.html": (200, {}, page('<link rel="canonical" href="/index.html">')),
    "/error.html": (500, {}, b"Error."),
    "/etag.html": (200, {"ETag": '"v1"'}, page()),
    # The head ends past the first read, and the body is longer than the head's bound.
    "/long.html": (200, {}, page("<!--" + "x" * 70000 + "-->" +
                                 '<meta name="googlebot" content="none">', "y" * 300000)),
}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        with open(self.server.log_path, "a") as log:
            log.write("%s\t%s\t%s\n" % (self.path, self.headers.get("User-Agent", ""),
                                        self.headers.get("If-None-Match", "")))
        status, headers, body = PAGES.get(self.path, (404, {}, b"Not found."))
        if self.path == "/slow.html":
            time.sleep(5)
            status, body = 200, page()
        if "ETag" in headers and self.headers.get("If-None-Match") == headers["ETag"]:
            status, body = 304, b""
        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *arguments):
        pass


class Server(ThreadingHTTPServer):
    daemon_threads = True
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
    parser.add_argument("--log", required=True)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    options = parser.parse_args()
    server = Server(("127.0.0.1", options.port), Handler)
    server.log_path = options.log
    if options.tls_cert:
        server.context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server.context.load_cert_chain(options.tls_cert, options.tls_key)
    server.serve_forever()


if __name__ == "__main__":
    main()
