#!/usr/bin/env bash
# Installs the NSIS peer silently into a Windows folder of the current wine
# prefix, checks the result and prints the wall time in seconds.
#   peer_install.sh PEER_EXE 'C:\vxbench\Vexilo'
# Needs the wine environment of ./dev (WINEPREFIX, a running wineserver).
set -euo pipefail
peer=${1:?peer.exe}
target=${2:?Windows install folder}
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\qvtlpc_kandor'
unix=$(winepath -u "$target" 2>/dev/null)
start=$(date +%s.%N)
wine "$peer" /S "/D=$target" </dev/null >/dev/null 2>&1
end=$(date +%s.%N)
files=$(find "$unix" -type f | wc -l)
[[ $files == 161 ]] || { echo "peer installed $files files, expected 161" >&2; exit 1; }
wine reg query "$key" /v RunPath </dev/null 2>/dev/null | grep -qF "$target" || { echo "RunPath not registered" >&2; exit 1; }
awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
