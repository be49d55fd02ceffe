#!/usr/bin/env bash
# From process start to idle with a 5 MB HTML file given on the command line, coloured,
# under Xvfb (the editor leaves at its first idle moment). Best and median of RUNS runs.
# Then the same file in FeatherPad with its colouring on, against ours, both timed the same
# way: from process start to the last CPU time used before 600 ms without any.
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

# The peer. FeatherPad colours files up to its "maxSHSize" (MiB, default 2).
command -v featherpad >/dev/null || { apt-get update -qq && apt-get install -y -qq featherpad; }
mkdir -p "$XDG_CONFIG_HOME/featherpad"
printf '[text]\nsyntaxByDefault=true\nmaxSHSize=10\n' > "$XDG_CONFIG_HOME/featherpad/fp.conf"
cat > "$work/busy.py" <<'PY'
import os, subprocess, sys, time
# Runs the command; prints the ms from its start to the last CPU tick before it went quiet.
start = time.monotonic()
p = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
last_cpu, last_change = -1, start
while p.poll() is None:
    with open(f"/proc/{p.pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = int(fields[11]) + int(fields[12])
    now = time.monotonic()
    if cpu != last_cpu:
        last_cpu, last_change = cpu, now
    elif now - last_change > 0.6 and cpu > 0:
        break
    time.sleep(0.005)
p.kill(); p.wait()
print(round((last_change - start) * 1000))
PY
cat > "$work/peer.sh" <<'SH'
work=$1 exe=$2 runs=$3
ours=() peer=()
for i in $(seq "$runs"); do
  ours+=("$(python3 "$work/busy.py" "$exe" "$work/big.tpl")")
  peer+=("$(python3 "$work/busy.py" featherpad --standalone "$work/big.tpl")")
  echo "run $i: ours ${ours[-1]} ms, FeatherPad ${peer[-1]} ms"
done
o=$(printf "%s\n" "${ours[@]}" | sort -n | head -1)
f=$(printf "%s\n" "${peer[@]}" | sort -n | head -1)
awk -v o="$o" -v f="$f" 'BEGIN { printf "5 MB file open and coloured until quiet: ours %d ms, FeatherPad %d ms: %.3fx (goal < 0.35x)\n", o, f, o / f }'
SH
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/peer.sh" "$work" "$exe" "$runs"
