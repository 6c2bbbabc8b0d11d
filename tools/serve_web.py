#!/usr/bin/env python3
"""Serves a folder (default build-web/Brovask) over HTTP on 127.0.0.1 and
prints the address to open. usage: serve_web.py [FOLDER] [PORT] (0: any free one)"""
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript", ".data": "application/octet-stream"}

    def log_message(self, *args):
        pass


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "build-web/Brovask"
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 8000
    if not os.path.isfile(os.path.join(folder, "index.html")):
        sys.exit(f"{folder}: no index.html there (make web builds it)")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port),
                                             functools.partial(Handler, directory=folder))
    print(f"Brovask: open http://127.0.0.1:{server.server_port}/ in a browser (Ctrl+C stops)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


main()
