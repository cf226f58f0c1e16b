#!/usr/bin/env bash
# VexiloSetupBench.exe (the installer carrying the benchmark payload) against
# the NSIS peer installing the same files, medians of VX_BENCH_ROUNDS runs:
#   silent install             ours -1 "C:\vxbench\ours"  vs  peer /S /D=C:\vxbench\peer
#   interactive install        start, window, install button, exit  vs  our silent install
#   start to window            process start until its first window is on screen
#   peak working set           of one silent install each, ours vs the peer's
# Every install is checked (file count, RunPath, shortcuts) and the machine is
# put back between runs. A missed target is reported, not failed: only a run
# that does not work ends the script with an error. Run by ./dev bench.
set -euo pipefail
B=${VX_BUILD:?VX_BUILD is set by ./dev bench}
# The installers measured: the release build's when ./dev bench made one.
tree=${VX_BENCH_TREE:-$B/win}
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
: "${WINEPREFIX:?the wine environment of ./dev bench}" "${DISPLAY:?a display}"
rounds=${VX_BENCH_ROUNDS:-5}
work="$B/bench-install"
mkdir -p "$work"

if ! cmake --build "$tree" --target install_bench >"$work/build.log" 2>&1; then
  cat "$work/build.log" >&2
  exit 1
fi
ours="$tree/bin/VexiloSetupBench.exe"
peer="$tree/bench_payload/peer.exe"
files=161   # the payload's files (164 entries less three folders)
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\qvtlpc_kandor'
product_title='TolvanePC-Vexilo'

die() { echo "install bench: $*" >&2; exit 1; }

# Windows folders of this prefix, on the Linux side.
win_var() { wine cmd /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
unix_path() { winepath -u "$1" 2>/dev/null; }
drive_c=$(unix_path 'C:\')
profile=$(unix_path "$(win_var USERPROFILE)")
temp=$(unix_path "$(win_var TEMP)")
[[ -d $drive_c && -d $profile && -d $temp ]] || die "cannot find the prefix's folders"
programs="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
desktop="$profile/Desktop"
default_folder="$drive_c/Program Files/TolvanePC/Vexilo"

# Wine tears its desktop process down a second after the last program that
# used it and starts it again for the next one; Windows keeps its desktop.
# A console process left waiting on a pipe holds it for the whole bench.
# Only the sleeper holds the pipe's other end (wine's programs inherit this
# shell's descriptors), so ending the sleeper ends the keeper.
keeper_fifo="$work/keeper.fifo"
rm -f "$keeper_fifo"
mkfifo "$keeper_fifo"
sleep 100000 >"$keeper_fifo" &
sleeper=$!
wine cmd <"$keeper_fifo" >/dev/null 2>&1 &
keeper=$!

started=()   # installer processes of this script, ended if left running
cleanup() {
  local p
  for p in "${started[@]}"; do kill "$p" 2>/dev/null || true; done
  close_products || true
  kill "$sleeper" 2>/dev/null || true
  wait "$keeper" 2>/dev/null || true
  rm -f "$keeper_fifo"
  reset_machine || true
}
trap cleanup EXIT

product_windows() { xdotool search --name "^$product_title\$" 2>/dev/null || true; }

close_products() {
  [[ -z $(product_windows) ]] && return 0
  wine taskkill /im Kandor.exe </dev/null >/dev/null 2>&1 || true
  for _ in $(seq 100); do [[ -z $(product_windows) ]] && return 0; sleep 0.05; done
  wine taskkill /f /im Kandor.exe </dev/null >/dev/null 2>&1 || true
  [[ -z $(product_windows) ]]
}

reset_machine() {
  close_products || die "the product window does not close"
  rm -rf "$drive_c/vxbench" "$drive_c/Program Files/TolvanePC" "$programs/TolvanePC"
  rm -f "$desktop/Vexilo.lnk" "$temp/qvzip.zip"
  wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || true
}

# verify LABEL UNIX_FOLDER WINDOWS_FOLDER: the files, RunPath and shortcuts.
verify() {
  local n
  n=$(find "$2" -type f 2>/dev/null | wc -l)
  [[ $n == "$files" ]] || die "$1: $n files in $3, expected $files"
  wine reg query "$key" /v RunPath </dev/null 2>/dev/null | tr -d '\r' | grep -qiF "$3" ||
    die "$1: RunPath is not $3"
  local link
  for link in "$programs/TolvanePC/Vexilo/Vexilo.lnk" "$programs/TolvanePC/Vexilo/卸载.lnk" "$desktop/Vexilo.lnk"; do
    [[ -f $link ]] || die "$1: shortcut $link missing"
  done
}

now() { date +%s%N; }
seconds() { awk -v ns="$1" 'BEGIN { printf "%.3f", ns / 1e9 }'; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The functions below leave their results in globals (not printed into a
# command substitution): a failure must end this shell, with its clean-up.

# timed_run LABEL PROGRAM ARGS...: runs a program to its end; T = wall seconds.
timed_run() {
  local label=$1 t0 t1 rc=0
  shift
  t0=$(now)
  wine "$@" </dev/null >/dev/null 2>&1 || rc=$?
  t1=$(now)
  ((rc == 0)) || die "$label ended with exit code $rc"
  T=$(seconds $((t1 - t0)))
}

# wait_window PID: waits (30 s at most) for a visible top-level window of the
# process, polling the X server; WINDOW = its id.
wait_window() {
  local pid=$1
  for _ in $(seq 3000); do
    WINDOW=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1 || true)
    [[ -n $WINDOW ]] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.005
  done
  return 1
}

silent_ours() {
  reset_machine
  timed_run "silent install (ours)" "$ours" -1 'C:\vxbench\ours'
  verify "silent install (ours)" "$drive_c/vxbench/ours/Vexilo" 'C:\vxbench\ours\Vexilo'
  [[ -z $(product_windows) ]] || die "a silent install started the product"
}

silent_peer() {
  reset_machine
  timed_run "silent install (NSIS)" "$peer" /S '/D=C:\vxbench\peer'
  verify "silent install (NSIS)" "$drive_c/vxbench/peer" 'C:\vxbench\peer'
}

# The interactive install: start, wait for the window, press the install
# button, wait for the installer's end, see the product started and close
# it. T_WINDOW = start to window, T_INSTALL = click to the installer's end.
interactive_ours() {
  reset_machine
  local t0 t_window t_click t_end pid rc=0
  t0=$(now)
  wine "$ours" </dev/null >/dev/null 2>&1 &
  pid=$!
  started=("$pid")
  wait_window "$pid" || die "interactive install: no installer window"
  t_window=$(now)
  local X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
  [[ $WIDTH == 559 && $HEIGHT == 400 ]] || die "interactive install: window is ${WIDTH}x$HEIGHT, expected 559x400"
  sleep 0.3   # let it paint; not counted
  t_click=$(now)
  xdotool mousemove $((X + 507)) $((Y + 368)) click 1
  wait "$pid" || rc=$?
  t_end=$(now)
  started=()
  ((rc == 0)) || die "interactive install: installer ended with exit code $rc"
  for _ in $(seq 200); do [[ -n $(product_windows) ]] && break; sleep 0.05; done
  [[ -n $(product_windows) ]] || die "interactive install: the product was not started"
  close_products || die "interactive install: the product window does not close"
  verify "interactive install" "$default_folder" 'C:\Program Files\TolvanePC\Vexilo'
  T_WINDOW=$(seconds $((t_window - t0)))
  T_INSTALL=$(seconds $((t_end - t_click)))
}

# The peer's first page: start, wait for its window, close it. T = start to window.
peer_window() {
  reset_machine
  local t0 t_window pid rc=0
  t0=$(now)
  wine "$peer" </dev/null >/dev/null 2>&1 &
  pid=$!
  started=("$pid")
  wait_window "$pid" || die "NSIS: no installer window"
  t_window=$(now)
  wine taskkill /im peer.exe </dev/null >/dev/null 2>&1 || true
  wait "$pid" || rc=$?
  started=()
  T=$(seconds $((t_window - t0)))
}

# One untimed round first: the desktop process comes up, files are cached.
silent_ours
silent_peer

s_ours=() s_peer=() i_window=() i_install=() i_total=() w_peer=()
for _ in $(seq "$rounds"); do
  silent_ours
  s_ours+=("$T")
  silent_peer
  s_peer+=("$T")
  interactive_ours
  i_window+=("$T_WINDOW")
  i_install+=("$T_INSTALL")
  i_total+=("$(awk -v a="$T_WINDOW" -v b="$T_INSTALL" 'BEGIN { print a + b }')")
  peer_window
  w_peer+=("$T")
done

report() {  # label ours other other_name target
  bench_row "$1" "$(printf '%.2f s' "$2")" "$(printf '%s %.2f s' "$4" "$3")" "$(ratio "$2" "$3")" "$5"
}
echo "installers of $tree; payload: $files files, $(du -sb "$tree/bench_payload/tree" | cut -f1) bytes; medians of $rounds runs"
report "silent install" "$(median "${s_ours[@]}")" "$(median "${s_peer[@]}")" NSIS 0.8
report "interactive install" "$(median "${i_total[@]}")" "$(median "${s_ours[@]}")" silent 1.2
echo "  (interactive = start to window $(median "${i_window[@]}") s + install click to exit $(median "${i_install[@]}") s)"
report "start to window" "$(median "${i_window[@]}")" "$(median "${w_peer[@]}")" NSIS 1.0

# peak_run LABEL PROGRAM ARGS...: runs a program to its end, sampling VmHWM
# (the peak resident set) of the wine process, whose command line becomes
# the exe's once wine has loaded it; PEAK_KB = the last (highest) value seen.
peak_run() {
  local label=$1 pid rc=0 key value _ state
  shift
  wine "$@" </dev/null >/dev/null 2>&1 &
  pid=$!
  started=("$pid")
  PEAK_KB=0
  while :; do
    state=""
    while read -r key value _; do
      case $key in
        State:) state=$value ;;
        VmHWM:) if ((value > PEAK_KB)); then PEAK_KB=$value; fi ;;
      esac
    done 2>/dev/null <"/proc/$pid/status" || true
    [[ -z $state || $state == [ZX] ]] && break
    sleep 0.005
  done
  wait "$pid" || rc=$?
  started=()
  ((rc == 0)) || die "$label ended with exit code $rc"
  ((PEAK_KB > 0)) || die "$label: no VmHWM of process $pid"
}

reset_machine
peak_run "silent install (ours)" "$ours" -1 'C:\vxbench\ours'
verify "silent install (ours)" "$drive_c/vxbench/ours/Vexilo" 'C:\vxbench\ours\Vexilo'
peak_ours=$PEAK_KB
reset_machine
peak_run "silent install (NSIS)" "$peer" /S '/D=C:\vxbench\peer'
verify "silent install (NSIS)" "$drive_c/vxbench/peer" 'C:\vxbench\peer'
mb() { awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }
bench_row "peak working set, silent install" "$(mb "$peak_ours")" "NSIS $(mb "$PEAK_KB")" \
  "$(ratio "$peak_ours" "$PEAK_KB")" 1.2

# Where one silent and one interactive install spend their time: the moments
# the benchmark installer notes (VX_PHASE_LOG) against this script's clock,
# from the process start to its end as this shell sees them.
breakdown() {  # label log t0 t_end
  awk -v label="$1" -v t0="$3" -v t1="$4" '
    { name[NR] = $1; for (i = 2; i < NF; ++i) name[NR] = name[NR] " " $i; at[NR] = $NF }
    END {
      printf "%s, %.3f s:", label, (t1 - t0) / 1e9
      prev = t0; from = "start"
      for (i = 1; i <= NR; ++i) { printf " %s..%s %.0f ms;", from, name[i], (at[i] - prev) / 1e6; prev = at[i]; from = name[i] }
      printf " %s..exit %.0f ms\n", from, (t1 - prev) / 1e6
    }' "$2"
}
log="$work/phases.log"
reset_machine
rm -f "$log"
export VX_PHASE_LOG
VX_PHASE_LOG=$(winepath -w "$log")
t0=$(now)
wine "$ours" -1 'C:\vxbench\ours' </dev/null >/dev/null 2>&1 || die "silent install for the breakdown failed"
t1=$(now)
breakdown "silent install" "$log" "$t0" "$t1"
reset_machine
rm -f "$log"
t0=$(now)
wine "$ours" </dev/null >/dev/null 2>&1 &
pid=$!
started=("$pid")
wait_window "$pid" || die "breakdown: no installer window"
eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
xdotool mousemove $((X + 507)) $((Y + 368)) click 1
wait "$pid" || die "breakdown: interactive install failed"
t1=$(now)
started=()
breakdown "interactive install" "$log" "$t0" "$t1"
unset VX_PHASE_LOG
close_products || true
