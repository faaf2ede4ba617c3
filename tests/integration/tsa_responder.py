#!/usr/bin/env python3
"""A throwaway RFC 3161 time-stamp authority on 127.0.0.1, for tests only.

tsa_responder.py CONFIG PORT_FILE

Answers every HTTP POST (a time-stamp query, application/timestamp-query)
with `openssl ts -reply -config CONFIG` (section "tsa" of CONFIG names the
TSA's certificate and key), on a free port that it writes to PORT_FILE once
it listens. Runs until it is killed.
"""
import http.server
import os
import subprocess
import sys
import tempfile


class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with tempfile.NamedTemporaryFile() as q:
            q.write(query)
            q.flush()
            reply = subprocess.run(
                ["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", q.name],
                capture_output=True)
        if reply.returncode != 0:
            sys.stderr.write(reply.stderr.decode(errors="replace"))
            self.send_error(500)
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply.stdout)))
        self.end_headers()
        self.wfile.write(reply.stdout)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[2] + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(sys.argv[2] + ".tmp", sys.argv[2])
server.serve_forever()
