#!/usr/bin/env bash
# Starts the real window under Xvfb beside a small local site, presses the
# Check button, and saves the window as docs/screenshot.png.
# Usage: scripts/screenshot.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
program="$build_dir/bin/pardovane"
output=docs/screenshot.png
[ -x "$program" ] || { echo "screenshot: build first; no $program" >&2; exit 1; }
for tool in Xvfb xdotool import python3; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done

. scripts/sample-site.sh
start_scratch
mkdir -p "$work/app"
write_sample_site "$work/site"
serve_sample_site "$work/site" "$work/requests.log"
pids+=("$server_pid")
port=$server_port

# The program reads the list beside itself, so it runs from a copy.
cp "$program" "$work/app/pardovane"
printf 'http://127.0.0.1:%s/index.html\r\nhttp://127.0.0.1:%s/guide/start.html\r\n' "$port" "$port" \
  >"$work/app/HtmlURL.txt"

# Xvfb picks a free display itself and names it once it is ready.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "screenshot: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")

QT_QPA_PLATFORM=xcb "$work/app/pardovane" >"$work/program.log" 2>&1 &
pids+=($!)
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Pardovane ' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: the window did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 1

# Command1 spans x 128..593, y 8..41 of the client area.
xdotool mousemove --window "$window" 360 24 click 1
# The run holds the window until it ends; it is done once the summary shows,
# which the local run (its slow page takes two seconds) reaches within this.
sleep 5
xdotool mousemove 1270 790
sleep 0.5
import -window "$window" "$output"
echo "screenshot: wrote $output"
