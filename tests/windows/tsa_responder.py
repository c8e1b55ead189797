# A time-stamp authority for release_files.sh on a free port of 127.0.0.1: each RFC 3161 request posted to
# it is answered by `openssl ts -reply` under the configuration given. A request to /stall is noted by
# creating the file STALLED and then left unanswered, so that a signing run can be interrupted while it waits.
#   tsa_responder.py CONFIG PORT_FILE STALLED    (writes the port to PORT_FILE once it listens)
import http.server
import os
import subprocess
import sys
import threading

config, port_file, stalled = sys.argv[1:4]


class Authority(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        if self.path == "/stall":
            open(stalled, "w").close()
            threading.Event().wait()
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, capture_output=True, check=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Authority)
with open(port_file + ".part", "w") as f:
    f.write(str(server.server_port))
# Renamed once written, so that the port is never read half-written.
os.rename(port_file + ".part", port_file)
server.serve_forever()
