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
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer, ThreadedFTPServer


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
    parser.add_argument("--port", type=int, default=0, help="the control port (0: any free one)")
    parser.add_argument("--passive-ports", help="the passive data ports, FIRST-LAST")
    parser.add_argument("--command-delay", type=float, default=0,
                        help="seconds each command waits before it is served, each session on a "
                             "thread of its own (a slow link)")
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
        def pre_process_command(self, line, cmd, arg):
            if args.command_delay:
                time.sleep(args.command_delay)
            super().pre_process_command(line, cmd, arg)

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

    server_class = ThreadedFTPServer if args.command_delay else FTPServer
    if args.passive_ports:
        first, last = (int(port) for port in args.passive_ports.split("-"))
        Handler.passive_ports = range(first, last + 1)
    server = server_class((args.host, args.port), Handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("PORT", server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
