#!/usr/bin/env bash
# Configures (once) and builds the Release tree in build/ (CMakePresets.json: release). Quiet when
# nothing changed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ! -f build/build.ninja ]]; then
  cmake --preset release
fi
cmake --build --preset release
