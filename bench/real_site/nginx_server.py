"""nginx on 127.0.0.1 as a child process with its own configuration, pid and
logs in the run's directory. It runs under `timeout`, so it stops by itself
even when the script that started it is killed."""

import os
import signal
import socket
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class NginxServer:
    def __init__(self, workdir, root, lifetime_seconds):
        self.workdir = workdir
        self.root = root
        self.lifetime = lifetime_seconds
        self.port = None
        self.process = None

    def __enter__(self):
        self.port = free_port()
        with open(os.path.join(HERE, "nginx.conf.in"), encoding="utf-8") as f:
            conf = f.read()
        conf = (conf.replace("@DIR@", self.workdir).replace("@ROOT@", self.root)
                .replace("@PORT@", str(self.port)))
        conf_path = os.path.join(self.workdir, "nginx.conf")
        with open(conf_path, "w", encoding="utf-8") as f:
            f.write(conf)
        self.process = subprocess.Popen(
            ["timeout", "--kill-after=5", str(self.lifetime),
             "nginx", "-p", self.workdir, "-e", os.path.join(self.workdir, "error.log"),
             "-c", conf_path],
            stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("nginx exited at start; see " + self.workdir + "/error.log")
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return self
            except OSError:
                time.sleep(0.05)
        self.__exit__(None, None, None)
        raise RuntimeError("nginx did not listen within 10 s")

    def __exit__(self, *exc):
        if self.process is None or self.process.poll() is not None:
            return
        # timeout passes TERM on to nginx, which stops its workers and exits.
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(timeout=10)

    @property
    def origin(self):
        return "http://127.0.0.1:%d" % self.port

    @property
    def access_log(self):
        return os.path.join(self.workdir, "access.log")
