#!/usr/bin/env bash
# A page served by `larkspan site.hpr /serve` in headless Chromium changes by itself, its
# scroll position kept, when its template is saved. Chromium is driven through its DevTools
# protocol by puppeteer-core (from the npm registry, pinned by package-lock.json).
# Usage: live_reload_test.sh LARKSPAN_PROGRAM WORK_FOLDER
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
larkspan="$(realpath "$1")"
work="$2"
mkdir -p "$work"
if ! cmp -s "$here/package-lock.json" "$work/package-lock.json" || [ ! -d "$work/node_modules" ]; then
  cp "$here/package.json" "$here/package-lock.json" "$work/"
  (cd "$work" && npm ci --no-audit --no-fund --loglevel=error)
fi
chromium="$(command -v chromium || true)"
if [ -z "$chromium" ]; then
  echo "chromium is not installed (bash scripts/setup-debian.sh installs it)" >&2
  exit 1
fi
NODE_PATH="$work/node_modules" exec node "$here/live_reload.js" "$larkspan" "$chromium" "$work"
