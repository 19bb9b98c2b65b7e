#!/usr/bin/python3
"""The window beside pardovane-check: the same generated site, one run.

Starts Xvfb, serves 200 pages x 15 links at 20 ms a request (the one-host
fixture of e2e.py), and times:
  - pardovane-check at its defaults, from start to exit;
  - the real window (a copy of the pardovane binary with the list beside it):
    from the click on Check until the busy pointer goes, which is the end
    of the run, read from the X server's own cursor notices;
  - a close request (WM_DELETE_WINDOW, as a window manager's close button
    sends it) 1 s into a run of a slower copy of the site (200 ms a
    request): how long until the process has exited, and how many requests
    reach the server after that.
With --crawl N, instead: a crawl of crawl.py's site of N pages (no latency)
by the command and by the window with its 一覧 tab shown listing every
checked link; the window's responsiveness during the run, as the longest
wait for its answer to _NET_WM_PING (sent every 20 ms, as a window manager
asks whether a window still responds), and the peak memory of both.
Runs with Debian's python3, which has python3-xlib.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display, protocol
from Xlib.ext import xfixes

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import generate  # noqa: E402
from fixture import FixtureServer, high_water_kib, run_measured  # noqa: E402
import crawl  # noqa: E402

CHECK_BUTTON = (360, 24)  # the centre of Command1 in the window's design


class Xserver:
    """Xvfb on a display of its own choosing, gone when the bench ends."""

    def __init__(self, work):
        display_file = os.path.join(work, "display")
        with open(display_file, "w") as out:
            self.process = subprocess.Popen(["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0",
                                             "1366x768x24", "-nolisten", "tcp"], pass_fds=(out.fileno(),),
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.getsize(display_file) > 0:
                break
            time.sleep(0.1)
        with open(display_file) as f:
            self.name = ":" + f.read().strip()
        self.display = display.Display(self.name)
        self.display.xfixes_query_version()
        root = self.display.screen().root
        self.display.xfixes_select_cursor_input(root, xfixes.XFixesDisplayCursorNotifyMask)

    def cursor_serials(self):
        """The cursors shown since last asked, in order, without waiting."""
        serials = []
        while self.display.pending_events():
            event = self.display.next_event()
            # Xlib builds the extension's event classes itself, so match by name.
            if type(event).__name__ == "DisplayCursorNotify":
                serials.append(event.cursor_serial)
        return serials

    def shown_cursor(self):
        return self.display.xfixes_get_cursor_image(self.display.screen().root).cursor_serial

    def wait_cursor(self, arrived, timeout):
        """The time the first cursor for which arrived(serial) holds is shown."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if any(arrived(serial) for serial in self.cursor_serials()):
                return time.perf_counter()
            time.sleep(0.001)
        raise RuntimeError("the pointer did not change as expected")

    def close_request(self, window_id):
        window = self.display.create_resource_object("window", window_id)
        protocols = self.display.intern_atom("WM_PROTOCOLS")
        delete = self.display.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=0)
        self.display.flush()

    def stop(self):
        self.display.close()
        self.process.terminate()
        self.process.wait(10)


class PingProbe(threading.Thread):
    """Asks the window whether it responds, every 20 ms, on a connection of
    its own; keeps the longest wait for an answer."""

    def __init__(self, xserver, window_id):
        super().__init__(daemon=True)
        self.display = display.Display(xserver.name)
        self.root = self.display.screen().root
        # The window answers on the root, to the window manager, which is
        # who redirects the root's children; there is none on this server,
        # and no window of the run's is mapped meanwhile, so the bench may.
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask | X.SubstructureRedirectMask)
        self.display.sync()
        self.window = self.display.create_resource_object("window", window_id)
        self.protocols = self.display.intern_atom("WM_PROTOCOLS")
        self.ping = self.display.intern_atom("_NET_WM_PING")
        self.window_id = window_id
        self.longest = 0.0
        self.answers = 0
        self.long_waits = []  # (when it was asked, how long it took), over 100 ms
        self.asked = None  # the question waiting for its answer, if one is
        self.stopping = threading.Event()

    def run(self):
        stamp = 1
        while not self.stopping.is_set():
            event = protocol.event.ClientMessage(window=self.window, client_type=self.protocols,
                                                 data=(32, [self.ping, stamp, self.window_id, 0, 0]))
            self.window.send_event(event, event_mask=0)
            self.display.flush()
            sent = self.asked = time.perf_counter()
            while not self.stopping.is_set() and not self.answered(stamp):
                time.sleep(0.001)
            self.asked = None
            waited = time.perf_counter() - sent
            self.longest = max(self.longest, waited)
            if waited > 0.1:
                self.long_waits.append((sent, waited))
            stamp += 1
            time.sleep(0.02)

    def waits_until(self, now):
        """The long waits so far, the one still going included."""
        asked = self.asked
        waits = list(self.long_waits)
        if asked is not None and now - asked > 0.1:
            waits.append((asked, now - asked))
        return waits

    def answered(self, stamp):
        while self.display.pending_events():
            event = self.display.next_event()
            if event.type == X.ClientMessage and event.data[1][1] == stamp:
                self.answers += 1
                return True
        return False

    def stop(self):
        self.stopping.set()
        self.join(10)
        self.display.close()


class Window:
    """A copy of the window's binary with its list beside it, on the X server."""

    def __init__(self, binary, listed, work, xserver, config=None):
        app = os.path.join(work, "app")
        os.makedirs(app, exist_ok=True)
        shutil.copy(binary, os.path.join(app, "pardovane"))
        with open(os.path.join(app, "HtmlURL.txt"), "w") as f:
            f.write("\r\n".join(listed) + "\r\n")
        env = dict(os.environ, DISPLAY=xserver.name, QT_QPA_PLATFORM="xcb")
        if config is not None:
            # The user's configuration file, in a home of the bench's own.
            home = os.path.join(work, "config")
            os.makedirs(os.path.join(home, "pardovane"), exist_ok=True)
            with open(os.path.join(home, "pardovane", "config.toml"), "w") as f:
                f.write(config)
            env["XDG_CONFIG_HOME"] = home
        self.xserver = xserver
        self.process = subprocess.Popen([os.path.join(app, "pardovane")], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.xdotool_env = dict(os.environ, DISPLAY=xserver.name)
        self.id = int(self.xdotool("search", "--sync", "--name", "^Pardovane ").split()[0])
        self.xdotool("windowfocus", "--sync", str(self.id))
        self.xdotool("mousemove", "--window", str(self.id), *map(str, CHECK_BUTTON))
        time.sleep(0.5)  # the window's first paint and pointer settle
        xserver.cursor_serials()
        self.idle_cursor = xserver.shown_cursor()

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.xdotool_env, check=True,
                              capture_output=True, text=True, timeout=30).stdout

    def show_findings(self):
        """The 一覧 tab, reached from the keyboard: Tab to the tabs' bar, then Right."""
        self.xdotool("key", "--window", str(self.id), "Tab", "Tab", "Tab", "Right")
        time.sleep(0.3)

    def list_every_link(self):
        """From the tabs' bar into the 一覧 tab: past the filter to the scope's
        choice, whose last item is every checked link."""
        self.xdotool("key", "--window", str(self.id), "Tab", "Tab", "End")
        time.sleep(0.3)
        self.xdotool("mousemove", "--window", str(self.id), *map(str, CHECK_BUTTON))
        time.sleep(0.3)

    def click_check(self):
        start = time.perf_counter()
        self.xdotool("click", "1")
        return start

    def wait_exit(self, timeout):
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None
        return time.perf_counter()


def crawl_run(args):
    routes = crawl.generate(args.crawl)
    with tempfile.TemporaryDirectory() as work:
        xserver = Xserver(work)
        try:
            server = FixtureServer(args.server, routes, 0, work)
            start_page = server.origins[0] + "/s/p0.html"
            text_wall, text_mib, _, _ = run_measured([args.binary, "--recurse", start_page], timeout=1800)
            json_wall, json_mib, _, _ = run_measured([args.binary, "--recurse", "-f", "json", start_page],
                                                     timeout=1800)
            window = Window(args.window, [start_page], work, xserver, config="recurse = true\n")
            window.show_findings()
            window.list_every_link()
            probe = PingProbe(xserver, window.id)
            probe.start()
            time.sleep(0.5)
            before = probe.longest
            begun = window.click_check()
            xserver.wait_cursor(lambda serial: serial != window.idle_cursor, 60)
            probe.longest = 0.0
            probe.long_waits.clear()
            end = xserver.wait_cursor(lambda serial: serial == window.idle_cursor, 1800)
            long_waits = probe.waits_until(end)
            stall = max([probe.longest] + [waited for _, waited in long_waits])
            answers = probe.answers
            window_mib = high_water_kib(window.process.pid) / 1024.0
            probe.stop()
            xserver.close_request(window.id)
            window.wait_exit(30)
            server.stop()
        finally:
            xserver.stop()
    print(f"a crawl of {args.crawl:,} pages, no latency")
    print(f"  pardovane-check --recurse         {text_wall:8.2f} s  {text_mib:7.1f} MiB")
    print(f"  pardovane-check --recurse -f json {json_wall:8.2f} s  {json_mib:7.1f} MiB")
    print(f"  window, 一覧 listing every link   {end - begun:8.2f} s  {window_mib:7.1f} MiB")
    print(f"  window / command (json): {window_mib / json_mib:.2f}x memory")
    print(f"  longest wait for the window's ping answer during the run: {stall * 1000:.0f} ms "
          f"({answers} answers; {before * 1000:.0f} ms before the run)")
    for sent, waited in long_waits:
        print(f"    {waited * 1000:.0f} ms, asked {sent - begun:.2f} s after the click")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--window", default="build-bench/bin/pardovane")
    parser.add_argument("--binary", default="build-bench/bin/pardovane-check")
    parser.add_argument("--server", default="build-bench/bench/fixture_server")
    parser.add_argument("--pages", type=int, default=200)
    parser.add_argument("--links", type=int, default=15)
    parser.add_argument("--findings", action="store_true", help="run with the 一覧 tab shown")
    parser.add_argument("--crawl", type=int, help="a crawl of this many pages instead, for responsiveness")
    args = parser.parse_args()
    if args.crawl:
        return crawl_run(args)

    routes, template = generate(args.pages, args.links)
    rows = []
    with tempfile.TemporaryDirectory() as work:
        xserver = Xserver(work)
        try:
            server = FixtureServer(args.server, routes, 20, work)
            listed = [url.replace("{A}", server.origins[0]) for url in template]
            list_file = os.path.join(work, "HtmlURL.txt")
            with open(list_file, "w") as f:
                f.write("\r\n".join(listed) + "\r\n")
            server.control("reset")
            command_wall, _, _, _ = run_measured([args.binary, list_file])
            command_requests = server.control("count")
            rows.append(("pardovane-check (defaults)", command_wall, command_requests))

            window = Window(args.window, listed, work, xserver)
            if args.findings:
                window.show_findings()
            server.control("reset")
            start = window.click_check()
            # The busy pointer (animated: several cursors), then the idle one again.
            xserver.wait_cursor(lambda serial: serial != window.idle_cursor, 60)
            end = xserver.wait_cursor(lambda serial: serial == window.idle_cursor, 600)
            rows.append(("window", end - start, server.control("count")))
            xserver.close_request(window.id)
            window.wait_exit(10)
            server.stop()

            # Slow enough that a run is far from over after a second.
            server = FixtureServer(args.server, routes, 200, work)
            listed = [url.replace("{A}", server.origins[0]) for url in template]
            window = Window(args.window, listed, work, xserver)
            server.control("reset")
            window.click_check()
            time.sleep(1.0)
            asked = time.perf_counter()
            xserver.close_request(window.id)
            exited = window.wait_exit(30)
            at_exit = server.control("count")
            time.sleep(1.0)
            later = server.control("count") - at_exit
            server.stop()
        finally:
            xserver.stop()

    print(f"{args.pages} pages x {args.links} links, one host at 20 ms")
    for name, wall, requests in rows:
        print(f"  {name:<28} {wall:7.3f} s  {requests:5} requests")
    print(f"  window / command: {rows[1][1] / rows[0][1]:.2f}x")
    honoured = f"{exited - asked:.3f} s" if exited else "not within 30 s"
    print(f"close request 1 s into a run at 200 ms a request: process gone after {honoured}, "
          f"{at_exit} requests made, {later} after exit")


if __name__ == "__main__":
    sys.exit(main())
