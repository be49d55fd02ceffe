#!/usr/bin/env bash
# The style the tools keep: every C++ file as .clang-format has it, and no clang-tidy finding
# (.clang-tidy) on the lines the newest commit changed. Fails on either, naming the places.
#   check-style.sh BUILD_DIR   (a build folder with compile_commands.json)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
cd "$root"
status=0

mapfile -t sources < <(find library editor setup tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
if ! clang-format --dry-run --Werror "${sources[@]}" 2>"$build/clang-format.log"; then
  grep -E '^[^ ].*: (warning|error):' "$build/clang-format.log" | head -40
  echo "clang-format: $(grep -c 'code should be clang-formatted' "$build/clang-format.log") places differ" \
       "(clang-format -i FILE mends them)"
  status=1
else
  echo "clang-format: ${#sources[@]} files as .clang-format has them"
fi

# Only the lines of the last commit: findings in older lines are not this change's.
tidy_diff=$(ls /usr/lib/llvm-*/share/clang/clang-tidy-diff.py 2>/dev/null | sort -V | tail -1)
if [ -z "$tidy_diff" ] || ! git rev-parse -q --verify HEAD~1 >/dev/null 2>&1; then
  echo "clang-tidy: skipped (no clang-tidy-diff.py or no earlier commit to compare with)"
else
  git diff -U0 HEAD~1 HEAD -- 'library/*.cpp' 'editor/*.cpp' 'setup/*.cpp' |
    python3 "$tidy_diff" -p1 -path "$build" -j "$(nproc)" -quiet \
      -extra-arg=-Wno-unknown-warning-option >"$build/clang-tidy.log" 2>&1
  if grep -E '^/.*: (warning|error): ' "$build/clang-tidy.log" | grep -v 'clang-diagnostic-' >"$build/clang-tidy.findings"; then
    cat "$build/clang-tidy.findings"
    echo "clang-tidy: $(wc -l <"$build/clang-tidy.findings") findings on the lines of the last commit"
    status=1
  else
    echo "clang-tidy: no finding on the lines of the last commit"
  fi
fi
exit $status
