#!/usr/bin/env python3
# The signing test's own time-stamp authority (RFC 3161) on 127.0.0.1:
#   tests/setup/tsa-server.py CONFIG PORTFILE
# Listens on a free port, writes its number to PORTFILE once it listens,
# and answers each POST of a time-stamp query with the reply that
# "openssl ts -reply -config CONFIG" makes for it, one at a time, until it
# is ended.
import http.server
import os
import subprocess
import sys
import tempfile

config, portfile = sys.argv[1], sys.argv[2]


class TimeStamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with tempfile.TemporaryDirectory() as work:
            query_file, reply_file = os.path.join(work, "query.tsq"), os.path.join(work, "reply.tsr")
            with open(query_file, "wb") as out:
                out.write(query)
            made = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", query_file,
                                   "-out", reply_file], capture_output=True)
            if made.returncode != 0:
                sys.stderr.write(made.stderr.decode(errors="replace"))
                self.send_error(500)
                return
            with open(reply_file, "rb") as answer:
                reply = answer.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), TimeStamps)
with open(portfile + ".part", "w") as out:
    out.write(str(server.server_port))
os.rename(portfile + ".part", portfile)
server.serve_forever()
