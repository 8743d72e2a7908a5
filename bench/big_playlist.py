#!/usr/bin/env python3
"""Times a player on a huge playlist of dead links.

Serves /big.pls with N entries on 127.0.0.1, each naming /dead/<i> on the
same server (answered 404), and runs tazmel-play on it with --seconds S.
After T seconds (when given) the player is sent SIGTERM. Prints how long the
player ran, how late it ended after --seconds or the signal, and how many
requests it sent.

  bench/big_playlist.py build/tazmel-play N [S] [T]
"""
import http.server
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time

player = sys.argv[1]
count = int(sys.argv[2])
seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 10
term_after = float(sys.argv[4]) if len(sys.argv) > 4 else None
requests = {"big": 0, "dead": 0}
body = None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path == "/big.pls":
            requests["big"] += 1
            self.send_response(200)
            self.send_header("Content-Type", "audio/x-scpls")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        else:
            requests["dead"] += 1
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
base = "http://127.0.0.1:%d" % server.server_address[1]
lines = ["[playlist]", "NumberOfEntries=%d" % count]
lines += ["File%d=%s/dead/%d" % (i + 1, base, i) for i in range(count)]
lines.append("Version=2")
body = ("\n".join(lines) + "\n").encode()
threading.Thread(target=server.serve_forever, daemon=True).start()

home = tempfile.mkdtemp()
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
           TAZMEL_AUDIO_OUTPUT=os.environ.get("TAZMEL_AUDIO_OUTPUT", "null"))
start = time.monotonic()
child = subprocess.Popen([player, "--seconds", str(seconds), "--home", home, base + "/big.pls"],
                         env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
termed = None
if term_after is not None:
    try:
        child.wait(timeout=term_after)
    except subprocess.TimeoutExpired:
        child.send_signal(signal.SIGTERM)
        termed = time.monotonic() - start
status = child.wait()
ran = time.monotonic() - start
print("entries %d, document %d bytes" % (count, len(body)))
print("ran %.1f s (--seconds %d), exit %d" % (ran, seconds, status))
if termed is not None:
    print("SIGTERM at %.1f s, ended %.2f s later" % (termed, ran - termed))
elif ran > seconds:
    print("ended %.2f s after --seconds" % (ran - seconds))
print("requests: document %d, entries %d" % (requests["big"], requests["dead"]))
