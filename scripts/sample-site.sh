# Sourced by the scripts that show the window at work: a small local site
# and a server for it on 127.0.0.1.

# start_scratch: a scratch directory in $work and a list $pids of
# background processes, both cleaned up when the script exits.
start_scratch() {
  work=$(mktemp -d)
  pids=()
  trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT
}

# write_sample_site DIR: two pages that link to each other, to a picture, to
# a mail address and to a page that is not there, and a page that answers
# after two seconds, so a check lasts long enough to click during it.
write_sample_site() {
  local site=$1
  mkdir -p "$site/guide"
  cat >"$site/index.html" <<'HTML'
<html><body><h1>Home</h1>
<a href="guide/start.html">Start</a> <img src="logo.png">
<a href="mailto:webmaster@example.com">Mail</a> <a href="old/news.html">News</a>
</body></html>
HTML
  cat >"$site/guide/start.html" <<'HTML'
<html><body><a href="../index.html">Home</a> <a href="./install.html">Install</a>
<a href="slow.html">Slow</a></body></html>
HTML
  cp "$site/guide/start.html" "$site/guide/install.html"
  echo '<html><body>Slow to answer.</body></html>' >"$site/guide/slow.html"
  printf '\x89PNG\r\n\x1a\n' >"$site/logo.png"
}

# serve_sample_site DIR LOG: serves DIR on a free port of 127.0.0.1 in the
# background, logging one line per request to LOG. Sets server_port, and
# server_pid for the caller to stop it by.
serve_sample_site() {
  local site=$1 log=$2 portfile
  portfile=$(mktemp)
  python3 - "$site" "$portfile" >"$log" 2>&1 <<'PY' &
import functools, http.server, sys, time
class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if "slow" in self.path:
            time.sleep(2)
        super().do_GET()
    def log_message(self, format, *args):
        print(self.requestline, flush=True)
server = http.server.HTTPServer(("127.0.0.1", 0),
                                functools.partial(Handler, directory=sys.argv[1]))
with open(sys.argv[2], "w") as out:
    out.write(str(server.server_address[1]))
server.serve_forever()
PY
  server_pid=$!
  for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.1; done
  server_port=$(cat "$portfile")
  rm -f "$portfile"
  [ -n "$server_port" ] || { echo "the local site did not start" >&2; return 1; }
}
