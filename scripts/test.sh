#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and runs the whole test suite headless: once in the
# Release build (preset release), once built with AddressSanitizer and UndefinedBehaviorSanitizer
# (preset asan: build-asan/, warnings as errors), where the program also starts and ends once on a
# virtual X screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
ctest --preset release -j "$(nproc)"

if [[ ! -f build-asan/build.ninja ]]; then
  cmake --preset asan
fi
cmake --build --preset asan
ctest --preset asan -j "$(nproc)"
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp bash scripts/window-check.sh build-asan/quorvel
