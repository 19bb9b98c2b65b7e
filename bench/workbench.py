#!/usr/bin/python3
"""The window's workbench at work on a real X server, driven as a screen
reader drives it: through the accessibility bus, by the controls' names.

A site of 40 pages on 127.0.0.1 with 6 broken links (404, 410, a refused
connection, a name that does not resolve, a missing folder, a missing
picture), a stylesheet whose font is missing and a link to a fragment that
is not there; a 41st page, listed last and linked from nowhere, answers after 5 s,
so that the run is still going when the others are done. The script:
  1. presses チェック with the default settings and reads the 一覧 table
     while the run goes on and after it; exports it as CSV and compares it
     with pardovane-check's JSON findings, and the レポート tab with the
     command's report;
  2. ticks the resources and fragments boxes in 設定, saves, presses チェック
     again: the font and the fragment must now be found, during the run;
     the CSV must hold the command's findings, the command given no option
     (it reads the same config.toml).
Prints what it saw and exits 1 on any disagreement.

Needs Xvfb, dbus-run-session, at-spi2-core and python3-pyatspi (Debian),
and a built window: /usr/bin/python3 bench/workbench.py --window build/bin/pardovane
"""

import argparse
import csv
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

PAGES = 40
FINDINGS_LINK = 1  # the column of the link as written


def write_site(root):
    site = os.path.join(root, "site")
    os.makedirs(site)
    extra = {
        3: '<a href="old/news.html">news</a>',
        7: '<a href="gone.html">gone</a>',
        10: '<link rel="stylesheet" href="style.css">',
        12: '<a href="http://127.0.0.1:1/">refused</a>',
        18: '<a href="http://no-such-host.invalid/">nowhere</a>',
        20: '<a href="p21.html#no-such-section">section</a>',
        25: '<a href="deleted/">folder</a>',
        31: '<img src="missing.png" alt="">',
    }
    for n in range(PAGES):
        links = f'<a href="p{(n + 1) % PAGES:02}.html">next</a>\n<a href="p{(n - 1) % PAGES:02}.html">back</a>'
        with open(os.path.join(site, f"p{n:02}.html"), "w") as page:
            page.write(f'<!DOCTYPE html>\n<html><head><title>{n}</title>\n{extra.get(n, "") if n == 10 else ""}'
                       f'</head>\n<body>\n<h1 id="top">Page {n}</h1>\n<p>{links}\n'
                       f'{extra.get(n, "") if n != 10 else ""}\n</body></html>\n')
    # Listed last and linked from nowhere, so the pages before it are done
    # while it is awaited.
    with open(os.path.join(site, "slow.html"), "w") as page:
        page.write("<!DOCTYPE html>\n<p>Slow to answer.</p>\n")
    with open(os.path.join(site, "style.css"), "w") as sheet:
        sheet.write('@font-face {\n  font-family: Body;\n  src: url(fonts/missing.woff2);\n}\n')
    return site


def serve(site):
    class Handler(http.server.SimpleHTTPRequestHandler):
        def do_GET(self):
            if self.path.endswith("/slow.html"):
                time.sleep(5)
            if self.path.endswith("/gone.html"):
                self.send_error(410)
                return
            super().do_GET()

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=site))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Bus:
    """The window's accessible tree, as the accessibility bus shows it."""

    def __init__(self, pyatspi):
        self.a = pyatspi
        self.app = self.wait(lambda: self.application("Pardovane"), "the window on the bus")
        self.findings = None

    @staticmethod
    def wait(found, what, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = found()
            if value:
                return value
            time.sleep(0.05)
        raise RuntimeError(f"gave up waiting for {what}")

    def application(self, name):
        desktop = self.a.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            child = desktop.getChildAtIndex(i)
            if child is not None and child.name == name:
                return child
        return None

    def find(self, role, name=None, under=None, starts=False):
        def matches(node):
            try:
                if node.getRoleName() != role:
                    return False
                return name is None or (node.name.startswith(name) if starts else node.name == name)
            except Exception:
                return False
        return self.a.findDescendant(under or self.app, matches, breadth_first=True)

    def press(self, node):
        node.queryAction().doAction(0)

    def enabled(self, node):
        return node.getState().contains(self.a.STATE_ENABLED)

    def show_tab(self, name):
        tabs = self.find("page tab list")
        for i in range(tabs.childCount):
            if tabs.getChildAtIndex(i).name == name:
                self.press(tabs.getChildAtIndex(i))
                return
        raise RuntimeError(f"no tab {name}")

    def table(self):
        if self.findings is None:
            self.findings = self.find("table", "見つかった問題の一覧")
        return self.findings

    def table_rows(self):
        table = self.table().queryTable()
        return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)] for r in range(table.nRows)]

    def save_as(self, button_name, path):
        """Presses an export button and answers its file dialog with path."""
        self.press(self.find("push button", button_name))
        dialog = self.wait(lambda: self.find("dialog"), "the file dialog")
        # The dialog's file name field has focus when it opens.
        field = self.wait(lambda: self.a.findDescendant(
            dialog, lambda n: n.getRoleName() == "text" and n.getState().contains(self.a.STATE_FOCUSED)),
            "the file name field")
        field.queryEditableText().setTextContents(path)
        self.press(self.find("push button", "保存", dialog, starts=True))
        self.wait(lambda: os.path.exists(path), path)
        self.wait(lambda: self.find("dialog") is None, "the dialog to close")


def command_findings(binary, list_file, env):
    """(page, link, url, line:column) of each finding in the command's JSON."""
    run = subprocess.run([binary, "-f", "json", list_file], capture_output=True, env=env, timeout=120)
    rows = []
    for page in json.loads(run.stdout)["pages"]:
        for link in page["links"]:
            if "skipped" not in link and (not link["good"] or "warning" in link):
                rows.append((page["url"], link["link"], link["url"], f"{link['line']}:{link['column']}"))
    return rows


def csv_findings(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        table = list(csv.reader(f))
    # The columns as the window names them: page, link, kind, reason, place, URL.
    return [(row[0], row[1], row[5], row[4]) for row in table[1:]], table


def run_in_window(bus, check):
    """Presses チェック and reads the table until the run ends: the links of
    the rows seen while it was going, and every row after it."""
    bus.show_tab("一覧")
    pressed = time.monotonic()
    bus.press(check)
    bus.wait(lambda: not bus.enabled(check), "the run to start", 10)
    during = []
    while True:
        # One question a row: each is answered in one of the window's turns.
        try:
            table = bus.table().queryTable()
            rows = table.nRows
            new = [table.getAccessibleAt(r, FINDINGS_LINK).name for r in range(len(during), rows)]
        except Exception:
            continue  # the table grew while it was read; read it again
        if bus.enabled(check):
            break
        if new:
            print(f"  {time.monotonic() - pressed:5.2f} s after the press: {rows} rows")
        during += new
        time.sleep(0.1)
    print(f"  {time.monotonic() - pressed:5.2f} s after the press: the run has ended")
    return during, bus.table_rows()


def compare(label, ours, theirs, failures):
    if sorted(ours) == sorted(theirs):
        print(f"  {label}: the same {len(ours)} findings")
    else:
        failures.append(label)
        print(f"  {label}: DIFFERENT\n    window:  {sorted(ours)}\n    command: {sorted(theirs)}")


def main_on_bus(args):
    sys.path.append("/usr/lib/python3/dist-packages")
    import pyatspi

    work = args.work
    site = write_site(work)
    server = serve(site)
    origin = f"http://127.0.0.1:{server.server_address[1]}"
    app = os.path.join(work, "app")
    os.makedirs(app)
    shutil.copy(args.window, os.path.join(app, "pardovane"))
    list_file = os.path.join(app, "HtmlURL.txt")
    with open(list_file, "w") as f:
        f.write("".join(f"{origin}/p{n:02}.html\r\n" for n in range(PAGES)) + f"{origin}/slow.html\r\n")
    config_home = os.path.join(work, "config")
    os.makedirs(config_home)
    env = dict(os.environ, XDG_CONFIG_HOME=config_home, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    window = subprocess.Popen([os.path.join(app, "pardovane")], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    failures = []
    try:
        bus = Bus(pyatspi)
        check = bus.wait(lambda: bus.find("push button", "チェック"), "the Check button")

        print("defaults:")
        during, after = run_in_window(bus, check)
        print(f"  rows while the run was going: {len(during)}; after it: {len(after)}")
        for row in after:
            print("   ", " | ".join(row))
        report = bus.find("text", "レポート").queryText()
        shown = report.getText(0, -1).replace("\u2029", "\n")
        command = subprocess.run([args.binary, list_file], capture_output=True, env=env, timeout=120)
        same = shown.rstrip("\n") == command.stdout.decode("utf-8").replace("\r\n", "\n").rstrip("\n")
        print(f"  レポート tab is the command's report: {same}")
        if not same:
            failures.append("report")
        csv_file = os.path.join(work, "defaults.csv")
        bus.save_as("CSV に書き出す", csv_file)
        rows, _ = csv_findings(csv_file)
        compare("CSV vs pardovane-check -f json", rows, command_findings(args.binary, list_file, env), failures)

        print("resources and fragments ticked in 設定, saved:")
        bus.show_tab("設定")
        for box in ("画像・スタイルシート・スクリプトなども調べる", "# のあとの位置がページにあるか調べる"):
            bus.press(bus.find("check box", box))
        bus.press(bus.find("push button", "設定を保存"))
        config = os.path.join(config_home, "pardovane", "config.toml")
        bus.wait(lambda: os.path.exists(config), config)
        print("  config.toml:", open(config).read().strip().replace("\n", " / "))
        during, after = run_in_window(bus, check)
        print(f"  rows while the run was going: {len(during)}; after it: {len(after)}")
        for row in after:
            print("   ", " | ".join(row))
        found = set(during)
        for link in ("fonts/missing.woff2", "p21.html#no-such-section"):
            print(f"  {link} listed during the run: {link in found}")
            if link not in found:
                failures.append(link)
        csv_file = os.path.join(work, "configured.csv")
        bus.save_as("CSV に書き出す", csv_file)
        rows, _ = csv_findings(csv_file)
        compare("CSV vs pardovane-check -f json (no option)", rows, command_findings(args.binary, list_file, env),
                failures)
    finally:
        window.terminate()
        window.wait(30)
        server.shutdown()
    print("all as expected" if not failures else f"FAILED: {', '.join(failures)}")
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--window", default="build/bin/pardovane")
    parser.add_argument("--binary", default="build/bin/pardovane-check")
    parser.add_argument("--on-bus", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--work", help=argparse.SUPPRESS)
    args = parser.parse_args()
    args.window = os.path.abspath(args.window)
    args.binary = os.path.abspath(args.binary)
    if args.on_bus:
        return main_on_bus(args)
    # A display and a session bus of the script's own, with the
    # accessibility bus on it, gone when it ends.
    with tempfile.TemporaryDirectory() as work:
        display_file = os.path.join(work, "display")
        with open(display_file, "w") as out:
            xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1366x768x24",
                                     "-nolisten", "tcp"], pass_fds=(out.fileno(),),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(100):
                if os.path.getsize(display_file) > 0:
                    break
                time.sleep(0.1)
            env = dict(os.environ, DISPLAY=":" + open(display_file).read().strip(),
                       XDG_RUNTIME_DIR=work)
            inner = (f"/usr/libexec/at-spi-bus-launcher --launch-immediately & sleep 1; "
                     f"exec /usr/bin/python3 -u {os.path.abspath(__file__)} --on-bus --work {work}/run "
                     f"--window {args.window} --binary {args.binary}")
            os.makedirs(os.path.join(work, "run"))
            return subprocess.run(["dbus-run-session", "--", "sh", "-c", inner], env=env, timeout=600).returncode
        finally:
            xvfb.terminate()
            xvfb.wait(10)


if __name__ == "__main__":
    sys.exit(main())
