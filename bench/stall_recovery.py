#!/usr/bin/env python3
"""Times how a player gets over a stalled stream.

Serves an MP3 as an endless live stream on 127.0.0.1, paced a little faster
than real time. The first connection stalls STALL seconds in (the server
keeps it open and sends nothing more); later connections stream on. Runs
tazmel-play on it and prints the times, from the stall, to "Buffering",
to the player's stop, to the reconnect (the second connection) and to
"Playing" again.

  bench/stall_recovery.py build/tazmel-play tone.mp3 [STALL] [SECONDS]

tone.mp3: any MP3 of a few seconds (128 kbit/s); it is looped.
"""
import http.server
import os
import subprocess
import sys
import tempfile
import threading
import time

player, mp3_path = sys.argv[1], sys.argv[2]
stall = float(sys.argv[3]) if len(sys.argv) > 3 else 4.0
seconds = int(sys.argv[4]) if len(sys.argv) > 4 else 45
mp3 = open(mp3_path, "rb").read()
start = time.monotonic()
connections = []
stalled_at = []


class Stream(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        connections.append(time.monotonic() - start)
        first = len(connections) == 1
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.end_headers()
        opened = time.monotonic()
        offset = 0
        try:
            while True:
                if first and time.monotonic() - opened >= stall:
                    stalled_at.append(time.monotonic() - start)
                    time.sleep(3600)
                chunk = mp3[offset:offset + 4000]
                offset = (offset + 4000) % len(mp3)
                self.wfile.write(chunk)
                self.wfile.flush()
                time.sleep(0.2)  # 20 000 bytes/s for a 16 000 bytes/s stream
        except (BrokenPipeError, ConnectionResetError):
            pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Stream)
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()
url = "http://127.0.0.1:%d/live" % server.server_address[1]

home = tempfile.mkdtemp()
env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
           TAZMEL_AUDIO_OUTPUT=os.environ.get("TAZMEL_AUDIO_OUTPUT", "null"))
launched = time.monotonic() - start
out = subprocess.run([player, "--seconds", str(seconds), "--home", home, url],
                     env=env, capture_output=True, text=True).stdout

# tazmel-play prints "<ms since its start> <what> <text>" per change.
events = []
for line in out.splitlines():
    parts = line.split(None, 2)
    if len(parts) == 3 and parts[0].isdigit():
        events.append((launched + int(parts[0]) / 1000.0, parts[1], parts[2]))

if not stalled_at:
    sys.exit("the stream never stalled:\n" + out)
t0 = stalled_at[0]


def first(pred, after):
    for t, what, text in events:
        if t > after and pred(what, text):
            return t
    return None


buffering = first(lambda w, x: w == "state" and x.startswith("Buffering"), t0)
stopped = first(lambda w, x: w == "state" and not x.startswith(("Buffering", "Playing")), buffering or t0)
drop = connections[1] if len(connections) > 1 else None
playing = first(lambda w, x: w == "state" and x.startswith("Playing"), drop or t0) if drop else None


def show(name, t):
    print("%-22s %s" % (name, "never" if t is None else "%5.1f s" % (t - t0)))


show("stall -> Buffering", buffering)
show("stall -> stopped", stopped)
show("stall -> reconnect", drop)
show("stall -> Playing again", playing)
if buffering is not None and playing is not None:
    print("%-22s %5.1f s" % ("dry -> Playing again", playing - buffering))
