#!/usr/bin/env bash
# From process start to idle with a 5 MB HTML file given on the command line, coloured,
# under Xvfb (the editor leaves at its first idle moment). Best and median of RUNS runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${LARKSPAN:-$root/build/stage/larkspan}
runs=${RUNS:-5}
[ -x "$exe" ] || bash "$root/scripts/build.sh" build
command -v xvfb-run >/dev/null || { apt-get update -qq && apt-get install -y -qq xvfb xauth; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$XDG_CONFIG_HOME/larkspan"
printf '[TIP]\r\nID_32772=0\r\n' > "$XDG_CONFIG_HOME/larkspan/larkspan.INI"
python3 - "$work/big.tpl" <<'PY'
import sys
rows = ['<tr><td class="name" width="40%">{#Product,12}</td><td align=right>4.20</td></tr>\r\n',
        '<p>Fresh bread every morning, baked with <b>care</b> and <a href="{#Link}">love</a>.</p>\r\n',
        '<!-- the price list is built from macros -->\r\n',
        '<div style="color:#333; margin:0 auto">{#"<br>"Address}</div>\r\n']
out, size, i = [], 0, 0
while size < 5 * 1024 * 1024:
    out.append(rows[i % 4]); size += len(rows[i % 4]); i += 1
open(sys.argv[1], 'w', newline='').write(''.join(out))
PY
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  times=()
  for i in $(seq '"$runs"'); do
    start=$(date +%s%N)
    LARKSPAN_EXIT_AT_IDLE=1 "'"$exe"'" "'"$work"'/big.tpl" >/dev/null 2>&1
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 )); times+=("$ms"); echo "run $i: ${ms} ms"
  done
  sorted=$(printf "%s\n" "${times[@]}" | sort -n)
  echo "5 MB file open, coloured and idle: best $(echo "$sorted" | head -1) ms, median $(echo "$sorted" | sed -n "$(( ('"$runs"' + 1) / 2 ))p") ms (goal < 1000 ms)"
'
