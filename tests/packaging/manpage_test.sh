#!/usr/bin/env bash
# Checks the manual page larkspan(1) (second argument, plain or gzipped) against the program
# (first argument): man renders it without a warning, and every switch that
# "larkspan --help" lists has an item of its own under OPTIONS.
set -euo pipefail
program=$1
page=$2
work=$(mktemp -d /tmp/larkspan-man-XXXXXX)
trap 'rm -rf "$work"' EXIT

case "$page" in
  *.gz) gzip -dc "$page" >"$work/larkspan.1" ;;
  *) cp "$page" "$work/larkspan.1" ;;
esac

# man and groff write their warnings to standard error.
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/larkspan.1" >"$work/rendered" 2>"$work/warnings" || {
  echo "man cannot render $page:"; cat "$work/warnings"; exit 1; }
if [ -s "$work/warnings" ]; then
  echo "man warns about $page:"; cat "$work/warnings"; exit 1
fi
grep -q '^EXIT STATUS' "$work/rendered" || { echo "$page has no EXIT STATUS section"; exit 1; }

# A switch: "/word", "-word" or "--word" at the start of a line or after a blank, "[", "(",
# "|" or ",".
switches() { grep -oE '(^|[][[:space:](|,])(--?|/)[a-z][a-z-]*' | sed -E 's/^[][[:space:](|,]//' | sort -u; }

"$program" --help >"$work/help"
switches <"$work/help" >"$work/help-switches"
[ -s "$work/help-switches" ] || { echo "no switch found in the output of $program --help"; exit 1; }

# The item tags under OPTIONS: the line after each .TP or .TQ, without its macro name, font
# changes and quotes, with "\-" read as "-".
awk '/^\.SH/ { options = ($0 ~ /^\.SH +"?OPTIONS"?$/) }
     options && tag { print; tag = 0; next }
     options && /^\.T[PQ]/ { tag = 1 }' "$work/larkspan.1" |
  sed -E 's/^\.[A-Z]+ +//; s/\\f[BIRP]//g; s/\\-/-/g; s/"//g' >"$work/tags"
switches <"$work/tags" >"$work/page-switches"

missing=$(comm -23 "$work/help-switches" "$work/page-switches")
if [ -n "$missing" ]; then
  echo "larkspan --help lists switches that have no item under OPTIONS in $page:"
  sed 's/^/  /' <<<"$missing"
  echo "Add a .TP item for each to packaging/larkspan.1."
  exit 1
fi
echo "manual page: renders without warnings, covers $(paste -sd' ' "$work/help-switches")"
