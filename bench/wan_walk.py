#!/usr/bin/python3
"""Times `sitewright generate` builds against each other over a slow link: FTP plain and over
TLS, and SFTP.

Serves a generated site with pyftpdlib (plain, and requiring TLS with a throw-away self-signed
certificate) and with OpenSSH's sshd (its own configuration, host key and authorized key in a
temporary folder, 127.0.0.1 only), all behind bench/wan_relay.py, and walks it with each given
binary in every mode, round after round, the modes interleaved within each round (with
--rclone, rclone's recursive listing as well, in every mode or in those listed). Prints one
line per walk, then the median of each binary and mode, its peak RSS and its ratio to rclone.

Usage: bench/wan_walk.py BINARY [BINARY...] [--folders N] [--connections N] [--rounds N]
                         [--delay S] [--modes plain,tls,sftp] [--connect-delay]
                         [--rclone [MODES]] [--ftp-port N] [--ssh-port N]
"""
import argparse
import getpass
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from peer_report import (ROOT, Server, WAN_HOST, WAN_PASSIVE, WAN_PORT,  # noqa: E402
                         commands_sent, configure, count_urls, ftp_remote, make_site,
                         rclone_walk, run_measured)

def self_signed(folder):
    """A certificate for WAN_HOST and its SHA-256 fingerprint as the program writes it."""
    cert, key = folder / "cert.pem", folder / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key),
                    "-out", str(cert), "-days", "2", "-subj", f"/CN={WAN_HOST}",
                    "-addext", f"subjectAltName=IP:{WAN_HOST}"], check=True, capture_output=True)
    out = subprocess.run(["openssl", "x509", "-in", str(cert), "-noout", "-fingerprint", "-sha256"],
                         check=True, capture_output=True, text=True).stdout
    return cert, key, "SHA256:" + out.strip().split("=", 1)[1]


class SshServer:
    """sshd on 127.0.0.1:port for the current user, who logs in with self.key."""

    def __init__(self, folder, port):
        folder.mkdir()
        self.host_key, self.key = folder / "host_key", folder / "client_key"
        for key in (self.host_key, self.key):
            subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "", "-f",
                            str(key)], check=True)
        authorized = folder / "authorized_keys"
        authorized.write_text(Path(f"{self.key}.pub").read_text())
        config = folder / "sshd_config"
        config.write_text(f"ListenAddress 127.0.0.1\nPort {port}\nHostKey {self.host_key}\n"
                          f"AuthorizedKeysFile {authorized}\nPidFile none\nStrictModes no\n"
                          "PermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                          "KbdInteractiveAuthentication no\nUsePAM no\n"
                          "Subsystem sftp internal-sftp\nLogLevel ERROR\n")
        if os.geteuid() == 0:
            os.makedirs("/run/sshd", mode=0o755, exist_ok=True)  # sshd's privilege separation
        self.process = subprocess.Popen(["/usr/sbin/sshd", "-D", "-f", str(config), "-E",
                                         str(folder / "sshd.log")])
        deadline = time.monotonic() + 10
        while True:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                if time.monotonic() > deadline or self.process.poll() is not None:
                    self.stop()
                    raise RuntimeError("sshd did not start")
                time.sleep(0.1)
        out = subprocess.run(["ssh-keygen", "-l", "-E", "sha256", "-f", f"{self.host_key}.pub"],
                             check=True, capture_output=True, text=True).stdout
        self.fingerprint = out.split()[1]

    def remote(self, host, port, site):
        """rclone's on-the-fly remote for site through host:port, key login, host key unchecked."""
        return (f":sftp,host={host},port={port},user={getpass.getuser()},"
                f"key_file={self.key}:{site}")

    def stop(self):
        self.process.terminate()
        self.process.wait()


def configure_mode(binary, folder, mode, args, cert_fingerprint, ssh, site):
    """A site description of the walk in mode, through the relay."""
    connections = args.connections
    if mode == "sftp":
        subprocess.run([binary, "configure", "--dir", str(folder), "--url", "https://www.example.jp",
                        "--host", f"{WAN_HOST}:{args.ssh_port}", "--user", getpass.getuser(),
                        "--transport", "sftp", "--key-file", str(ssh.key), "--trust-host-key",
                        ssh.fingerprint, "--root", str(site), "--connections", str(connections)],
                       check=True, stdout=subprocess.DEVNULL)
        return
    configure(binary, folder, args.ftp_port, WAN_HOST, connections)
    if mode == "tls":
        subprocess.run([binary, "configure", "--dir", str(folder), "--tls", "required",
                        "--trust-fingerprint", cert_fingerprint],
                       check=True, stdout=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binaries", nargs="+")
    parser.add_argument("--folders", type=int, default=1000)
    parser.add_argument("--files", type=int, default=10)
    parser.add_argument("--connections", type=int, default=4)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--delay", type=float, default=0.025)
    parser.add_argument("--modes", default="plain,tls", help="of plain, tls (FTP) and sftp")
    parser.add_argument("--rclone", nargs="?", const="plain,tls,sftp",
                        help="rclone lsf -R as a peer, in the modes listed (all when none)")
    parser.add_argument("--ftp-port", type=int, default=WAN_PORT)
    parser.add_argument("--ssh-port", type=int, default=2222)
    parser.add_argument("--connect-delay", action="store_true",
                        help="the relay's mode that delays each data connection by a round trip")
    args = parser.parse_args()
    modes = args.modes.split(",")
    rclone_modes = set(args.rclone.split(",")) if args.rclone else set()

    work = Path(tempfile.mkdtemp(prefix="sw_wanwalk_"))
    walls, peaks = {}, {}
    print(f"load average at the start: {os.getloadavg()}", flush=True)
    ssh = relay = None
    try:
        serve = work / "serve"
        serve.mkdir()
        site, _ = make_site(serve, args.folders, args.files)
        cert, key, fingerprint = self_signed(work)
        if "sftp" in modes:
            ssh = SshServer(work / "ssh", args.ssh_port)
        relay = subprocess.Popen(
            ["/usr/bin/python3", str(ROOT / "bench/wan_relay.py"), "--listen", WAN_HOST,
             "--ports", f"{args.ftp_port},{WAN_PASSIVE},{args.ssh_port}", "--delay", str(args.delay)]
            + (["--connect-delay"] if args.connect_delay else []),
            stdout=subprocess.PIPE, text=True)
        if relay.stdout.readline().strip() != "ready":
            raise RuntimeError("the relay did not start")

        def record(mode, name, wall, rss, line):
            print(f"{mode} {name}: {wall:.2f} s, {line}, peak {rss:.0f} MiB", flush=True)
            walls.setdefault((mode, name), []).append(wall)
            peaks[(mode, name)] = max(peaks.get((mode, name), 0), rss)

        for _ in range(args.rounds):
            for mode in modes:
                server = None
                if mode != "sftp":
                    extra = ["--port", str(args.ftp_port), "--passive-ports", WAN_PASSIVE]
                    if mode == "tls":
                        extra += ["--tls-cert", str(cert), "--tls-key", str(key), "--tls-required"]
                    server = Server(serve, extra)
                try:
                    for binary in args.binaries:
                        folder = work / "program"
                        shutil.rmtree(folder, ignore_errors=True)
                        folder.mkdir()
                        configure_mode(binary, folder, mode, args, fingerprint, ssh, site)
                        wall, cpu, rss, summary = run_measured([binary, "generate", "--dir",
                                                                str(folder)])
                        record(mode, binary, wall, rss, f"{count_urls(folder)} rows, "
                               f"{commands_sent(summary)} requests, CPU {cpu:.2f} s")
                    if mode in rclone_modes:
                        remote = (ssh.remote(WAN_HOST, args.ssh_port, site) if mode == "sftp"
                                  else ftp_remote(WAN_HOST, args.ftp_port, mode == "tls"))
                        wall, rss, pages = rclone_walk(remote, args.connections)
                        record(mode, "rclone", wall, rss, f"{pages} pages")
                finally:
                    if server:
                        server.stop()
    finally:
        if relay:
            relay.terminate()
            relay.wait()
        if ssh:
            ssh.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"load average at the end: {os.getloadavg()}")
    for (mode, name), runs in walls.items():
        median = statistics.median(runs)
        against = "".join(f", {median / statistics.median(walls[(peer, 'rclone')]):.2f} × "
                          f"rclone {peer}" for peer in dict.fromkeys((mode, "sftp"))
                          if (peer, "rclone") in walls and name != "rclone")
        print(f"median {mode} {name}: {median:.2f} s of {len(runs)}, peak {peaks[(mode, name)]:.0f} "
              f"MiB{against}")


if __name__ == "__main__":
    main()
