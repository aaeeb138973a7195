#!/usr/bin/env python3
"""An internet radio for the tests: serves the files of a folder over HTTP, and to a client that asks for ICY
metadata (as GStreamer's souphttpsrc does) an MP3's stream title every 8,192 bytes, as SHOUTcast and Icecast do.
"/cut-NAME" serves NAME's first 16 KB and then drops the connection, as a radio on a failing network does;
"/untitled-NAME" sends the station's name but no title for what it plays; "/slow-NAME" sends 4 KB, waits two
seconds and sends the rest, as a station on a slow network does; "/held-NAME" answers only once a line comes on
standard input, as a station that is slow to answer does.
A third argument is the port to listen on (any free one without it), so that a station can come back where it was.
Prints the port it listens on, then "get PATH" for every request; paths that name no file get 404."""
import http.server
import os
import sys
import time

FOLDER = sys.argv[1]
TITLE = sys.argv[2].encode()
EVERY = 8192


class Radio(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        print("get", self.path, flush=True)
        name = os.path.basename(self.path)
        cut = name.startswith("cut-")
        untitled = name.startswith("untitled-")
        slow = name.startswith("slow-")
        held = name.startswith("held-")
        path = os.path.join(FOLDER, name.split("-", 1)[1] if cut or untitled or slow or held else name)
        if not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as song:
            data = song.read()
        if cut:
            data = data[:16384]
        if held:
            sys.stdin.readline()
        # Ogg streams carry their titles themselves; servers send ICY metadata with MP3 only.
        icy = self.headers.get("Icy-MetaData") == "1" and path.endswith(".mp3")
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        if icy:
            self.send_header("icy-metaint", str(EVERY))
            self.send_header("icy-name", "Vireo Test Radio")
        self.end_headers()
        meta = b"" if untitled else b"StreamTitle='" + TITLE + b"';"
        meta += b"\0" * (-len(meta) % 16)
        block = bytes([len(meta) // 16]) + meta
        try:
            if slow:
                self.wfile.write(data[:4096])
                self.wfile.flush()
                time.sleep(2)
                data = data[4096:]
                icy = False  # the title's place in the stream has moved; nothing is lost without it
            for start in range(0, len(data), EVERY):
                part = data[start:start + EVERY]
                self.wfile.write(part)
                if icy and len(part) == EVERY:
                    self.wfile.write(block)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[3]) if len(sys.argv) > 3 else 0), Radio)
print("port", server.server_address[1], flush=True)
server.serve_forever()
