#!/usr/bin/env python3
"""Passes TCP connections from LISTEN_HOST:LISTEN_PORT on to TARGET_HOST:TARGET_PORT, sending from
SOURCE_HOST, so that Brivan sees a caller other than 127.0.0.1 (which may read /metrics without the token).
Usage: loopback_relay.py LISTEN_HOST LISTEN_PORT TARGET_HOST TARGET_PORT SOURCE_HOST"""
import socket
import sys
import threading

listen_host, listen_port, target_host, target_port, source_host = sys.argv[1:6]


def pump(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            dst.sendall(data)
    except OSError:
        pass
    finally:
        for s in (src, dst):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind((listen_host, int(listen_port)))
server.listen(16)
while True:
    client, _ = server.accept()
    upstream = socket.socket()
    try:
        upstream.bind((source_host, 0))
        upstream.connect((target_host, int(target_port)))
    except OSError:
        client.close()
        upstream.close()
        continue
    for a, b in ((client, upstream), (upstream, client)):
        threading.Thread(target=pump, args=(a, b), daemon=True).start()
