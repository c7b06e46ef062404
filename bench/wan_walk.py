#!/usr/bin/python3
"""Times `sitewright generate` builds against each other over a slow link, plain and over TLS.

Serves a generated site with pyftpdlib (plain, and requiring TLS with a throw-away self-signed
certificate) behind bench/wan_relay.py, and walks it with each given binary in
alternating rounds (with --rclone, rclone's recursive listing as well). Prints one line per walk and the best wall time of each binary and mode.

Usage: bench/wan_walk.py BINARY [BINARY...] [--folders N] [--connections N] [--rounds N]
                         [--delay S] [--modes plain,tls] [--connect-delay] [--rclone]
"""
import argparse
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from peer_report import (ROOT, Server, WAN_HOST, WAN_PASSIVE, WAN_PORT,  # noqa: E402
                         commands_sent, configure, count_urls, make_site, rclone_walk,
                         run_measured)


def self_signed(folder):
    """A certificate for WAN_HOST and its SHA-256 fingerprint as the program writes it."""
    cert, key = folder / "cert.pem", folder / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key),
                    "-out", str(cert), "-days", "2", "-subj", f"/CN={WAN_HOST}",
                    "-addext", f"subjectAltName=IP:{WAN_HOST}"], check=True, capture_output=True)
    out = subprocess.run(["openssl", "x509", "-in", str(cert), "-noout", "-fingerprint", "-sha256"],
                         check=True, capture_output=True, text=True).stdout
    return cert, key, "SHA256:" + out.strip().split("=", 1)[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binaries", nargs="+")
    parser.add_argument("--folders", type=int, default=1000)
    parser.add_argument("--files", type=int, default=10)
    parser.add_argument("--connections", type=int, default=4)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--delay", type=float, default=0.025)
    parser.add_argument("--modes", default="plain,tls")
    parser.add_argument("--rclone", action="store_true", help="rclone lsf -R as a peer")
    parser.add_argument("--connect-delay", action="store_true",
                        help="the relay's mode that delays each data connection by a round trip")
    args = parser.parse_args()

    work = Path(tempfile.mkdtemp(prefix="sw_wanwalk_"))
    best = {}
    try:
        serve = work / "serve"
        serve.mkdir()
        make_site(serve, args.folders, args.files)
        cert, key, fingerprint = self_signed(work)
        relay = subprocess.Popen(
            ["/usr/bin/python3", str(ROOT / "bench/wan_relay.py"), "--listen", WAN_HOST,
             "--ports", f"{WAN_PORT},{WAN_PASSIVE}", "--delay", str(args.delay)]
            + (["--connect-delay"] if args.connect_delay else []),
            stdout=subprocess.PIPE, text=True)
        if relay.stdout.readline().strip() != "ready":
            raise RuntimeError("the relay did not start")
        try:
            for mode in args.modes.split(","):
                extra = ["--port", str(WAN_PORT), "--passive-ports", WAN_PASSIVE]
                if mode == "tls":
                    extra += ["--tls-cert", str(cert), "--tls-key", str(key), "--tls-required"]
                server = Server(serve, extra)
                try:
                    for _ in range(args.rounds):
                        for binary in args.binaries:
                            folder = work / "program"
                            shutil.rmtree(folder, ignore_errors=True)
                            folder.mkdir()
                            configure(binary, folder, WAN_PORT, WAN_HOST, args.connections)
                            if mode == "tls":
                                subprocess.run([binary, "configure", "--dir", str(folder), "--tls",
                                                "required", "--trust-fingerprint", fingerprint],
                                               check=True, stdout=subprocess.DEVNULL)
                            wall, cpu, rss, summary = run_measured([binary, "generate", "--dir",
                                                                    str(folder)])
                            print(f"{mode} {binary}: {wall:.2f} s, {count_urls(folder)} rows, "
                                  f"{commands_sent(summary)} commands, CPU {cpu:.2f} s, "
                                  f"peak {rss:.0f} MiB", flush=True)
                            key_ = (mode, binary)
                            best[key_] = min(best.get(key_, wall), wall)
                        if args.rclone:
                            wall = rclone_walk(WAN_HOST, WAN_PORT, args.connections, mode == "tls")
                            print(f"{mode} rclone: {wall:.2f} s", flush=True)
                            best[(mode, "rclone")] = min(best.get((mode, "rclone"), wall), wall)
                finally:
                    server.stop()
        finally:
            relay.terminate()
            relay.wait()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for (mode, binary), wall in best.items():
        print(f"best {mode} {binary}: {wall:.2f} s")


if __name__ == "__main__":
    main()
