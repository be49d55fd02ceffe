#!/usr/bin/env bash
# What placing the site check's findings costs, against a program without it (BASELINE),
# both run here in turn on the 9,900-page site of vs_floor.sh whose footer links to a page
# that does not exist, so that every page has a finding to place.
# 1. A full build into fresh language folders: time and peak memory. Goals: at most 5 % and
#    10 % above the baseline.
# 2. `/check` of the built site (nothing to write): time and peak memory; the difference is
#    the expanding again of the 9,900 pages that have findings.
# Each prints the best of RUNS runs.
#   LARKSPAN (default build/stage/larkspan)   BASELINE (required)   RUNS (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-3}
larkspan=$(realpath "${LARKSPAN:-$root/build/stage/larkspan}")
baseline=$(realpath "${BASELINE:?the program to compare with}")
[ -x /usr/bin/time ] || { echo "line_map: needs /usr/bin/time (package time)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/larkspan-linemap-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
python3 "$root/bench/make_site.py" "$work/site" '{#S4} <a href="gone.htm">gone</a>'
site=$work/site

# Prints "milliseconds kilobytes" of one run of the program in the site.
measure() { # program args...
    local start end
    start=$(date +%s%N)
    (cd "$site" && /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1) || true
    end=$(date +%s%N)
    echo "$(((end - start) / 1000000)) $(tail -1 "$work/rss")"
}
best() { sort -n | head -1; }

declare -A build_ms build_kb check_ms check_kb
for run in $(seq 1 "$runs"); do
    for who in ours base; do
        program=$larkspan; [ $who = base ] && program=$baseline
        rm -rf "$site"/tpl/l*/ "$site"/.larkspan-journal
        read -r ms kb < <(measure "$program" site.hpr /build)
        build_ms[$who]+="$ms "; build_kb[$who]+="$kb "
        read -r ms kb < <(measure "$program" site.hpr /check)
        check_ms[$who]+="$ms "; check_kb[$who]+="$kb "
    done
done
report() { # what ours-ms base-ms ours-kb base-kb
    local o b ok bk
    o=$(tr ' ' '\n' <<<"$2" | grep . | best); b=$(tr ' ' '\n' <<<"$3" | grep . | best)
    ok=$(tr ' ' '\n' <<<"$4" | grep . | best); bk=$(tr ' ' '\n' <<<"$5" | grep . | best)
    echo "$1: ${o} ms against ${b} ms ($(awk "BEGIN{printf \"%+.1f\", ($o-$b)*100/($b>0?$b:1)}") %)," \
         "peak ${ok} KB against ${bk} KB ($(awk "BEGIN{printf \"%+.1f\", ($ok-$bk)*100/($bk>0?$bk:1)}") %)"
}
report "9,900-page build" "${build_ms[ours]}" "${build_ms[base]}" "${build_kb[ours]}" "${build_kb[base]}"
report "/check, 9,900 findings placed" "${check_ms[ours]}" "${check_ms[base]}" "${check_kb[ours]}" "${check_kb[base]}"
