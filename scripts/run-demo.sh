#!/usr/bin/env bash
# Sets up a Debian machine, builds, and starts the editor on the bundled two-language demo
# project. Without a display it builds that project with the command-line build instead,
# and lists the pages it wrote.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup-debian.sh
bash scripts/build.sh build

# Work on a copy, so the shipped demo stays as it is.
work="$root/build/demo-run"
rm -rf "$work"
mkdir -p "$work"
cp -r build/stage/demo2 "$work/"
cd "$work/demo2"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting the editor on $work/demo2/demo2.hpr"
  exec "$root/build/stage/larkspan" demo2.hpr
fi

echo "No display: building the demo project with the command-line build instead."
"$root/build/stage/larkspan" demo2.hpr /build
echo
echo "Pages written under $work/demo2:"
find . -name '*.htm' | sort
