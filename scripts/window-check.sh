#!/usr/bin/env bash
# Starts a Quorvel program on a virtual 1280x800 screen, waits for its main window, saves a picture
# of the screen when asked, then ends the program through its Exit menu; fails unless the window
# came up and the program exited with 0.   scripts/window-check.sh PROGRAM [shot.png]
set -euo pipefail
program=$(realpath -e "$1")
shot=${2:+$(realpath -m "$2")}
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$0" & pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^Quorvel \(HALF BRIDGE\)\$" |
        head -n 1) || true
  if [[ -z $wid ]]; then
    echo "window-check: no main window within 30 s" >&2
    kill $pid 2>/dev/null
    wait $pid
    exit 1
  fi
  echo "window-check: main window \"$(xdotool getwindowname $wid)\" is up"
  if [[ -n $1 ]]; then
    sleep 1
    import -window root "$1"
    echo "window-check: saved $1"
  fi
  xdotool windowfocus --sync $wid key --clearmodifiers alt+e
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then
    echo "window-check: still running 10 s after Exit" >&2
    kill $pid
  fi
  wait $pid && echo "window-check: ended through Exit with status 0"
' "$program" "$shot"
