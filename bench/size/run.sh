#!/usr/bin/env bash
# The release installer (./dev dist's build, VX_RELEASE_BUILD): its size, its
# embedded payload archive and the rest, the stub, against the stub's budget
# of 600 KB. Run by ./dev bench.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
rel=${VX_RELEASE_BUILD:?VX_RELEASE_BUILD is set by ./dev bench}
exe="$rel/bin/VexiloSetup.exe" zip="$rel/data/payload/payload.zip"
budget=$((600 * 1024))
size=$(stat -c %s "$exe")
payload=$(stat -c %s "$zip")
stub=$((size - payload))
kb() { awk -v b="$1" 'BEGIN { printf "%.0f KB", b / 1024 }'; }
bench_row "VexiloSetup.exe, release build" "$(kb "$size"), stub $(kb "$stub")" \
  "payload $(kb "$payload"), stub budget $(kb "$budget")" "$(ratio "$stub" "$budget")" 1.0
