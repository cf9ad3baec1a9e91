#!/usr/bin/env python3
"""Loopback HTTP server for a launcher package, for the end-to-end tests and the demo.

  serve-package.py start DIR URL   serve DIR in the background at URL's host and port
  serve-package.py stop DIR        end it

Every GET answers from DIR/Launcher-Setup.zip (whatever the path) as DIR/mode says,
read on each request so a test can switch it between runs of the installer:
  (absent), "ok"      the package at full speed
  "slow N"            the package at about N bytes per second
  "trickle N"         the same without a Content-Length: the body ends when the
                      connection closes
  "status N"          status N with an empty body
  "reset-once F KEY"  the first request after KEY was set gets the fraction F of the
                      package and then a connection reset; later ones as "ok"
Whole answers carry an ETag and a Last-Modified from the package file, and a request
with "Range: bytes=N-" whose If-Range matches gets the rest (206), as file servers do.
Each request appends its path to DIR/requests.log (and a tab and its Range, if any), each whole package sent its end
time (Unix seconds) and size to DIR/sent.log. The server stops taking requests after
LIFETIME seconds, so that nothing outlives a broken run, and ends once the transfers
under way are done (a reader that stalls for STALL seconds ends its transfer); "stop"
ends it at once.
"""
import http.server, os, signal, socket, socketserver, struct, sys, threading, time, urllib.parse

LIFETIME = 1800
STALL = 300
active = 0
active_lock = threading.Lock()
resets_done = set()  # the KEYs of "reset-once" already used


def mode_of(folder):
    try:
        with open(os.path.join(folder, "mode")) as f:
            return f.read().split()
    except OSError:
        return ["ok"]


def handler_for(folder):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        timeout = STALL

        def handle(self):
            global active
            with active_lock:
                active += 1
            try:
                super().handle()
            finally:
                with active_lock:
                    active -= 1

        def log_message(self, *args):
            pass

        def do_GET(self):
            asked = self.headers.get("Range", "")
            with open(os.path.join(folder, "requests.log"), "a") as log:
                log.write(self.path + ("\t" + asked if asked else "") + "\n")
            mode = mode_of(folder)
            if mode[0] == "status":
                self.send_response(int(mode[1]))
                self.send_header("Content-Length", "0")
                self.send_header("Connection", "close")
                self.end_headers()
                return
            try:
                package = open(os.path.join(folder, "Launcher-Setup.zip"), "rb")
            except OSError:
                self.send_response(404)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            with package:
                info = os.fstat(package.fileno())
                size = info.st_size
                etag = '"%x-%x"' % (size, info.st_mtime_ns)
                first = 0
                if asked.startswith("bytes=") and asked.endswith("-") and asked[6:-1].isdigit() \
                        and self.headers.get("If-Range", "") == etag and int(asked[6:-1]) < size:
                    first = int(asked[6:-1])
                self.send_response(206 if first else 200)
                self.send_header("Content-Type", "application/zip")
                self.send_header("ETag", etag)
                self.send_header("Last-Modified", self.date_time_string(int(info.st_mtime)))
                if first:
                    self.send_header("Content-Range", "bytes %d-%d/%d" % (first, size - 1, size))
                if mode[0] != "trickle":
                    self.send_header("Content-Length", str(size - first))
                self.send_header("Connection", "close")
                self.end_headers()
                package.seek(first)
                cut = None
                if mode[0] == "reset-once":
                    with active_lock:
                        if mode[2] not in resets_done:
                            resets_done.add(mode[2])
                            cut = int(size * float(mode[1]))
                try:
                    if cut is not None:
                        self.wfile.write(package.read(cut))
                        self.wfile.flush()
                        time.sleep(0.3)  # what was sent arrives before the reset
                        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                        self.connection.close()
                        return
                    if mode[0] in ("slow", "trickle"):
                        rate = max(1, int(mode[1]))
                        piece = max(1, rate // 20)
                        while True:
                            block = package.read(piece)
                            if not block:
                                break
                            self.wfile.write(block)
                            self.wfile.flush()
                            time.sleep(0.05)
                    else:
                        # Sent from the file as it is read: a package of gigabytes
                        # needs no copy in this process.
                        self.wfile.flush()
                        self.connection.sendfile(package, first)
                    self.wfile.flush()
                    with open(os.path.join(folder, "sent.log"), "a") as log:
                        log.write("%.3f %d\n" % (time.time(), size))
                except OSError:
                    pass  # the installer stopped reading

    return Handler


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(folder, host, port):
    server = Server((host, port), handler_for(folder))
    threading.Timer(LIFETIME, server.shutdown).start()
    stopped = threading.Event()

    def stop_now(*_):
        stopped.set()
        threading.Thread(target=server.shutdown).start()

    signal.signal(signal.SIGTERM, stop_now)
    with open(os.path.join(folder, "server.pid"), "w") as f:
        f.write(str(os.getpid()))
    server.serve_forever()
    while not stopped.is_set():
        with active_lock:
            if active == 0:
                break
        time.sleep(0.2)
    os._exit(0)


def start(folder, url):
    parts = urllib.parse.urlsplit(url)
    host, port = parts.hostname, parts.port or 80
    os.makedirs(folder, exist_ok=True)
    stop(folder)
    if os.fork() == 0:
        os.setsid()
        null = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(null, fd)
        try:
            serve(folder, host, port)
        finally:
            os._exit(1)
    for _ in range(100):
        try:
            socket.create_connection((host, port), timeout=0.2).close()
            print(f"serving {folder} at {url}")
            return 0
        except OSError:
            time.sleep(0.05)
    print(f"serve-package: no server listening at {host}:{port}", file=sys.stderr)
    return 1


def stop(folder):
    pid_file = os.path.join(folder, "server.pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read())
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            os.kill(pid, 0)
            time.sleep(0.05)
    except (OSError, ValueError):
        pass
    try:
        os.remove(pid_file)
    except OSError:
        pass
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "start":
        sys.exit(start(sys.argv[2], sys.argv[3]))
    if len(sys.argv) == 3 and sys.argv[1] == "stop":
        sys.exit(stop(sys.argv[2]))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
