#!/bin/bash
# CPU time of a 2-second Delay, busy loop against waiting. Under wine most of
# a busy message loop's cost lands in the wine server, so its CPU time is
# counted too (from /proc, around each run).
set -eu
exe="$VX_BUILD/win/bin/delay_bench.exe"

server_cpu_ms() {
  local pid ticks=0 hz
  hz=$(getconf CLK_TCK)
  # Only the server of this prefix: others may be running beside it.
  for pid in $(pgrep wineserver || true); do
    tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    read -r -a f < "/proc/$pid/stat" || continue
    ticks=$((ticks + f[13] + f[14]))
  done
  echo $((ticks * 1000 / hz))
}

declare -A total
for mode in spin wait; do
  s0=$(server_cpu_ms)
  line=$(wine "$exe" "$mode" 2>/dev/null | tr -d '\r')
  s1=$(server_cpu_ms)
  process=$(sed -E 's/.*process cpu +([0-9.]+) ms.*/\1/' <<<"$line")
  server=$((s1 - s0))
  total[$mode]=$(awk -v p="$process" -v s="$server" 'BEGIN { printf "%.0f", p + s }')
  echo "$line  wine server cpu ${server} ms  total ${total[$mode]} ms"
done
awk -v a="${total[spin]}" -v b="${total[wait]}" \
  'BEGIN { if (b < 1) b = 1; printf "Delay cpu ratio spin/wait: %.0fx (%s ms -> %s ms)\n", a / b, a, b }'
