#!/bin/bash
# One status-label write plus one bar position write from a worker thread
# while the window thread pumps, against a bare SetWindowText + InvalidateRect
# of a plain static control (Windows build, under wine on the bench display).
set -eu
. "$(dirname "$0")/../lib.sh"
exe="$VX_BUILD/win/bin/status_write_bench.exe"
line=$(wine "$exe" 2>/dev/null | tr -d '\r')
echo "$line"
ours=$(sed -nE 's/.*per file: ([0-9.]+) us.*/\1/p' <<<"$line")
bare=$(sed -nE 's/.*InvalidateRect: ([0-9.]+) us.*/\1/p' <<<"$line")
[[ -n $ours && -n $bare ]] || { echo "status write bench: no result" >&2; exit 1; }
bench_row "status label + bar write per file" "$ours us" "bare SetWindowText + InvalidateRect $bare us" \
  "$(ratio "$ours" "$bare")" 1.5
