#!/usr/bin/env bash
# Checks the bash completion of larkspan (second argument) against the program (first
# argument): file names complete to projects, templates, HTML files and folders only, and
# "-" and "/" complete to every switch that "larkspan --help" lists.
set -euo pipefail
program=$1
completion=$(realpath "$2")
work=$(mktemp -d /tmp/larkspan-completion-XXXXXX)
trap 'rm -rf "$work"' EXIT

mkdir "$work/site" "$work/site/img"
touch "$work/site/"{site.hpr,index.tpl,about.htm,news.html,NOTES.TXT,site.mcr}
help_switches=$("$program" --help | grep -oE '(^|[][[:space:](|,])(--?|/)[a-z][a-z-]*' |
  sed -E 's/^[][[:space:](|,]//' | sort -u)

# Prints what completing the last of the words offers, one per line, sorted.
complete_words() {
  (cd "$work/site" && bash --norc -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _larkspan larkspan "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" "$@") | sort
}

fail=0
expect() { # words... = expected
  local words=() expected
  while [ "$1" != = ]; do words+=("$1"); shift; done
  shift
  expected=$(printf '%s\n' "$@" | sort)
  local got
  got=$(complete_words "${words[@]}")
  if [ "$got" != "$expected" ]; then
    echo "completing '${words[*]}' offers:"; sed 's/^/  /' <<<"$got"
    echo "expected:"; sed 's/^/  /' <<<"$expected"
    fail=1
  fi
}
expect larkspan '' = about.htm img index.tpl news.html site.hpr
expect larkspan site.hpr /build --w = --watch
# "/b" also offers the folders of the root that begin so.
grep -qxF /build <<<"$(complete_words larkspan site.hpr /b)" || { echo "completing '/b' does not offer /build"; fail=1; }
expect larkspan site.hpr /build --w = --watch

for prefix in - /; do
  offered=$(complete_words larkspan site.hpr "$prefix")
  for s in $help_switches; do
    [ "${s:0:1}" = "$prefix" ] || continue
    grep -qxF -- "$s" <<<"$offered" || { echo "larkspan --help lists $s, the completion does not offer it"; fail=1; }
  done
done
[ $fail = 0 ] && echo "bash completion: files by type, every switch of --help"
exit $fail
