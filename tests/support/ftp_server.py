#!/usr/bin/python3
"""A real FTP server for the tests: pyftpdlib on 127.0.0.1 (or ::1) with one user and a given root,
optionally offering explicit FTP over TLS (--tls-cert, --tls-key) or requiring it (--tls-required),
or listing with LIST only (--no-mlsd).

Prints "PORT <number>" once it listens, then serves until it is terminated.
"""
import argparse
import logging
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class LinkShowingFS(AbstractedFS):
    """Describes a link in MLSD as the link itself, as ProFTPD and Pure-FTPd do, rather than as
    what it leads to; LIST shows links as links either way."""

    def stat(self, path):
        return self.lstat(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.1", help="the loopback address to listen on")
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--tls-required", action="store_true")
    parser.add_argument("--no-mlsd", action="store_true",
                        help="neither offer nor take MLST and MLSD: list with LIST only")
    parser.add_argument("--command-log", help="a file that receives every command line")
    args = parser.parse_args()

    # Configured logging keeps pyftpdlib from logging every command to stderr.
    if args.command_log:
        logging.basicConfig(level=logging.DEBUG, filename=args.command_log)
    else:
        logging.basicConfig(level=logging.WARNING)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_FTPHandler

        base = TLS_FTPHandler

    class Handler(base):
        pass

    if args.tls_cert:
        Handler.certfile = args.tls_cert
        Handler.keyfile = args.tls_key
        Handler.tls_control_required = args.tls_required
        Handler.tls_data_required = args.tls_required

    if args.no_mlsd:
        # FEAT lists MLST only while the handler takes the commands.
        Handler.proto_cmds = {name: spec for name, spec in base.proto_cmds.items()
                              if name not in ("MLST", "MLSD")}

    Handler.authorizer = authorizer
    Handler.abstracted_fs = LinkShowingFS
    Handler.auth_failed_timeout = 0  # a wrong password is answered at once

    server = FTPServer((args.host, 0), Handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("PORT", server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
