#!/usr/bin/env bash
# Starts Quorvel on a virtual 1280x800 screen and saves what it shows: scripts/screenshot.sh out.png
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/form1.png}")
bash scripts/setup.sh
bash scripts/build.sh
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  build/quorvel & pid=$!
  sleep 3
  import -window root "$0"
  kill $pid' "$out"
echo "saved $out"
