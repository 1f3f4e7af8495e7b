#!/usr/bin/env python3
"""A TCP proxy that can cut its lines, for a game whose line to the relay drops.

    cut_proxy.py RELAY_PORT    prints the port it listens on (127.0.0.1), then
                               passes every connection on to the relay's port.
On SIGUSR1 it cuts every line it carries (no WebSocket close: a dropped line)
and turns new ones away for three seconds, as a network that is down would.
"""
import asyncio
import signal
import sys
import time

DOWN_SECONDS = 3


async def main(relay_port):
    lines = set()
    down_until = 0.0

    async def pipe(reader, writer):
        try:
            while data := await reader.read(65536):
                writer.write(data)
                await writer.drain()
        except (ConnectionError, asyncio.CancelledError):
            pass
        finally:
            writer.close()

    async def carry(client_reader, client_writer):
        if time.monotonic() < down_until:
            client_writer.transport.abort()
            return
        relay_reader, relay_writer = await asyncio.open_connection("127.0.0.1", relay_port)
        line = (client_writer, relay_writer)
        lines.add(line)
        await asyncio.gather(pipe(client_reader, relay_writer), pipe(relay_reader, client_writer))
        lines.discard(line)

    def cut():
        nonlocal down_until
        down_until = time.monotonic() + DOWN_SECONDS
        for writers in list(lines):
            for writer in writers:
                writer.transport.abort()
        print("cut", flush=True)

    server = await asyncio.start_server(carry, "127.0.0.1", 0)
    asyncio.get_running_loop().add_signal_handler(signal.SIGUSR1, cut)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


asyncio.run(main(int(sys.argv[1])))
