#!/usr/bin/env bash
# Times /export-po and /import-po on the largest project there can be: 99 languages and the
# basis group (100 groups), 200 macros each, two-line texts. The import reads back files in
# which every entry of one language was changed, so that language's macro file is written.
# Goal: under 1 s each. With TRANSLATIONS_BENCH (the program of translations_bench.cpp, for
# example build-bench/stage/translations_bench) also the Translations window opened on that
# project (goal: under 300 ms). Environment: LARKSPAN (default build/stage/larkspan), RUNS (3).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-3}
source "$root/bench/common.sh"
find_larkspan "$root" po_bench
larkspan=$(realpath "$larkspan")
command -v python3 >/dev/null || install_missing python3 python3
work=$(mktemp -d "${TMPDIR:-/tmp}/larkspan-po_bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

python3 - "$work/site" <<'PY'
import os, sys
site = sys.argv[1]
os.makedirs(site + '/tpl')
groups = ['site'] + [f'lang{n:02d}' for n in range(99)]
with open(site + '/site.hpr', 'w', newline='\r\n') as f:
    f.write(f'[Groups]\nGroupNumber={len(groups)}\n')
    for i, g in enumerate(groups):
        f.write(f'Group{i}={g}.mcr\n')
    f.write('[Sources]\nSourceNumber=1\nSource0=tpl\\page.tpl\n')
for g in groups:
    with open(f'{site}/{g}.mcr', 'w', newline='\r\n') as f:
        for m in range(200):
            f.write(f'{{:Text{m:03d}:0:}}\nThe text {m} of {g}, a sentence of some length\n'
                    f'and its second line.\n')
with open(site + '/tpl/page.tpl', 'w') as f:
    f.write(''.join(f'<p>{{#Text{m:03d}}}</p>\n' for m in range(200)))
PY

now() { date +%s%N; }
best_export=999999 best_import=999999
for _ in $(seq "$runs"); do
    rm -rf "$work/po"
    t=$(now); "$larkspan" "$work/site/site.hpr" /export-po "$work/po" >"$work/export.log" 2>&1 || { cat "$work/export.log"; exit 1; }; t=$(( ($(now) - t) / 1000000 ))
    [ "$t" -lt "$best_export" ] && best_export=$t
    sed -i '/ of lang50,/s/ length/ length+/' "$work/po/lang50.po" # each run a change
    t=$(now); "$larkspan" "$work/site/site.hpr" /import-po "$work/po" >"$work/import.log" 2>&1; t=$(( ($(now) - t) / 1000000 ))
    [ "$t" -lt "$best_import" ] && best_import=$t
done
stored=$(grep -c "stored .*lang50" "$work/import.log" || true)
echo "PO files of 99 languages x 200 macros ($(ls "$work/po" | wc -l) files, $(du -sh "$work/po" | cut -f1)):"
echo "  export: best ${best_export} ms of $runs (goal < 1000 ms)"
echo "  import: best ${best_import} ms of $runs, the last storing $stored changed macros (goal < 1000 ms)"
if [ -n "${TRANSLATIONS_BENCH:-}" ]; then
    QT_QPA_PLATFORM=offscreen "$TRANSLATIONS_BENCH" "$work/site/site.hpr" 2>/dev/null
fi
