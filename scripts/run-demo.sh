#!/usr/bin/env bash
# Sets up a Debian machine, builds, and builds the bundled two-language demo site with the
# command-line build, then lists the pages it wrote.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup-debian.sh
bash scripts/build.sh build

# Build a copy, so the shipped demo stays as it is.
work="$root/build/demo-run"
rm -rf "$work"
mkdir -p "$work"
cp -r build/stage/demo2 "$work/"
cd "$work/demo2"
"$root/build/stage/larkspan" demo2.hpr /build
echo
echo "Pages written under $work/demo2:"
find . -name '*.htm' | sort
