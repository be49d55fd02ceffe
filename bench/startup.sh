#!/usr/bin/env bash
# Start-up time of the editor: from process start to the first idle moment (the main
# window, its tool bars and the start-up hint are up), under Xvfb. Prints each run and the
# best and median of RUNS runs (default 10).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${LARKSPAN:-$root/build/stage/larkspan}
runs=${RUNS:-10}
[ -x "$exe" ] || bash "$root/scripts/build.sh" build
command -v xvfb-run >/dev/null || { apt-get update -qq && apt-get install -y -qq xvfb xauth; }

export XDG_CONFIG_HOME=$(mktemp -d) XDG_DATA_HOME=$(mktemp -d)
trap 'rm -rf "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"' EXIT
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  times=()
  for i in $(seq '"$runs"'); do
    start=$(date +%s%N)
    LARKSPAN_EXIT_AT_IDLE=1 "'"$exe"'" >/dev/null 2>&1
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    times+=("$ms")
    echo "run $i: ${ms} ms"
  done
  sorted=$(printf "%s\n" "${times[@]}" | sort -n)
  echo "best: $(echo "$sorted" | head -1) ms, median: $(echo "$sorted" | sed -n "$(( ('"$runs"' + 1) / 2 ))p") ms"
'
