#!/usr/bin/python3
"""Peak memory of the large walk: `sitewright generate` of 10,001 folders and 100,010 pages on
a loopback pyftpdlib, under /usr/bin/time -v and, with --heaptrack, under heaptrack.

Prints the peak RSS, and with --heaptrack the peak heap and the largest peak contributors.

Usage: bench/large_walk.py BINARY [--connections N] [--heaptrack] [--serve DIR] [--rounds N]
  --serve DIR keeps the generated site in DIR (made when missing) for later runs.
"""
import argparse
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from peer_report import (Server, configure, count_urls, make_site,  # noqa: E402
                         wait_for_free_ports)


def timed(binary, folder):
    """Peak RSS in MiB and wall seconds of one generate under /usr/bin/time -v."""
    wait_for_free_ports()
    run = subprocess.run(["/usr/bin/time", "-v", binary, "generate", "--dir", str(folder)],
                         stdin=subprocess.DEVNULL, capture_output=True, text=True, check=True)
    rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", run.stderr).group(1))
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (\S+)", run.stderr).group(1)
    return rss / 1024.0, wall


def heaptracked(binary, folder, work):
    """heaptrack's peak heap line and its top peak contributors for one generate."""
    wait_for_free_ports()
    output = work / "heaptrack"
    subprocess.run(["heaptrack", "-o", str(output), binary, "generate", "--dir", str(folder)],
                   stdin=subprocess.DEVNULL, capture_output=True, check=True)
    recorded = next(work.glob("heaptrack*.zst"), None) or next(work.glob("heaptrack*.gz"))
    report = subprocess.run(["heaptrack_print", "--print-peaks", "1", "--print-allocators", "0",
                             "--print-temporary", "0", "--print-leaks", "0",
                             "--peak-limit", "12", "--sub-peak-limit", "0", str(recorded)],
                            capture_output=True, text=True, check=True).stdout
    recorded.unlink()
    peak = re.search(r"peak heap memory consumption: (.*)", report).group(1)
    return peak, report


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary")
    parser.add_argument("--folders", type=int, default=10000)
    parser.add_argument("--connections", type=int, default=4)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--heaptrack", action="store_true")
    parser.add_argument("--serve", help="folder that keeps the generated site between runs")
    args = parser.parse_args()

    work = Path(tempfile.mkdtemp(prefix="sw_large_"))
    serve = Path(args.serve) if args.serve else work / "serve"
    server = None
    try:
        if not (serve / "site").is_dir():
            serve.mkdir(parents=True, exist_ok=True)
            make_site(serve, args.folders, 10)
        server = Server(serve)
        program = work / "program"
        program.mkdir()
        configure(args.binary, program, server.port, connections=args.connections)
        for _ in range(args.rounds):
            rss, wall = timed(args.binary, program)
            print(f"peak RSS {rss:.1f} MiB, wall {wall}, {count_urls(program)} URLs in sitemap.xml"
                  " (0: an index)")
        if args.heaptrack:
            peak, report = heaptracked(args.binary, program, work)
            print(f"peak heap {peak}")
            print(report)
    finally:
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
