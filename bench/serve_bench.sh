#!/usr/bin/env bash
# Figures for `larkspan site.hpr /serve`:
#   1. requests per second for a 10 KB page with 50 connections at once (ab, from
#      apache2-utils), against the floor of 5,000, and the server's memory after each of
#      two rounds of 100,000 requests (it must not grow from the first round to the second);
#   2. from a template's save (written to a temporary file and renamed over it, as editors
#      save) to the reload event reaching a browser listening on that page, for a demo page
#      and for one page of the 9,900-page site of vs_hugo.sh. The watch first waits for 30 ms
#      of quiet (the pause that lets a program finish writing); the goal is 50 ms plus that.
#   3. with LIVE_PREVIEW_BENCH (the program of bench/live_preview_bench.cpp, for example
#      build-bench/stage/live_preview_bench): in the editor, from a key typed in the
#      template's window to the reload event, for the same two pages; the pause is 300 ms.
# Environment: LARKSPAN (default build/stage/larkspan), REQUESTS (default 100000),
# SAVES (timed saves per page, default 15), LIVE_PREVIEW_BENCH.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
requests=${REQUESTS:-100000}
saves=${SAVES:-15}
source "$root/bench/common.sh"
start_comparison "$root" serve_bench ab apache2-utils
larkspan=$(realpath "$larkspan")
command -v python3 >/dev/null || install_missing python3 python3

# Starts /serve on the project $1; sets $pid and $port.
serve() {
    local log=$work/serve-$$.log
    (cd "$(dirname "$1")" && exec "$larkspan" "$(basename "$1")" /serve >"$log" 2>&1) &
    pid=$!
    for _ in $(seq 600); do grep -q Watching "$log" 2>/dev/null && break; sleep 0.1; done
    port=$(sed -n 's|.* at http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$log")
    [ -n "$port" ] || { cat "$log"; exit 1; }
}
stop() { kill -INT "$pid"; wait "$pid" || true; pid=; }
pid=
# A server still running when the script ends (an error) is stopped with it.
trap '[ -z "$pid" ] || kill -INT "$pid" 2>/dev/null; rm -rf "$work" "${site:-}"' EXIT
rss_kb() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }

# The save-to-event client: listens on the page, saves the template, times the event.
latency() { # template page-path port saves
    python3 - "$@" <<'PY'
import os, socket, statistics, sys, time
template, page, port, saves = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
original = open(template, 'rb').read()
times = []
for i in range(saves + 1):
    s = socket.create_connection(('127.0.0.1', port))
    s.sendall(f'GET /.larkspan/events?v=999999999&page={page} HTTP/1.1\r\n'
              f'Host: 127.0.0.1:{port}\r\n\r\n'.encode())
    got = b''
    while b'event-stream' not in got:
        got += s.recv(4096)
    time.sleep(0.3)  # the watch is quiet again
    temporary = os.path.join(os.path.dirname(template), '.bench-save.tmp')
    with open(temporary, 'wb') as f:
        f.write(original + f'<!-- save {i} -->\n'.encode())
    start = time.perf_counter()
    os.rename(temporary, template)
    got = b''
    while b'event: reload' not in got:
        got += s.recv(4096)
    elapsed = (time.perf_counter() - start) * 1000
    s.close()
    if i > 0:  # the first save warms the caches
        times.append(elapsed)
with open(template, 'wb') as f:
    f.write(original)
print(f'{statistics.median(times):.1f} {min(times):.1f} {max(times):.1f}')
PY
}

report_latency() { # label median min max
    awk -v l="$1" -v med="$2" -v lo="$3" -v hi="$4" 'BEGIN {
        printf "  %-34s median %6.1f ms (min %.1f, max %.1f); less the 30 ms pause: %.1f ms (goal < 50)\n",
               l, med, lo, hi, med - 30 }'
}

# ---- 1. requests per second and memory ----------------------------------------------------
cp -r "$root/data/demo2" "$work/demo"
"$larkspan" "$work/demo/demo2.hpr" /build >/dev/null 2>&1 || true
page_file=$work/demo/Demo2/english/big.htm
perl -e 'print "<html><body>\n", "<p>A line of text for a page of ten kilobytes, some words.</p>\n" x 160, "</body></html>\n"' >"$page_file"
serve "$work/demo/demo2.hpr"
url=http://127.0.0.1:$port/Demo2/english/big.htm
size=$(python3 -c "import urllib.request; print(len(urllib.request.urlopen('$url').read()))")
echo "larkspan /serve ($(nproc) cores), page of $size bytes:"
ab -q -n 2000 -c 50 "$url" >/dev/null 2>&1 # warm-up
before=$(rss_kb "$pid")
rate1=$(ab -q -n "$requests" -c 50 "$url" 2>/dev/null | awk '/Requests per second/ {print $4}')
after1=$(rss_kb "$pid")
rate2=$(ab -q -n "$requests" -c 50 "$url" 2>/dev/null | awk '/Requests per second/ {print $4}')
after2=$(rss_kb "$pid")
awk -v r1="$rate1" -v r2="$rate2" -v n="$requests" 'BEGIN {
    printf "  requests per second, 50 at once:  %.0f and %.0f (%d each); %.2fx the floor of 5,000\n",
           r1, r2, n, (r1 < r2 ? r1 : r2) / 5000 }'
echo "  memory (RSS): ${before} KB before, ${after1} KB after the first round, ${after2} KB after the second"
stop

# ---- 2. from a save to the reload event -------------------------------------------------
echo "From a save (or, in the editor, a key) to the reload event:"
serve "$work/demo/demo2.hpr"
read -r med lo hi < <(latency "$work/demo/Demo2/index2.tpl" /Demo2/english/index2.htm "$port" "$saves")
report_latency "demo page (2 languages)" "$med" "$lo" "$hi"
stop
if [ -n "${LIVE_PREVIEW_BENCH:-}" ]; then
    echo "Live Preview in the editor:"
    QT_QPA_PLATFORM=offscreen "$LIVE_PREVIEW_BENCH" "$work/demo/demo2.hpr" \
        "$work/demo/Demo2/index2.tpl" english "$saves" 2>/dev/null
fi

site=$(SITE_ONLY=1 bash "$root/bench/vs_hugo.sh")
"$larkspan" "$site/site/site.hpr" /build >/dev/null 2>&1
serve "$site/site/site.hpr"
read -r _ lang <"$site/info"
read -r med lo hi < <(latency "$site/site/tpl/page050.tpl" "/tpl/$lang/page050.htm" "$port" "$saves")
report_latency "9,900-page site, page050 ($lang)" "$med" "$lo" "$hi"
stop
if [ -n "${LIVE_PREVIEW_BENCH:-}" ]; then
    QT_QPA_PLATFORM=offscreen "$LIVE_PREVIEW_BENCH" "$site/site/site.hpr" \
        "$site/site/tpl/page050.tpl" "$lang" "$saves" 2>/dev/null
fi
