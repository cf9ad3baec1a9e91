#!/usr/bin/env python3
"""HTTP server on loopback for the downloader tests, scripted per path.

  test_server.py start DIR   serve in the background; DIR/address gets one host a line
                             (127.x.y.z addresses, ports 80 and 443: URLs carry no port):
                             the server (HTTP and TLS), one where nothing listens, TLS
                             with a self-signed certificate, TLS 1.0/1.1 only ("-" if
                             this OpenSSL has none)
  test_server.py stop DIR    end it

It serves DIR/files/<name> at /files/<name> and appends every request path to
DIR/requests.log.

/drop/<scenario>/<key> serves FAULT_BODY with the faults of SCENARIOS: the first request
for a key is cut off as the scenario says, and later ones (continuations with Range and
If-Range, or whole requests) are answered as it says. /count/<key> answers how many
requests that key got and, one a line, the Range and If-Range each of them carried.

The server ends by itself after a few minutes so that nothing outlives a broken run.
"""
import http.server, os, random, signal, socket, socketserver, ssl, struct, subprocess, sys, threading, time, warnings

LIFETIME = 3600  # a guard only: the stop fixture ends it; the emulated machine is slow
FOLDER = None  # set in the serving process: files/ below it is served, requests.log written
BODY = bytes(i * 7 % 251 for i in range(100000))
FAULT_BODY = bytes((i * 13 + i // 997) % 256 for i in range(400000))
CHANGED_BODY = bytes((i * 5 + 3) % 256 for i in range(300000))  # the file after an update
LAST_MODIFIED = "Tue, 08 Dec 2026 10:00:00 GMT"

# cut: fraction of the body the first request sends; how: "reset" (RST), "close" (a clean
# end before the announced length), "stall" (70 s without a byte, then a reset);
# validator: the headers that make a continuation possible; later: how requests after the
# first are answered: "range" serves the rest (206), "ignore" sends the whole body again
# (200) and cuts it the same way, "416", "wrong-range" (a 206 for other bytes), "503",
# "changed" (the file changed: If-Range no longer matches).
SCENARIOS = {
    "reset10": dict(cut=0.10, how="reset", later="range"),
    "reset50": dict(cut=0.50, how="reset", later="range"),
    "reset99": dict(cut=0.99, how="reset", later="range"),
    "close50": dict(cut=0.50, how="close", later="range"),
    "stall": dict(cut=0.50, how="stall", later="range"),
    "ignore-range": dict(cut=0.50, how="reset", later="ignore", cut_again=False),
    "ignore-range-drops": dict(cut=0.50, how="reset", later="ignore", cut_again=True),
    "changed": dict(cut=0.50, how="reset", later="changed"),
    "416": dict(cut=0.50, how="reset", later="416"),
    "wrong-range": dict(cut=0.50, how="reset", later="wrong-range"),
    "down": dict(cut=0.50, how="reset", later="503"),
    "last-modified": dict(cut=0.50, how="reset", later="range", validator="last-modified"),
    "weak-etag": dict(cut=0.50, how="reset", later="range", validator="weak"),
    "no-length": dict(cut=0.50, how="reset", later="range", chunked=True),
}
FAULT_LOCK = threading.Lock()
FAULT_REQUESTS = {}  # key -> ["range|if-range", ...]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def head(self, status, length=None, extra=()):
        self.send_response(status)
        if length is not None:
            self.send_header("Content-Length", length)
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Connection", "close")
        self.end_headers()

    def chunked(self, data, pieces=7):
        step = max(1, len(data) // pieces)
        for i in range(0, len(data), step):
            part = data[i:i + step]
            self.wfile.write(b"%x\r\n" % len(part) + part + b"\r\n")
        self.wfile.write(b"0\r\n\r\n")

    def validators(self, scenario, body):
        kind = scenario.get("validator", "etag")
        if kind == "etag":
            return [("ETag", '"v2"' if body is CHANGED_BODY else '"v1"')]
        if kind == "weak":
            return [("ETag", 'W/"v1"')]
        return [("Last-Modified", LAST_MODIFIED)]

    def reset(self):
        self.wfile.flush()
        time.sleep(0.3)  # what was sent reaches the client before the reset discards the rest
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()

    def whole(self, scenario, body, cut=None):
        """A 200 with the body's length (or chunked), cut off as the scenario says."""
        if scenario.get("chunked"):
            self.head(200, None, [("Transfer-Encoding", "chunked")] + self.validators(scenario, body))
        else:
            self.head(200, str(len(body)), self.validators(scenario, body))
        sent = body if cut is None else body[:int(len(body) * cut)]
        if scenario.get("chunked"):
            for i in range(0, len(sent), 16384):
                part = sent[i:i + 16384]
                self.wfile.write(b"%x\r\n" % len(part) + part + b"\r\n")
        else:
            self.wfile.write(sent)
        if cut is None:
            if scenario.get("chunked"):
                self.wfile.write(b"0\r\n\r\n")
            return
        how = scenario["how"]
        if how == "stall":
            self.wfile.flush()
            time.sleep(70)
        if how == "close":
            self.wfile.flush()
            self.close_connection = True
            return
        self.reset()

    def fault(self, name, key):
        scenario = SCENARIOS.get(name)
        if scenario is None:
            self.head(404, "0")
            return
        asked = self.headers.get("Range", "")
        if_range = self.headers.get("If-Range", "")
        with FAULT_LOCK:
            seen = FAULT_REQUESTS.setdefault(key, [])
            seen.append(asked + "|" + if_range)
            number = len(seen)
        if number == 1:
            self.whole(scenario, FAULT_BODY, scenario["cut"])
            return
        later = scenario["later"]
        if later == "503":
            self.head(503, "0")
            return
        if later == "ignore":
            self.whole(scenario, FAULT_BODY, scenario["cut"] if scenario.get("cut_again") else None)
            return
        if later == "changed":
            self.whole(scenario, CHANGED_BODY)
            return
        if not asked.startswith("bytes=") or not asked.endswith("-"):
            self.whole(scenario, FAULT_BODY)  # a whole request: the whole body
            return
        start = int(asked[6:-1])
        current = dict(self.validators(scenario, FAULT_BODY))
        if if_range not in current.values() or if_range.startswith("W/"):
            self.whole(scenario, FAULT_BODY)  # a validator that does not match: the whole body
            return
        if later == "416":
            self.head(416, "0", [("Content-Range", "bytes */%d" % len(FAULT_BODY))])
            return
        first = 0 if later == "wrong-range" else start
        rest = FAULT_BODY[first:]
        self.head(206, str(len(rest)), [("Content-Range", "bytes %d-%d/%d" % (first, len(FAULT_BODY) - 1,
                                                                               len(FAULT_BODY)))]
                  + self.validators(scenario, FAULT_BODY))
        self.wfile.write(rest)

    def do_GET(self):
        path = self.path
        if FOLDER:  # logged before answering, so a client that got an answer finds its line
            with open(os.path.join(FOLDER, "requests.log"), "a") as log:
                log.write(path + "\n")
        if path.startswith("/files/"):  # DIR/files/<name>, with its length
            try:
                with open(os.path.join(FOLDER, "files", os.path.basename(path[7:])), "rb") as f:
                    body = f.read()
            except OSError:
                self.head(404, "0")
                return
            self.head(200, str(len(body)))
            self.wfile.write(body)
        elif path.startswith("/drop/"):
            name, _, key = path[6:].partition("/")
            self.fault(name, key)
        elif path.startswith("/count/"):
            with FAULT_LOCK:
                seen = list(FAULT_REQUESTS.get(path[7:], []))
            text = ("%d\n" % len(seen) + "".join(line + "\n" for line in seen)).encode()
            self.head(200, str(len(text)))
            self.wfile.write(text)
        elif path == "/ok":
            self.head(200, str(len(BODY)))
            self.wfile.write(BODY)
        elif path.startswith("/ok?"):
            body = path.encode()
            self.head(200, str(len(body)))
            self.wfile.write(body)
        elif path == "/chunked":
            self.head(200, None, [("Transfer-Encoding", "chunked")])
            self.chunked(BODY)
        elif path.startswith("/status/"):
            self.head(int(path[8:]), "0")
        elif path.startswith("/length/"):
            self.head(200, path[8:].replace("%20", " "))
            self.wfile.write(BODY[:12345])
        elif path == "/trickle":  # no length, a little every 50 ms for minutes: only a stop ends it
            self.head(200, None, [("Transfer-Encoding", "chunked")])
            try:
                for _ in range(4000):
                    self.wfile.write(b"3e8\r\n" + b"t" * 1000 + b"\r\n")
                    self.wfile.flush()
                    time.sleep(0.05)
                self.wfile.write(b"0\r\n\r\n")
            except OSError:
                pass
        elif path == "/double":  # announces half of what a chunked body then delivers
            self.head(200, str(len(BODY) // 2), [("Transfer-Encoding", "chunked")])
            self.chunked(BODY)
        elif path == "/short":
            self.head(200, str(len(BODY)))
            self.wfile.write(BODY[:30000])
        elif path == "/paused":
            self.head(200, str(len(BODY)))
            for i in range(0, len(BODY), 25000):
                self.wfile.write(BODY[i:i + 25000])
                self.wfile.flush()
                time.sleep(0.2)
        elif path == "/slow":  # long enough that only a cancel ends it early
            self.head(200, str(1000 * 1000))
            try:
                for _ in range(1000):
                    self.wfile.write(b"x" * 1000)
                    self.wfile.flush()
                    time.sleep(0.05)
            except OSError:
                pass
        elif path == "/reset":
            self.head(200, str(len(BODY)))
            self.wfile.write(BODY[:20000])
            self.reset()
        elif path.startswith("/big/"):  # benchmarks: n bytes with a length, 1 MiB writes
            size = int(path[5:])
            block = b"\xa5" * (1 << 20)
            self.head(200, str(size))
            while size > 0:
                self.wfile.write(block[:min(size, len(block))])
                size -= len(block)
        elif path == "/redirect":
            self.head(302, "0", [("Location", "/ok")])
        elif path == "/silent":  # reads the request, then closes without an answer
            self.close_connection = True
        elif path == "/garbage":  # no status line at all
            self.close_connection = True
            self.wfile.write(b"garbage instead of a status line\r\n\r\n" + BODY[:1000])
        elif path == "/length-empty":
            self.head(200, "")
            self.wfile.write(BODY[:1000])
        elif path == "/tls-version":  # the protocol the connection negotiated
            version = getattr(self.connection, "version", lambda: "plain")().encode()
            self.head(200, str(len(version)))
            self.wfile.write(version)
        else:
            self.head(404, "0")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def bind():
    for _ in range(50):
        host = "127.%d.%d.%d" % (random.randint(1, 254), random.randint(1, 254), random.randint(2, 254))
        try:
            return host, Server((host, 80), Handler)
        except OSError:
            continue
    raise SystemExit("test_server: no free loopback address on port 80")


def closed_host(*taken):
    while True:
        host = "127.%d.%d.%d" % (random.randint(1, 254), random.randint(1, 254), random.randint(2, 254))
        if host not in taken and socket.socket().connect_ex((host, 80)) != 0:
            return host


def make_certificates(folder, hosts, untrusted_host):
    """A test CA and a server certificate for hosts it signed; a self-signed one for the other."""
    def run(*args):
        subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Net Test CA",
        "-keyout", "ca.key", "-out", "ca.pem")
    # Wine compares the URL's host with the DNS names only, Windows an address with the IP
    # entries: each address is named both ways.
    names = ",".join("DNS:%s,IP:%s" % (host, host) for host in hosts)
    with open(os.path.join(folder, "san.ext"), "w") as f:
        f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n" % names)
    run("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + hosts[0], "-keyout", "server.key", "-out", "server.csr")
    run("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-days", "2",
        "-extfile", "san.ext", "-out", "server.pem")
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=" + untrusted_host,
        "-addext", "subjectAltName=DNS:%s,IP:%s" % (untrusted_host, untrusted_host),
        "-keyout", "untrusted.key", "-out", "untrusted.pem")
    run("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der")


def tls_server(folder, host, name, legacy=False):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    if legacy:  # TLS 1.0 and 1.1 only, which the downloader must refuse
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
        with warnings.catch_warnings():  # deprecated on purpose
            warnings.simplefilter("ignore", DeprecationWarning)
            context.minimum_version = ssl.TLSVersion.TLSv1
            context.maximum_version = ssl.TLSVersion.TLSv1_1
    else:
        context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".key"))
    server = Server((host, 443), Handler, bind_and_activate=False)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    server.server_bind()
    server.server_activate()
    threading.Thread(target=server.serve_forever, daemon=True).start()


def start(folder):
    os.makedirs(folder, exist_ok=True)
    address = os.path.join(folder, "address")
    if os.path.exists(address):
        os.remove(address)
    host, server = bind()
    if os.fork():
        server.server_close()
        deadline = time.time() + 90  # three RSA keys: slow in an emulated machine
        while not os.path.exists(address) and time.time() < deadline:
            time.sleep(0.05)
        return 0 if os.path.exists(address) else 1
    os.setsid()
    global FOLDER
    FOLDER = folder
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(os.getpid()))
    closed = closed_host(host)
    untrusted = closed_host(host, closed)
    legacy = closed_host(host, closed, untrusted)
    make_certificates(folder, [host, legacy], untrusted)
    tls_server(folder, host, "server")
    tls_server(folder, untrusted, "untrusted")
    try:
        tls_server(folder, legacy, "server", legacy=True)
    except (ssl.SSLError, ValueError, OSError):  # an OpenSSL without the old protocols
        legacy = "-"
    with open(address + ".tmp", "w") as f:
        f.write(host + "\n" + closed + "\n" + untrusted + "\n" + legacy + "\n")
    os.rename(address + ".tmp", address)
    threading.Timer(LIFETIME, lambda: os._exit(0)).start()
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    server.serve_forever()
    return 0


def stop(folder):
    try:
        with open(os.path.join(folder, "pid")) as f:
            os.kill(int(f.read()), signal.SIGTERM)
    except (OSError, ValueError):
        pass
    return 0


if __name__ == "__main__":
    sys.exit({"start": start, "stop": stop}[sys.argv[1]](sys.argv[2]))
