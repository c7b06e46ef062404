#!/usr/bin/python3
"""Measures this program's walk against the floor and peers on one loopback FTP server.

Generates a site, serves it with pyftpdlib on 127.0.0.1 and times, on the same server and
site, in alternating rounds:
  - `sitewright generate` (this program's walk, sitemap written);
  - the floor: a minimal ftplib client that sends exactly the walk's commands, nothing else;
  - lftp's recursive `find`;
  - curl listing every folder over one connection (it is told the folders; it does not walk).
Then walks a large site (10,000 folders, 100,000 files) once with `sitewright generate`, and
runs the micro-benchmarks. Writes docs/benchmarks.md and docs/benchmarks.png.

With --wan it measures instead, once, through bench/wan_relay.py (a relay that delays
every byte by 25 ms each way): `sitewright generate` over 1 and over 4 connections, the floor
of the one-session conversation and lftp's `find`, on the same site; it writes that section of
docs/benchmarks.md and docs/benchmarks-wan.png and leaves the rest of the report as it is.

Usage: bench/peer_report.py --build BUILD_DIR [--folders N] [--files N] [--rounds N] [--no-load]
       bench/peer_report.py --build BUILD_DIR --wan [--folders N] [--files N] [--delay S]
"""
import argparse
import ftplib
import json
import re
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
USER = "bench"
PASSWORD = "bench-password"
MTIME = 1764583230  # a fixed time, so every run lists the same dates


STANDARD_KEYS = {"family_index", "per_family_instance_index", "repetitions", "repetition_index",
                 "threads", "iterations", "real_time", "cpu_time"}
TARGETS = {
    "BM_StrFieldPriority": "< 200 ns",
    "BM_EncryptText": "< 20 µs",
    "BM_DecryptText": "< 20 µs",
    "BM_SettingsSaveLoad": "< 5 ms",
    "BM_SitemapWrite50k": "< 200 ms",
    "BM_FillAfterRetrieval": "< 1 s",
    "BM_PaintOneScreen": "< 20 ms",
    "BM_TableMemoryPerRow": "< 300 bytes per row beyond the text",
    "BM_ParseUnixListing": "< 150 ms",
    "BM_ParseDosListing": "< 150 ms",
    "BM_ListFolder20000": "client CPU < 10 % of wall",
    "BM_MemoryApply": "< 100 ms",
    "BM_MemoryRecordSelectAll": "< 300 ms",
}


def make_site(root, folders, files_per_folder):
    """A tree of `folders` folders below root/site, ten to a parent, each holding
    files_per_folder pages plus one file that does not match."""
    site = root / "site"
    site.mkdir()
    paths = [site]
    created = 0
    index = 0
    while created < folders:
        parent = paths[index]
        index += 1
        for k in range(10):
            if created == folders:
                break
            folder = parent / f"dir{k:02d}"
            folder.mkdir()
            paths.append(folder)
            created += 1
    for folder in paths:
        for f in range(files_per_folder):
            page = folder / f"page{f:03d}.html"
            page.write_bytes(b"")
            os.utime(page, (MTIME, MTIME))
        other = folder / "image.png"
        other.write_bytes(b"")
        os.utime(other, (MTIME, MTIME))
    for folder in paths:
        os.utime(folder, (MTIME, MTIME))
    return site, paths


class Server:
    def __init__(self, root, extra=()):
        self.process = subprocess.Popen(
            ["/usr/bin/python3", str(ROOT / "tests/support/ftp_server.py"),
             "--root", str(root), "--user", USER, "--password", PASSWORD, *extra],
            stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline().split()
        if len(line) != 2 or line[0] != "PORT":
            raise RuntimeError("the FTP server did not start")
        self.port = int(line[1])

    def stop(self):
        self.process.terminate()
        self.process.wait()


def wait_for_free_ports(limit=6000, longest=90):
    """Every listing opens a data connection, and closed ones linger in TIME_WAIT for a minute;
    a run that starts while tens of thousands linger measures the port shortage, not the client.
    Waits until fewer than limit remain."""
    deadline = time.monotonic() + longest
    while time.monotonic() < deadline:
        with open("/proc/net/sockstat") as stat:
            lingering = next((int(line.split()[line.split().index("tw") + 1])
                              for line in stat if line.startswith("TCP:")), 0)
        if lingering < limit:
            return
        time.sleep(1)


def run_measured(command):
    """Runs command; returns (wall seconds, child CPU seconds, peak RSS in MiB, stdout)."""
    wait_for_free_ports()
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        out.seek(0)
        err.seek(0)
        if os.waitstatus_to_exitcode(status) != 0:
            raise RuntimeError(f"{command[0]} failed: {err.read().decode(errors='replace').strip()}")
        return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0, out.read().decode()


def commands_sent(summary):
    """The command count from the summary line of `sitewright generate`."""
    match = re.search(r"コマンド数 (\d+)", summary)
    return int(match.group(1)) if match else None


def floor_walk(port, site_root, host="127.0.0.1"):
    """The walk's exact conversation with nothing else: login, then per folder CWD, PASV,
    LIST, and after each subfolder CWD, PASV, LIST of the parent; QUIT."""
    ftp = ftplib.FTP()
    ftp.connect(host, port)
    ftp.login(USER, PASSWORD)
    ftp.voidcmd("TYPE I")
    ftp.sendcmd("SYST")
    commands = 4

    def listing():
        nonlocal commands
        connection = ftp.transfercmd("LIST")
        chunks = []
        while True:
            data = connection.recv(32768)
            if not data:
                break
            chunks.append(data)
        connection.close()
        ftp.voidresp()
        commands += 2
        return b"".join(chunks).decode("utf-8", "replace").splitlines()

    def walk(path):
        nonlocal commands
        ftp.voidcmd("CWD " + path)
        commands += 1
        for line in listing():
            columns = line.split(None, 8)
            if len(columns) == 9 and line.startswith("d") and columns[8] not in (".", ".."):
                walk(path + "/" + columns[8])
                ftp.voidcmd("CWD " + path)
                commands += 1
                listing()

    walk(site_root)
    ftp.sendcmd("QUIT")
    return commands + 1


def measure_floor(port, site_root, host="127.0.0.1"):
    wait_for_free_ports()
    start = time.perf_counter()
    cpu_start = time.process_time()
    commands = floor_walk(port, site_root, host)
    return time.perf_counter() - start, time.process_time() - cpu_start, commands


def configure(sitewright, folder, port, host="127.0.0.1", connections=1):
    """Plain FTP, as the floor and the peers speak it."""
    subprocess.run([str(sitewright), "configure", "--dir", str(folder), "--url", "https://www.example.jp",
                    "--host", f"{host}:{port}", "--user", USER, "--password-stdin", "--root", "/site",
                    "--tls", "off", "--connections", str(connections)],
                   input=PASSWORD.encode(), check=True, stdout=subprocess.DEVNULL)


def count_urls(folder):
    return (folder / "sitemap.xml").read_text(encoding="utf-8").count("<url>")


def micro_benchmarks(build):
    binary = build / "bench" / "sitewright_bench"
    if not binary.exists():
        return []
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    out = subprocess.run([str(binary), "--benchmark_format=json", "--benchmark_min_time=0.2"],
                         check=True, capture_output=True, text=True, env=env)
    return json.loads(out.stdout)["benchmarks"]


# Another loopback address keeps two runs on one machine apart.
WAN_HOST = os.environ.get("SW_WAN_HOST", "127.0.0.2")
WAN_PORT = 2121
WAN_PASSIVE = "60000-60999"
WAN_SECTION = "## Over a slow link"


def ftp_remote(host, port, tls=False):
    """rclone's on-the-fly remote for the bench's FTP server."""
    obscured = subprocess.run(["rclone", "obscure", PASSWORD], check=True, capture_output=True,
                              text=True).stdout.strip()
    remote = f":ftp,host={host},port={port},user={USER},pass={obscured}"
    if tls:
        remote += ",explicit_tls=true,no_check_certificate=true"
    return remote + ":/site"


def rclone_walk(remote, checkers):
    """rclone's recursive listing of remote with checkers parallel listings: its wall time,
    peak RSS in MiB and the pages it listed (the files a walk takes as rows)."""
    wall, _, rss, out = run_measured(["rclone", "lsf", "-R", "--files-only", "--checkers",
                                      str(checkers), "--config", "/dev/null", remote])
    return wall, rss, sum(1 for line in out.splitlines() if line.endswith(".html"))


def wan_run(args, sitewright):
    """One walk of each client through the relay; returns [(name, wall, detail)]."""
    if not shutil.which("lftp"):
        sys.exit("lftp is missing: scripts/setup.sh lftp curl python3-matplotlib rclone")
    work = Path(tempfile.mkdtemp(prefix="sw_wan_"))
    server = relay = None
    results = []
    try:
        serve = work / "serve"
        serve.mkdir()
        make_site(serve, args.folders, args.files)
        server = Server(serve, ["--port", str(WAN_PORT), "--passive-ports", WAN_PASSIVE])
        relay = subprocess.Popen(
            ["/usr/bin/python3", str(ROOT / "bench/wan_relay.py"), "--listen", WAN_HOST,
             "--ports", f"{WAN_PORT},{WAN_PASSIVE}", "--delay", str(args.delay)],
            stdout=subprocess.PIPE, text=True)
        if relay.stdout.readline().strip() != "ready":
            raise RuntimeError("the relay did not start")
        program = work / "program"
        program.mkdir()
        for connections in (4, 1):
            configure(sitewright, program, WAN_PORT, WAN_HOST, connections)
            wall, cpu, rss, summary = run_measured([str(sitewright), "generate", "--dir", str(program)])
            results.append((f"sitewright generate, {connections} connection{'s' if connections > 1 else ''}",
                            wall, f"{count_urls(program)} rows, {commands_sent(summary)} commands, "
                                  f"CPU {cpu:.1f} s, peak {rss:.0f} MiB"))
            print(results[-1], flush=True)
        wall, _, commands = measure_floor(WAN_PORT, "/site", WAN_HOST)
        results.append(("floor (ftplib, the one-session conversation)", wall, f"{commands} commands"))
        print(results[-1], flush=True)
        wall, _, _, _ = run_measured(
            ["lftp", "-u", f"{USER},{PASSWORD}", "-p", str(WAN_PORT), "-e",
             "set cmd:fail-exit yes; set ftp:ignore-pasv-address yes; find /site > /dev/null; quit",
             WAN_HOST])
        results.append(("lftp find", wall, ""))
        print(results[-1], flush=True)
        if shutil.which("rclone"):
            wall, _, _ = rclone_walk(ftp_remote(WAN_HOST, WAN_PORT), 4)
            results.append(("rclone lsf -R, 4 checkers", wall, ""))
            print(results[-1], flush=True)
    finally:
        if relay:
            relay.terminate()
            relay.wait()
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)
    return results


def write_wan_section(args, results):
    """Puts the section into docs/benchmarks.md in place of an earlier one, and the plot."""
    docs = ROOT / "docs"
    four = results[0][1]
    lines = [WAN_SECTION, "",
             f"Produced by `bench/peer_report.py --wan` on {time.strftime('%Y-%m-%d')}: the site of "
             f"{args.folders} folders with {args.files} matching pages each, served by pyftpdlib "
             f"behind `wan_relay.py` with {args.delay * 1000:.0f} ms each way "
             f"({args.delay * 2000:.0f} ms round trip), one run each. Target: 4 connections within "
             "100 s and at least 3 × faster than lftp.", "",
             "| client | wall time | against 4 connections | figures |", "|---|---|---|---|"]
    for name, wall, detail in results:
        lines.append(f"| {name} | {wall:.1f} s | {wall / four:.1f} × | {detail} |")
    lines += ["", "![wall times over a slow link](benchmarks-wan.png)", ""]
    path = docs / "benchmarks.md"
    text = path.read_text()
    start = text.find(WAN_SECTION)
    if start < 0:
        text = text.rstrip("\n") + "\n\n" + "\n".join(lines)
    else:
        end = text.find("\n## ", start + len(WAN_SECTION))
        text = text[:start] + "\n".join(lines) + (text[end + 1:] if end >= 0 else "")
    path.write_text(text)

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    names = [name for name, _, _ in results]
    walls = [wall for _, wall, _ in results]
    figure, axis = plt.subplots(figsize=(8, 3))
    axis.barh(names, walls, color=["#53556C", "#9a9cb0"] + ["#c8c9d4"] * (len(walls) - 2))
    for y, value in enumerate(walls):
        axis.text(value, y, f" {value:.1f} s", va="center")
    axis.set_xlabel(f"wall time, seconds ({args.delay * 2000:.0f} ms round trip)")
    axis.set_xlim(0, max(walls) * 1.25)
    axis.invert_yaxis()
    figure.tight_layout()
    figure.savefig(docs / "benchmarks-wan.png", dpi=100)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("--folders", type=int, default=2000)
    parser.add_argument("--files", type=int, default=10)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--no-load", action="store_true")
    parser.add_argument("--wan", action="store_true")
    parser.add_argument("--delay", type=float, default=0.025)
    args = parser.parse_args()
    build = Path(args.build).resolve()
    sitewright = build / "cli" / "sitewright"
    if args.wan:
        write_wan_section(args, wan_run(args, sitewright))
        return
    for tool in ("lftp", "curl"):
        if not shutil.which(tool):
            sys.exit(f"{tool} is missing: scripts/setup.sh lftp curl python3-matplotlib")

    work = Path(tempfile.mkdtemp(prefix="sw_peers_"))
    results = {"sitewright generate": [], "floor (ftplib, same commands)": [],
               "lftp find": [], "curl (every folder, one connection)": []}
    figures = {}
    server = None
    try:
        serve = work / "serve"
        serve.mkdir()
        _, paths = make_site(serve, args.folders, args.files)
        server = Server(serve)
        program = work / "program"
        program.mkdir()
        configure(sitewright, program, server.port)
        urls = [f"ftp://127.0.0.1:{server.port}/{p.relative_to(serve).as_posix()}/" for p in paths]
        curl_config = work / "curl.txt"
        curl_config.write_text("".join(f'url = "{u}"\noutput = "/dev/null"\n' for u in urls))

        for _ in range(args.rounds):
            wall, cpu, rss, summary = run_measured([str(sitewright), "generate", "--dir", str(program)])
            results["sitewright generate"].append(wall)
            figures.setdefault("sitewright", []).append((wall, cpu, rss))
            figures["commands"] = commands_sent(summary)
            wall, cpu, commands = measure_floor(server.port, "/site")
            results["floor (ftplib, same commands)"].append(wall)
            figures["floor_commands"] = commands
            wall, _, _, _ = run_measured(["lftp", "-u", f"{USER},{PASSWORD}", "-p", str(server.port),
                                       "-e", "set cmd:fail-exit yes; find /site > /dev/null; quit", "127.0.0.1"])
            results["lftp find"].append(wall)
            wall, _, _, _ = run_measured(["curl", "-s", "-u", f"{USER}:{PASSWORD}", "-K", str(curl_config)])
            results["curl (every folder, one connection)"].append(wall)
        figures["rows"] = count_urls(program)
        server.stop()
        server = None

        if not args.no_load:
            shutil.rmtree(serve)
            serve.mkdir()
            make_site(serve, 10000, 10)
            server = Server(serve)
            configure(sitewright, program, server.port)
            wall, cpu, rss, summary = run_measured([str(sitewright), "generate", "--dir", str(program)])
            figures["load"] = (wall, cpu, rss, count_urls(program), commands_sent(summary))
            server.stop()
            server = None
    finally:
        if server:
            server.stop()
        shutil.rmtree(work, ignore_errors=True)

    micro = micro_benchmarks(build)
    write_report(args, results, figures, micro)


def write_report(args, results, figures, micro):
    docs = ROOT / "docs"
    floor = statistics.median(results["floor (ftplib, same commands)"])
    lines = ["# Benchmarks", "",
             f"Produced by `bench/peer_report.py` on {time.strftime('%Y-%m-%d')}, "
             f"{os.cpu_count()} cores. One loopback pyftpdlib server and one generated site of "
             f"{args.folders} folders with {args.files} matching pages each; {args.rounds} alternating "
             "rounds, median shown.", "",
             "## The walk against the floor and peers", "",
             "| client | median wall time | ratio to the floor |", "|---|---|---|"]
    for name, walls in results.items():
        median = statistics.median(walls)
        lines.append(f"| {name} | {median:.2f} s | {median / floor:.2f} × |")
    walls, cpus, rsss = zip(*figures["sitewright"])
    lines += ["",
              f"`sitewright generate` found {figures['rows']} rows with {figures['commands']} commands "
              f"(the floor sent {figures['floor_commands']} for the same conversation); its CPU share was "
              f"{100 * statistics.median(c / w for c, w in zip(cpus, walls)):.1f} % of wall time and its peak "
              f"memory {max(rsss):.1f} MiB. The server, a Python program on the same two cores, is the "
              "bottleneck; the target is this program within 1.10 × the floor.",
              "", "lftp walks the tree with its own choice of commands; curl is handed every folder's "
              "address and lists each once over one connection, so it neither walks nor lists a parent "
              "again: it does less than the walk.", "",
              "![wall times](benchmarks.png)", ""]
    if "load" in figures:
        wall, cpu, rss, rows, commands = figures["load"]
        lines += ["## Load: 10,000 folders, 100,000 files", "",
                  f"`sitewright generate` completed in {wall:.1f} s with {rows} rows and {commands} "
                  f"commands; CPU {cpu:.1f} s "
                  f"({100 * cpu / wall:.1f} % of wall), peak memory {rss:.1f} MiB (target under 200 MB).", ""]
    if micro:
        lines += ["## Micro-benchmarks (`sitewright_bench`)", "",
                  "| benchmark | wall time per iteration | figures | target |", "|---|---|---|---|"]
        for entry in micro:
            counters = ", ".join(f"{key} {value:.3g}" for key, value in entry.items()
                                 if key not in STANDARD_KEYS and isinstance(value, (int, float)))
            target = next((t for prefix, t in TARGETS.items() if entry["name"].startswith(prefix)), "")
            lines.append(f"| {entry['name']} | {entry['real_time']:.3g} {entry['time_unit']} "
                         f"| {counters} | {target} |")
        lines.append("")
    (docs / "benchmarks.md").write_text("\n".join(lines))

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    names = list(results)
    medians = [statistics.median(results[n]) for n in names]
    figure, axis = plt.subplots(figsize=(8, 3.5))
    axis.barh(names, medians, color=["#53556C", "#9a9cb0", "#c8c9d4", "#c8c9d4"])
    for y, value in enumerate(medians):
        axis.text(value, y, f" {value:.2f} s ({value / floor:.2f}×)", va="center")
    axis.set_xlabel("wall time, seconds (median)")
    axis.set_xlim(0, max(medians) * 1.35)
    axis.invert_yaxis()
    figure.tight_layout()
    figure.savefig(docs / "benchmarks.png", dpi=100)


if __name__ == "__main__":
    main()
