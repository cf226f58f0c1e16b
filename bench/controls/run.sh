#!/bin/bash
# One status-label write plus one bar position write from a worker thread
# while the window thread pumps, against a bare SetWindowText + InvalidateRect
# of a plain static control (Windows build, under wine on the bench display).
set -eu
exe="$VX_BUILD/win/bin/status_write_bench.exe"
wine "$exe" 2>/dev/null
