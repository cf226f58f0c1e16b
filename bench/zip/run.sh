#!/usr/bin/env bash
# Payload-shaped archive: Extract and the bare minizip loop under wine, Info-ZIP
# unzip natively; prints the times and their ratios. Run by ./dev bench.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../lib.sh"
B=${VX_BUILD:?VX_BUILD is set by ./dev bench}
work="$B/bench-zip"
mkdir -p "$work"
payload="$work/payload.zip"
if [[ ! -f $payload || $here/make_payload.py -nt $payload ]]; then
  python3 "$here/make_payload.py" "$payload"
fi
rounds=${VX_BENCH_ROUNDS:-5}
echo "payload: $(unzip -l "$payload" | tail -1 | awk '{print $2" entries, "$1" bytes unpacked"}'), $(stat -c %s "$payload") bytes packed"

out=$(VX_ZIP_BREAKDOWN=1 wine "$B/win/bin/zip_bench.exe" "Z:$payload" 'C:\vxzip_bench' "$rounds" </dev/null 2>/dev/null)
grep -v '^RESULT' <<<"$out"
result=$(grep '^RESULT' <<<"$out")
extract_ms=$(sed -n 's/.*extract_ms=\([0-9.]*\).*/\1/p' <<<"$result")
bare_ms=$(sed -n 's/.*bare_ms=\([0-9.]*\).*/\1/p' <<<"$result")

best=""
for _ in $(seq "$rounds"); do
  rm -rf "$work/unzip"
  t0=$(date +%s%N)
  unzip -o -q "$payload" -d "$work/unzip"
  t1=$(date +%s%N)
  ms=$(((t1 - t0) / 1000))
  [[ -z $best || $ms -lt $best ]] && best=$ms
done
rm -rf "$work/unzip"
awk -v e="$extract_ms" -v b="$bare_ms" -v u="$best" 'BEGIN {
  u /= 1000
  printf "Info-ZIP unzip (native) %8.1f ms (best of '"$rounds"')\n", u
  printf "ratio Extract / native unzip:   %.3f\n", e / u
  printf "ratio bare loop / native unzip: %.3f\n", b / u
}'
unzip_ms=$(awk -v u="$best" 'BEGIN { print u / 1000 }')
bench_row "Extract of the payload" "$(printf '%.1f ms' "$extract_ms")" "native Info-ZIP unzip $(printf '%.1f ms' "$unzip_ms")" \
  "$(ratio "$extract_ms" "$unzip_ms")" 0.8
