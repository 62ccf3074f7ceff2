#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and runs the whole test suite headless: once in the
# Release build, once built with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/,
# warnings as errors), where the program also starts and ends once on a virtual X screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 600 -j "$(nproc)"

if [[ ! -f build-asan/build.ninja ]]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=ON \
    -DQUORVEL_BENCHMARKS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
fi
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure --timeout 600 -j "$(nproc)"
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp bash scripts/window-check.sh build-asan/quorvel
