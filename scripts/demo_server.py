#!/usr/bin/python3
"""The demonstration's web host on 127.0.0.1: an FTP server (pyftpdlib) over a folder, offering
FTP over TLS with a certificate the demo made (--tls-cert, --tls-key), and a web server over that
folder's public_html, as a hosting account would offer them.

Prints "FTP <port>" and "HTTP <port>" once both listen, then serves until it is terminated.
"""
import argparse
import functools
import http.server
import logging
import os
import signal
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    # The demo's IndexNow endpoint: takes every notification and appends it to
    # indexnow.log beside the site, so that the whole road can be shown without a third party.
    def do_POST(self):
        length = min(int(self.headers.get("Content-Length", "0")), 16 << 20)
        body = self.rfile.read(length)
        if self.path != "/indexnow":
            self.send_error(404)
            return
        with open(os.path.join(self.directory, "..", "indexnow.log"), "ab") as log:
            log.write(body + b"\n")
        self.send_response(202)
        self.send_header("Content-Length", "0")
        self.end_headers()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the FTP account's folder")
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_FTPHandler

        base = TLS_FTPHandler
    handler = type("Handler", (base,), {"authorizer": authorizer})
    if args.tls_cert:
        handler.certfile = args.tls_cert
        handler.keyfile = args.tls_key
    ftp = FTPServer(("127.0.0.1", 0), handler)

    web_root = os.path.join(args.root, "public_html")
    web = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=web_root))
    threading.Thread(target=web.serve_forever, daemon=True).start()

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("FTP", ftp.address[1], flush=True)
    print("HTTP", web.server_address[1], flush=True)
    ftp.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
