#!/usr/bin/env bash
# A full build against the floor of writing its pages, and a large template against cp.
#
# 1. 9,900 pages (100 templates of about 8 KB in 99 languages, as in vs_hugo.sh): a full build
#    into fresh language folders, against floor.cpp writing files of the same sizes into as
#    many folders (open, write, close; no rename, no flush). Goal: 2x on tmpfs, 3x on disk.
# 2. One template of 22 MB with 200,000 expansions, built, against cp of it. Goal: 3x.
# Each prints the best of RUNS runs and the ratio. The file system is that of TMPDIR
# (TMPDIR=/dev/shm for tmpfs).
#   LARKSPAN   the program (default: build/stage/larkspan)   RUNS (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-3}
larkspan=$(realpath "${LARKSPAN:-$root/build/stage/larkspan}")
work=$(mktemp -d "${TMPDIR:-/tmp}/larkspan-floor-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
c++ -O2 -std=c++17 -o "$work/floor" "$root/bench/floor.cpp"
now() { date +%s%N; }
best() { sort -n | head -1; }

# ---- the site ----------------------------------------------------------------------------
python3 "$root/bench/make_site.py" "$work/site"
site=$work/site
(cd "$site" && "$larkspan" site.hpr /build >/dev/null 2>&1)
(cd "$site" && find tpl -name '*.htm' -printf '%s %p\n') >"$work/list"
pages=$(wc -l <"$work/list")
aside=0
ours=() floors=()
for run in $(seq 1 "$runs"); do
    # The output of the run before goes aside outside the timing (see vs_hugo.sh).
    aside=$((aside + 1)); mkdir -p "$work/aside$aside"
    for f in "$site"/tpl/l*/; do mv "$f" "$work/aside$aside/"; done
    start=$(now); (cd "$site" && "$larkspan" site.hpr /build >/dev/null 2>&1); end=$(now)
    ours+=($(((end - start) / 1000000)))
    rm -rf "$work/out$run.old"; [ -d "$work/out" ] && mv "$work/out" "$work/out$run.old"
    mkdir -p "$work/out/tpl"
    floors+=($("$work/floor" "$work/list" "$work/out" | cut -d. -f1))
done
o=$(printf '%s\n' "${ours[@]}" | best); f=$(printf '%s\n' "${floors[@]}" | best)
echo "$pages pages: larkspan ${o} ms, floor ${f} ms: $(awk "BEGIN{printf \"%.2f\", $o/($f>0?$f:1)}")x the floor"

# ---- one large template ------------------------------------------------------------------
big=$work/big
mkdir -p "$big/tpl"
printf '[Groups]\r\nGroupNumber=1\r\nGroup0=site.mcr\r\n[Sources]\r\nSourceNumber=1\r\nSource0=tpl\\big.tpl\r\n' >"$big/site.hpr"
printf '{:M:0:}\r\n<b>macro text</b>\r\n' >"$big/site.mcr"
python3 -c "
import sys
line = '<p>' + 'plain text of the page, ' * 4 + '{#M}</p>\r\n'
n = 200000
sys.stdout.write(line * n)" >"$big/tpl/big.tpl"
size=$(stat -c %s "$big/tpl/big.tpl")
ours=() cps=()
for run in $(seq 1 "$runs"); do
    rm -f "$big/tpl/big.htm" "$work/copy"
    start=$(now); (cd "$big" && "$larkspan" site.hpr /build >/dev/null 2>&1); end=$(now)
    ours+=($(((end - start) / 1000000)))
    start=$(now); cp "$big/tpl/big.tpl" "$work/copy"; end=$(now)
    cps+=($(((end - start) / 1000000)))
done
o=$(printf '%s\n' "${ours[@]}" | best); c=$(printf '%s\n' "${cps[@]}" | best)
echo "one template of $((size >> 20)) MB: larkspan ${o} ms, cp ${c} ms: $(awk "BEGIN{printf \"%.2f\", $o/($c>0?$c:1)}")x cp"
