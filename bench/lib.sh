# Sourced by the benchmarks' run.sh. bench_row WHAT OURS REFERENCE RATIO TARGET
# prints one measured row with its verdict (OK when RATIO <= TARGET) and adds
# it to the summary table that ./dev bench prints at its end (VX_BENCH_TABLE).
# A missed target is reported, never a failure of the run.
bench_row() {
  local what=$1 ours=$2 ref=$3 ratio=$4 target=$5 verdict
  verdict=$(awk -v r="$ratio" -v t="$target" 'BEGIN { print (r + 0 <= t + 0) ? "OK" : "MISSED" }')
  printf '%s: ours %s, %s, ratio %s (target <= %s) %s\n' "$what" "$ours" "$ref" "$ratio" "$target" "$verdict"
  if [[ -n ${VX_BENCH_TABLE:-} ]]; then
    printf '| %s | %s | %s | %s | <= %s | %s |\n' "$what" "$ours" "$ref" "$ratio" "$target" "$verdict" >>"$VX_BENCH_TABLE"
  fi
}

# ratio A B: A / B with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
