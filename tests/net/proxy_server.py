#!/usr/bin/env python3
"""Real proxies on loopback for the downloader's proxy tests (Debian's tinyproxy).

  proxy_server.py start DIR   start them in the background; DIR/address gets one
                              host:port a line: the open proxy, the proxy that asks for
                              credentials (407 without them), one where nothing listens
  proxy_server.py stop DIR    end them

Each proxy logs every request line to DIR/<name>.log. Both end by themselves after an hour,
so that nothing outlives a broken run.
"""
import os, random, signal, socket, subprocess, sys, time

TINYPROXY = "/usr/bin/tinyproxy"
PORT = 8888
LIFETIME = 3600  # a guard only: the stop fixture ends them; the emulated machine is slow
PROXIES = (("open", ""), ("auth", "BasicAuth user pass\n"))


def free_host(taken):
    """A loopback address where nothing listens on PORT."""
    for _ in range(50):
        host = "127.%d.%d.%d" % (random.randint(1, 254), random.randint(1, 254), random.randint(2, 254))
        if host in taken:
            continue
        with socket.socket() as probe:
            if probe.connect_ex((host, PORT)) != 0:
                return host
    raise SystemExit("proxy_server: no free loopback address on port %d" % PORT)


def listening(host):
    with socket.socket() as probe:
        return probe.connect_ex((host, PORT)) == 0


def start_proxy(folder, name, host, extra):
    config = os.path.join(folder, name + ".conf")
    with open(config, "w") as f:
        f.write('Port %d\nListen %s\nTimeout 600\nMaxClients 50\nLogLevel Connect\nLogFile "%s"\n'
                "Allow 127.0.0.0/8\n%s" % (PORT, host, os.path.join(folder, name + ".log"), extra))
    with open(os.path.join(folder, name + ".out"), "w") as out:
        process = subprocess.Popen(["timeout", str(LIFETIME), TINYPROXY, "-d", "-c", config],
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True)
    return process


def start(folder):
    os.makedirs(folder, exist_ok=True)
    address = os.path.join(folder, "address")
    if os.path.exists(address):
        os.remove(address)
    stop(folder)
    hosts, pids = [], []
    for name, extra in PROXIES:
        host = free_host(hosts)
        for log in (name + ".log", name + ".out"):
            if os.path.exists(os.path.join(folder, log)):
                os.remove(os.path.join(folder, log))
        process = start_proxy(folder, name, host, extra)
        hosts.append(host)
        pids.append(process.pid)
    with open(os.path.join(folder, "pids"), "w") as f:
        f.write(" ".join(map(str, pids)) + "\n")
    deadline = time.time() + 60
    while not all(listening(host) for host in hosts):
        if time.time() > deadline:
            print("proxy_server: tinyproxy did not start, see %s/*.out" % folder, file=sys.stderr)
            stop(folder)
            return 1
        time.sleep(0.1)
    down = free_host(hosts)
    with open(address + ".tmp", "w") as f:
        f.write("".join("%s:%d\n" % (host, PORT) for host in hosts + [down]))
    os.rename(address + ".tmp", address)
    return 0


def stop(folder):
    # timeout passes the signal on to its tinyproxy.
    try:
        with open(os.path.join(folder, "pids")) as f:
            pids = [int(p) for p in f.read().split()]
    except (OSError, ValueError):
        return 0
    for pid in pids:
        try:  # a pid left by a broken run may have been reused since
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                if TINYPROXY.encode() in f.read():
                    os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    os.remove(os.path.join(folder, "pids"))
    return 0


if __name__ == "__main__":
    sys.exit({"start": start, "stop": stop}[sys.argv[1]](sys.argv[2]))
