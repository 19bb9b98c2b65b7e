"""The compiled fixture server, and one command's wall time and peak memory.

Shared by the benchmarks in this folder.
"""

import os
import subprocess
import threading
import time
import urllib.request


class FixtureServer:
    """The compiled fixture server, on two loopback ports."""

    def __init__(self, binary, routes, latency_ms, work, hosts=None):
        fixture = os.path.join(work, "fixture.tsv")
        with open(fixture, "w") as out:
            for n, (origin, path, status, location, body) in enumerate(routes):
                body_file = "-"
                if body is not None:
                    body_file = os.path.join(work, f"body{n}.html")
                    with open(body_file, "w") as b:
                        b.write(body)
                out.write(f"{origin}\t{path}\t{status}\t{location or '-'}\t{body_file}\n")
        command = [binary, fixture, str(latency_ms)]
        addresses = ["127.0.0.1", "127.0.0.1"]
        if hosts:
            hosts_file = os.path.join(work, "hosts.txt")
            with open(hosts_file, "w") as out:
                out.write("".join(" ".join(map(str, h)) + "\n" for h in hosts))
            command.append(hosts_file)
            addresses = [h[1] for h in hosts]
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        words = self.process.stdout.readline().split()
        self.origins = [f"http://{a}:{port}" for a, port in zip(addresses, words[1:])]

    def control(self, what):
        with urllib.request.urlopen(f"{self.origins[0]}/__{what}", timeout=10) as response:
            return int(response.read())

    def stop(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)


def run_measured(command, timeout=600):
    """Wall time in seconds and peak resident memory in MiB of one command."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out_chunks = []
    reader = threading.Thread(target=lambda: out_chunks.append(process.stdout.read()), daemon=True)
    reader.start()
    deadline = time.monotonic() + timeout
    peak_kib = 0
    while True:
        # The kernel's high-water mark of the process since its exec; rusage
        # would count the memory of this Python process it was forked from.
        peak_kib = max(peak_kib, high_water_kib(process.pid))
        pid, status = os.waitpid(process.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            process.kill()
        time.sleep(0.001)
    wall = time.perf_counter() - start
    reader.join(5)
    return wall, peak_kib / 1024.0, os.waitstatus_to_exitcode(status), b"".join(out_chunks)


def high_water_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0
