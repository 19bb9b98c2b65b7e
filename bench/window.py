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
Runs with Debian's python3, which has python3-xlib.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

from Xlib import X, display, protocol
from Xlib.ext import xfixes

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import FixtureServer, generate, run_measured  # noqa: E402

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


class Window:
    """A copy of the window's binary with its list beside it, on the X server."""

    def __init__(self, binary, listed, work, xserver):
        app = os.path.join(work, "app")
        os.makedirs(app, exist_ok=True)
        shutil.copy(binary, os.path.join(app, "pardovane"))
        with open(os.path.join(app, "HtmlURL.txt"), "w") as f:
            f.write("\r\n".join(listed) + "\r\n")
        env = dict(os.environ, DISPLAY=xserver.name, QT_QPA_PLATFORM="xcb")
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--window", default="build-bench/bin/pardovane")
    parser.add_argument("--binary", default="build-bench/bin/pardovane-check")
    parser.add_argument("--server", default="build-bench/bench/fixture_server")
    parser.add_argument("--pages", type=int, default=200)
    parser.add_argument("--links", type=int, default=15)
    parser.add_argument("--findings", action="store_true", help="run with the 一覧 tab shown")
    args = parser.parse_args()

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
