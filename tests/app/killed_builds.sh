#!/bin/bash
# A build killed (SIGKILL) at random moments, each time followed by a plain build: every
# page then equals the page of a clean build of the same sources.
#   killed_builds.sh LARKSPAN [ROUNDS]
set -u
larkspan=$(realpath "$1")
rounds=${2:-50}
# In memory when it can be: the kills are the same, the flushes cost nothing.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
unset DISPLAY WAYLAND_DISPLAY

# 12 templates in three languages, each page about 25 KB.
site=$work/site
mkdir -p "$site/tpl"
{
    printf '[Groups]\r\nGroupNumber=4\r\nGroup0=site.mcr\r\nGroup1=english.mcr\r\nGroup2=deutsch.mcr\r\n'
    printf 'Group3=francais.mcr\r\n[Sources]\r\nSourceNumber=12\r\n'
    for i in $(seq 0 11); do printf 'Source%d=tpl\\p%02d.tpl\r\n' "$i" "$i"; done
} >"$site/site.hpr"
: >"$site/site.mcr"
line=$(printf '<p>{#Text} and {#Other}</p>\r\n')
for i in $(seq 0 11); do
    for _ in $(seq 1 600); do printf '%s\n' "$line"; done >"$site/tpl/p$(printf %02d "$i").tpl"
done

# Variant v of the macros, stamped now: every page is out of date.
macros() {
    local now
    now=$(date +%s)
    for language in english deutsch francais; do
        printf '{:Text:%d:}\r\n%s %d\r\n{:Other:%d:}\r\nvariant %d\r\n' "$now" "$language" "$1" "$now" "$1" \
            >"$2/$language.mcr"
    done
}

# The clean build of each variant.
for variant in 0 1; do
    clean=$work/clean$variant
    mkdir -p "$clean/tpl"
    cp "$site"/*.hpr "$site"/*.mcr "$clean/" && cp "$site"/tpl/*.tpl "$clean/tpl/"
    macros "$variant" "$clean"
    (cd "$clean" && "$larkspan" site.hpr /build >/dev/null 2>&1) || { echo "clean build failed"; exit 1; }
done

failures=0
for round in $(seq 1 "$rounds"); do
    variant=$((round % 2))
    macros "$variant" "$site"
    (cd "$site" && exec "$larkspan" site.hpr /build >/dev/null 2>&1) &
    pid=$!
    sleep "0.$(printf %03d $((RANDOM % 40)))"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    (cd "$site" && "$larkspan" site.hpr /build >"$work/out" 2>&1) || {
        echo "round $round: the build after the kill failed"; cat "$work/out"; failures=$((failures + 1)); continue
    }
    if ! diff -r -x '*.tpl' "$work/clean$variant/tpl" "$site/tpl" >"$work/diff"; then
        echo "round $round: pages differ from a clean build"; head -5 "$work/diff"; failures=$((failures + 1))
    fi
    leftovers=$(find "$site" -name '*.larkspan-tmp' -o -name .larkspan-journal | wc -l)
    if [ "$leftovers" != 0 ]; then
        echo "round $round: $leftovers temporary file(s) or journal left"; failures=$((failures + 1))
    fi
done
echo "$rounds killed builds, $failures failure(s)"
[ "$failures" = 0 ]
