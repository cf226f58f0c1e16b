#!/usr/bin/env bash
# Linker launcher of the release build: section garbage collection that sees
# through the x64 unwind tables.
#
# The linker keeps every .pdata section (its script says KEEP), and each
# function's .pdata entry points at the function, so --gc-sections never drops
# a function that has unwind data: nearly all of them. This runs the link
# twice. The first link throws the .pdata sections away and prints what the
# collection removes: those are the functions nothing calls. The second, the
# real link, discards exactly those functions' code and unwind data, and
# keeps the unwind data of every function that stays.
#   unwind-gc-link.sh COMPILER ARGS... (a link command line with -o OUTPUT)
set -euo pipefail

out=""
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  [[ ${args[i]} == -o ]] && out=${args[i + 1]}
done
[[ -n $out ]] || { echo "unwind-gc-link.sh: no -o in the link command" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vx-link.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Pass 1: the linker's own script with .pdata thrown away rather than kept
# (a KEEP holds a section even where an earlier statement discards it).
# .xdata stays: it points at the personality routines only, never back at
# the code.
ld=$("$1" -print-prog-name=ld)
"$ld" --verbose | sed -n '/^=====/,/^=====/p' | sed '1d;$d' |
  sed 's/KEEP *( *\*( *\.pdata\* *) *)/*(.pdata*)/' |
  sed '0,/^SECTIONS/s//SECTIONS\n{\n  \/DISCARD\/ : { *(.pdata*) }\n}\nSECTIONS/' >"$work/pass1.ld"
grep -q 'DISCARD/ : { \*(.pdata\*) }' "$work/pass1.ld" && ! grep -q 'KEEP *( *\*( *\.pdata' "$work/pass1.ld" ||
  { echo "unwind-gc-link.sh: cannot make the first pass's linker script from $ld --verbose" >&2; exit 1; }
pass1=()
for ((i = 0; i < ${#args[@]}; i++)); do
  if [[ ${args[i]} == -o ]]; then
    pass1+=(-o "$work/pass1.exe"); ((i += 1))
  else
    pass1+=("${args[i]}")
  fi
done
"${pass1[@]}" -Wl,-T,"$work/pass1.ld" -Wl,--print-gc-sections -Wl,-Map,"$work/pass1.map" 2>"$work/pass1.log" ||
  { cat "$work/pass1.log" >&2; exit 1; }

# Pass 2 discards what pass 1 removed, and the unwind data that goes with it:
# - of a function section .text$NAME of FILE, the .pdata$NAME and .xdata$NAME
#   of that file (the compiler names them in step);
# - of a FILE none of whose code is left (a file built without a section per
#   function), all its .pdata and .xdata.
# Nothing else points at unwind data, and unwind data at nothing else but
# its function and the personality routine: what pass 1 found unused stays
# unused. A name is .SECTION[SYMBOL] in the log for a COMDAT section. FILE
# is an object, or an archive member ARCHIVE(MEMBER), which a linker script
# spells ARCHIVE:MEMBER. Pass 1's map tells which files keep code.
awk -v map="$work/pass1.map" '
  # An object named without a wildcard would be opened as a further input
  # (an LTO object of pass 1 is gone by pass 2): a leading * avoids that.
  function spell(f) { return f ~ /\)$/ ? substr(f, 1, index(f, "(") - 1) ":" substr(f, index(f, "(") + 1, length(f) - index(f, "(") - 1) : "*" f }
  BEGIN {
    # Memory map lines: " SECTION ADDRESS SIZE FILE", the name alone on a
    # line of its own when it is long.
    # Sections before "Linker script and memory map" are the discarded ones.
    while ((getline line < map) > 0) {
      if (line ~ /^Linker script and memory map/) inmap = 1
      if (line ~ /^ \.[^ ]+$/) { pending = substr(line, 2); continue }
      n = split(line, f, " ")
      if (line ~ /^ \./ && n >= 4 && f[2] ~ /^0x/) { sec = f[1]; size = f[3]; file = substr(line, index(line, " " f[4]) + 1) }
      else if (pending != "" && n >= 3 && f[1] ~ /^0x/) { sec = pending; size = f[2]; file = substr(line, index(line, " " f[3]) + 1) }
      else { pending = ""; continue }
      pending = ""
      seen[file] = 1
      if (inmap && sec ~ /^\.(text|init|fini)/ && size !~ /^0x0*$/) keeps[file] = 1
    }
    if (length(seen) == 0) { print "unwind-gc-link.sh: no input section in the map" > "/dev/stderr"; exit 1 }
    print "SECTIONS { /DISCARD/ : {"
  }
  /removing unused section \047/ {
    rest = substr($0, index($0, "section \047") + 9)
    sec = substr(rest, 1, index(rest, "\047") - 1)
    file = substr(rest, index(rest, "in file \047") + 9)
    file = substr(file, 1, length(file) - 1)
    if (index(sec, "[")) sec = substr(sec, 1, index(sec, "[") - 1)
    unwind = ""
    # A file the map does not name as the log does keeps its unwind data.
    if ((file in seen) && !(file in keeps)) {
      if (!(file in whole)) { whole[file] = 1; unwind = " .pdata* .xdata*" }
    } else if (sec ~ /^\.text\$/) {
      name = substr(sec, 7)
      unwind = " .pdata$" name " .xdata$" name
    }
    printf "  %s(%s%s)\n", spell(file), sec, unwind
  }
  END { print "} } INSERT BEFORE .text;" }
' "$work/pass1.log" >"$work/unused.ld"

# Pass 2, the real link.
"$@" -Wl,-T,"$work/unused.ld"
