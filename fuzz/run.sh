#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each of them for a while.
#
#   bash fuzz/run.sh [SECONDS] [TARGET...]      (default: 60 seconds, every target)
#
# Environment: JOBS (build jobs, default 1), BUILD_DIR (default build-fuzz).
# Each target runs on a fresh copy of its seed corpus (fuzz/corpus/<target>/ copied to
# fuzz/corpus-work/<target>/); crash, leak, timeout and out-of-memory inputs are written to
# fuzz/artifacts/<target>/, the whole libFuzzer output to fuzz/artifacts/<target>.log.
# Exit status: 0 when no target found anything, 1 otherwise, 2 for a usage or build error.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
jobs=${JOBS:-1}
build="$root/${BUILD_DIR:-build-fuzz}"
all_targets=(fuzz_macrofile fuzz_expand fuzz_profile fuzz_project fuzz_image_size fuzz_site_check
             fuzz_served_path)
if [ $# -gt 0 ]; then targets=("$@"); else targets=("${all_targets[@]}"); fi

if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: bash fuzz/run.sh [SECONDS] [TARGET...]" >&2
  exit 2
fi
for t in "${targets[@]}"; do
  if [[ " ${all_targets[*]} " != *" $t "* ]]; then
    echo "unknown target $t (known: ${all_targets[*]})" >&2
    exit 2
  fi
done

# Tools: clang (with libFuzzer), cmake, ninja.
need=()
command -v clang++ >/dev/null 2>&1 || need+=(clang)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  if ! { $SUDO apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"; }; then
    echo "could not install ${need[*]}" >&2
    exit 2
  fi
fi

echo "Building the fuzz targets in $build (-j$jobs)"
if ! cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DLARKSPAN_FUZZERS=ON \
       -DLARKSPAN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build.configure.log" 2>&1; then
  cat "$build.configure.log" >&2
  echo "configuring failed" >&2
  exit 2
fi
rm -f "$build.configure.log"
if ! ninja -C "$build" -j"$jobs" "${targets[@]}"; then
  echo "building failed" >&2
  exit 2
fi

# The targets keep their scratch files under TMPDIR; one folder for this run, removed at the
# end (a crashing target cannot clean up after itself). A memory file system makes the
# file-heavy targets several times faster.
tmproot=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && tmproot=/dev/shm
scratch=$(mktemp -d "$tmproot/larkspan-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

failed=()
summary=()
for t in "${targets[@]}"; do
  exe="$build/stage/$t"
  seeds="$root/fuzz/corpus/$t"
  work="$root/fuzz/corpus-work/$t"
  artifacts="$root/fuzz/artifacts/$t"
  log="$root/fuzz/artifacts/$t.log"
  if [ ! -x "$exe" ] || [ ! -d "$seeds" ]; then
    echo "missing $exe or $seeds" >&2
    exit 2
  fi
  rm -rf "$work"
  mkdir -p "$work" "$artifacts"
  cp -a "$seeds/." "$work/"
  dict=()
  [ -f "$root/fuzz/dict/$t.dict" ] && dict=(-dict="$root/fuzz/dict/$t.dict")

  echo "== $t: ${seconds}s"
  start=$(date +%s)
  TMPDIR="$scratch" "$exe" "$work" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1
  rc=$?
  elapsed=$(( $(date +%s) - start ))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  corpus=$(find "$work" -type f | wc -l)
  if [ $rc -eq 0 ]; then
    line="$t: OK, ${execs:-?} executions in ${elapsed}s, no findings, corpus $corpus files"
  else
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    kind=$(grep -m1 -oE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer): [a-z-]+|runtime error|FUZZ_CHECK failed|ERROR: libFuzzer: timeout' "$log")
    line="$t: FAILED (exit $rc, ${kind:-see log}), ${execs:-?} executions, artifact ${artifact:-none}, log $log"
    failed+=("$t")
    echo "---- $t: end of the log ----"
    tail -n 60 "$log"
    echo "----"
  fi
  echo "$line"
  summary+=("$line")
done

echo
echo "Summary (${seconds}s per target):"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings in: ${failed[*]}"
  exit 1
fi
echo "No findings."
