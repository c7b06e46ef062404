#!/usr/bin/env python3
"""A TCP relay that adds wide-area latency to an FTP server on loopback.

Listens on LISTEN_HOST for the control port and for every port of the server's passive range,
and relays each connection to the same port on 127.0.0.1, holding every chunk back by DELAY
seconds in each direction (one-way latency; the round trip is twice that). A new connection is
relayed upstream only after DELAY (the SYN's trip), so a data connection costs a round trip as
on a real link. Clients reach the data ports because they connect to the control peer's address
with the PASV port (curl, ftplib and this project do; lftp needs ftp:ignore-pasv-address).

The relay accepts at once, so the client never waits for a connect. With --connect-delay, every
connection but those to the first port listed (the control port) moves its first bytes one
round trip later in both directions, the cost a data connection's handshake adds on a real link.

    wan_relay.py --listen 127.0.0.2 --ports 2121,60000-60999 --delay 0.025
"""
from __future__ import annotations

import argparse
import asyncio
import time


async def pump(reader: asyncio.StreamReader, writer: asyncio.StreamWriter, delay: float) -> None:
    queue: asyncio.Queue = asyncio.Queue()

    async def deliver() -> None:
        while True:
            due, data = await queue.get()
            wait = due - time.monotonic()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is None:
                try:
                    writer.write_eof()
                except (OSError, RuntimeError):
                    pass
                return
            writer.write(data)
            await writer.drain()

    task = asyncio.ensure_future(deliver())
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((time.monotonic() + delay, data if data else None))
            if not data:
                break
        await task
    except (ConnectionError, OSError):
        task.cancel()
    finally:
        try:
            writer.close()
        except Exception:
            pass


def handler(port: int, delay: float, connect_delay: bool):
    async def handle(creader, cwriter):
        await asyncio.sleep(delay)
        try:
            ureader, uwriter = await asyncio.open_connection("127.0.0.1", port)
        except OSError:
            cwriter.close()
            return
        if connect_delay:
            await asyncio.sleep(2 * delay)
        await asyncio.gather(pump(creader, uwriter, delay), pump(ureader, cwriter, delay),
                             return_exceptions=True)
    return handle


def parse_ports(text: str) -> list[int]:
    out: list[int] = []
    for part in text.split(","):
        if "-" in part:
            a, b = part.split("-")
            out.extend(range(int(a), int(b) + 1))
        else:
            out.append(int(part))
    return out


async def main_async(listen: str, ports: list[int], delay: float, connect_delay: bool) -> None:
    servers = [await asyncio.start_server(handler(p, delay, connect_delay and i > 0), listen, p,
                                          reuse_address=True)
               for i, p in enumerate(ports)]
    print("ready", flush=True)
    await asyncio.gather(*(s.serve_forever() for s in servers))


def main() -> None:
    ap = argparse.ArgumentParser()
    ap.add_argument("--listen", default="127.0.0.2")
    ap.add_argument("--ports", required=True)
    ap.add_argument("--delay", type=float, default=0.025)
    ap.add_argument("--connect-delay", action="store_true")
    a = ap.parse_args()
    asyncio.run(main_async(a.listen, parse_ports(a.ports), a.delay, a.connect_delay))


if __name__ == "__main__":
    main()
