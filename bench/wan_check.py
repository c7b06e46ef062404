#!/usr/bin/python3
"""Times the page check over a slow link against its floor, pages x round trip / connections.

Serves PAGES small pages with the tests' HTTP/1.1 keep-alive server (tests/support/http_server.py,
a thread per connection, ETags and 304s) on 127.0.0.1, puts bench/wan_relay.py in front of it at
the given round trip, and runs build/bench/sitewright_check_driver under /usr/bin/time -v with each
number of connections: a first run that gets every page, then a second with the first run's
validators, with nothing changed (every answer a 304). Prints elapsed time, the floor, the ratio
and the driver's peak memory for each run.

With --plain-client, a minimal Python client (http.client, one kept-alive connection per
thread) then fetches the same pages, showing what the relay and the server themselves cost.

Usage: bench/wan_check.py [--driver PATH] [--pages N] [--connections 4,8] [--rtt S]
                          [--plain-client]
"""
import argparse
import concurrent.futures
import http.client
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
RELAY_HOST = "127.0.0.2"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_listening(host, port, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            socket.create_connection((host, port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError(f"nothing listens on {host}:{port}")


def make_pages(root, count):
    root.mkdir(parents=True)
    for i in range(count):
        (root / f"page{i:05d}.html").write_text(
            f"<!DOCTYPE html><html><head><title>Page {i}</title></head>"
            f"<body><p>Page {i} of the benchmark site.</p></body></html>\n")


def run_driver(command):
    """Runs command under /usr/bin/time -v; returns (driver's own line, peak RSS in MiB,
    CPU seconds)."""
    done = subprocess.run(["/usr/bin/time", "-v"] + command, capture_output=True, text=True,
                          timeout=3600)
    if done.returncode != 0:
        raise RuntimeError(f"the driver failed: {done.stderr.strip()}")
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", done.stderr)
    cpu = sum(float(re.search(rf"{kind} time \(seconds\): ([\d.]+)", done.stderr).group(1))
              for kind in ("User", "System"))
    return done.stdout.strip(), int(peak.group(1)) / 1024.0, cpu


def plain_client(host, port, pages, connections):
    """The same GETs from http.client threads, one kept-alive connection each: the floor as
    this relay and server deliver it. Returns the elapsed seconds."""
    def fetch(first):
        connection = http.client.HTTPConnection(host, port, timeout=30)
        for i in range(first, pages, connections):
            connection.request("GET", f"/page{i:05d}.html")
            response = connection.getresponse()
            response.read()
            if response.status != 200:
                raise RuntimeError(f"page {i}: {response.status}")
        connection.close()
    start = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(connections) as pool:
        list(pool.map(fetch, range(connections)))
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--driver", default=str(ROOT / "build/bench/sitewright_check_driver"))
    parser.add_argument("--pages", type=int, default=10000)
    parser.add_argument("--connections", default="4,8")
    parser.add_argument("--rtt", type=float, default=0.05)
    parser.add_argument("--plain-client", action="store_true",
                        help="also time the same GETs from a minimal Python client")
    args = parser.parse_args()

    work = Path(tempfile.mkdtemp(prefix="sw_wancheck_"))
    processes = []
    try:
        make_pages(work / "site/root", args.pages)
        port = free_port()
        processes.append(subprocess.Popen(
            ["/usr/bin/python3", str(ROOT / "tests/support/http_server.py"), "--port", str(port),
             "--folder", str(work / "site")]))
        wait_listening("127.0.0.1", port)
        relay = subprocess.Popen(
            ["/usr/bin/python3", str(ROOT / "bench/wan_relay.py"), "--listen", RELAY_HOST,
             "--ports", str(port), "--delay", str(args.rtt / 2)], stdout=subprocess.PIPE, text=True)
        processes.append(relay)
        if relay.stdout.readline().strip() != "ready":
            raise RuntimeError("the relay did not start")
        base = f"http://{RELAY_HOST}:{port}"
        for connections in (int(c) for c in args.connections.split(",")):
            floor = args.pages * args.rtt / connections
            validators = work / f"validators{connections}.tsv"
            for run, extra in (("first", ["--save", str(validators)]),
                               ("second (all 304)", ["--previous", str(validators)])):
                line, peak, cpu = run_driver([args.driver, base, str(args.pages), str(connections)]
                                        + extra)
                elapsed = float(re.search(r"elapsed ([\d.]+) s", line).group(1))
                print(f"{connections} connections, {run}: {line}; floor {floor:.1f} s, "
                      f"{elapsed / floor:.3f} x the floor, CPU {cpu:.2f} s, peak {peak:.1f} MiB", flush=True)
            if args.plain_client:
                elapsed = plain_client(RELAY_HOST, port, args.pages, connections)
                print(f"{connections} connections, plain Python client: {elapsed:.3f} s, "
                      f"{elapsed / floor:.3f} x the floor", flush=True)
    finally:
        for process in reversed(processes):
            process.terminate()
            process.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
