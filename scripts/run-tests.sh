#!/usr/bin/env bash
# Sets up a Debian machine, builds, and runs the whole test suite: the tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, the library's tests built with
# ThreadSanitizer, and last the normal build, whose summary ends the output.
# LARKSPAN_SKIP_SANITIZE=1 skips the two sanitizer runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup-debian.sh

if [ "${LARKSPAN_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer"
  bash scripts/build.sh build-asan -DLARKSPAN_SANITIZE=ON
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
     ctest --output-on-failure -j "$(nproc)")
fi

if [ "${LARKSPAN_SKIP_SANITIZE:-0}" != 1 ]; then
  # Large pages are read, expanded and written on several threads at once.
  echo "== Library tests with ThreadSanitizer"
  cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLARKSPAN_THREAD_SANITIZE=ON >/dev/null
  cmake --build "$root/build-tsan" -j "$(nproc)" --target library_tests
  (cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ./stage/library_tests --gtest_brief=1)
fi

echo "== Tests"
bash scripts/build.sh build
cd build
ctest --output-on-failure -j "$(nproc)"
