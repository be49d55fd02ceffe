#!/usr/bin/env bash
# Sets up a Debian machine, builds, and runs the whole test suite: first the normal build,
# then the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
# LARKSPAN_SKIP_SANITIZE=1 skips the second run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup-debian.sh

if [ "${LARKSPAN_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer"
  bash scripts/build.sh build-asan -DLARKSPAN_SANITIZE=ON
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     ctest --output-on-failure -j "$(nproc)")
fi

echo "== Tests"
bash scripts/build.sh build
cd build
ctest --output-on-failure -j "$(nproc)"
