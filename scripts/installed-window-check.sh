#!/usr/bin/env bash
# Uses the installed window as a new user would, under Xvfb: the edit button
# opens the list in the desktop's text editor, a list of a local site's pages
# is typed in and saved, a check runs and the window is saved as a picture.
# A second click on Check and one on the edit button made during the run
# must change nothing. Run it as an ordinary user on a system with the
# package, Xvfb, xdotool, ImageMagick, python3 and mousepad installed.
# Usage: scripts/installed-window-check.sh OUTPUT.png
set -euo pipefail
output=$(realpath -m "${1:?usage: installed-window-check.sh OUTPUT.png}")
here=$(dirname "$0")
. "$here/sample-site.sh"
[ "$(id -u)" -ne 0 ] || { echo "check: run this as an ordinary user" >&2; exit 1; }

start_scratch
fail() { echo "check: $*" >&2; exit 1; }

# A first use: no configuration of this user's yet.
export XDG_CONFIG_HOME=$work/config
list=$XDG_CONFIG_HOME/pardovane/HtmlURL.txt

write_sample_site "$work/site"
serve_sample_site "$work/site" "$work/requests.log"
pids+=("$server_pid")

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

# wait_for_window PATTERN: the id of the first window whose name matches.
wait_for_window() {
  local id
  for _ in $(seq 150); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  return 1
}

pardovane >"$work/pardovane.log" 2>&1 &
pids+=($!)
window=$(wait_for_window '^Pardovane ') || { cat "$work/pardovane.log" >&2; fail "the window did not appear"; }
cmp -s "$list" /usr/share/pardovane/HtmlURL.txt || fail "$list is not the starter list"
echo "check: the window started with its own list $list"

# Command2 spans x 8..121, y 8..41 of the client area; Command1 x 128..593.
xdotool mousemove --window "$window" 64 24 click 1
editor=$(wait_for_window 'HtmlURL.txt') || fail "the edit button opened no editor"
echo "check: the edit button opened $(xdotool getwindowname "$editor")"
xdotool windowactivate --sync "$editor" 2>/dev/null || xdotool windowfocus --sync "$editor"
xdotool key --window "$editor" ctrl+a
for page in index.html guide/start.html; do
  xdotool type --window "$editor" --delay 5 "http://127.0.0.1:$server_port/$page"
  xdotool key --window "$editor" Return
done
xdotool key --window "$editor" ctrl+s
for _ in $(seq 50); do grep -q "$server_port/guide/start.html" "$list" 2>/dev/null && break; sleep 0.1; done
grep -q "$server_port/guide/start.html" "$list" || fail "the editor did not save the list"
echo "check: the list was saved from the editor"
xdotool key --window "$editor" ctrl+q
sleep 1

: >"$work/requests.log"
xdotool mousemove --window "$window" 360 24 click 1
# During the run (the slow page holds it two seconds): Check and edit again.
sleep 0.5
xdotool click 1
xdotool mousemove --window "$window" 64 24 click 1
sleep 5
xdotool mousemove 1270 790
sleep 0.5
import -window "$window" "$output"

runs=$(grep -c 'GET /guide/slow.html' "$work/requests.log" || true)
[ "$runs" -eq 1 ] || fail "clicks during the run started $runs runs"
! xdotool search --name 'HtmlURL.txt' >/dev/null 2>&1 || fail "a click during the run opened the editor"
echo "check: one run; clicks made during it were dropped"
pardovane-check >"$work/report.txt" 2>/dev/null || true
grep -q "old/news.html  <Error>" "$work/report.txt" || fail "pardovane-check did not read the saved list"
cat "$work/report.txt"
echo "check: wrote $output"
