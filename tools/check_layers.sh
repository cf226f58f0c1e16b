#!/bin/sh
# Fails on an #include that reaches up a layer. The table is the layer
# diagram of docs/architecture.md: each folder, and the folders it may
# include besides itself. A folder not listed (tests, bench) may include any.
set -eu
cd "$(dirname "$0")/.."

layers='
runtime/base
runtime/win32
runtime/picture          runtime/base runtime/win32
runtime/windows/template runtime/base
runtime/process          runtime/base runtime/win32
runtime/windows/system   runtime/base runtime/win32 runtime/process runtime/windows/template
runtime/threads          runtime/base runtime/win32 runtime/process
runtime/com              runtime/base runtime/win32 runtime/process
runtime/commands         runtime/base runtime/win32 runtime/process runtime/windows/template runtime/windows/system
runtime/zip              runtime/base runtime/win32 runtime/process runtime/windows/template runtime/windows/system
runtime/windows/units    runtime/base runtime/win32 runtime/process runtime/windows/template runtime/windows/system runtime/picture
runtime/controls         runtime/base runtime/win32 runtime/process runtime/windows/template runtime/windows/system runtime/picture runtime/com
product                  runtime/base runtime/win32
tools                    runtime/base runtime/windows/template
installer                runtime data
'

git ls-files -- '*.cpp' '*.h' '*.inc' | while read -r file; do
  grep -Ho '^#include "[^"]*/[^"]*"' "$file" || true
done | sed 's/:#include "\(.*\)"$/ \1/' | awk -v layers="$layers" '
  BEGIN {
    n = split(layers, rows, "\n")
    for (i = 1; i <= n; i++) {
      k = split(rows[i], f, " ")
      if (k == 0) continue
      folder[++count] = f[1]
      for (j = 1; j <= k; j++) allowed[f[1], f[j]] = 1
    }
  }
  # The listed folder a path lies in, the longest that matches; "" if none.
  function layer(path,   i, best) {
    best = ""
    for (i = 1; i <= count; i++)
      if (index(path "/", folder[i] "/") == 1 && length(folder[i]) > length(best)) best = folder[i]
    return best
  }
  {
    from = layer($1)
    if (from == "") next
    # An include is allowed when one of the folders it may use is a prefix.
    ok = 0
    for (key in allowed) {
      split(key, p, SUBSEP)
      if (p[1] == from && index($2 "/", p[2] "/") == 1) { ok = 1; break }
    }
    if (!ok) { printf "%s: includes %s (layer %s may not)\n", $1, $2, from; bad = 1 }
  }
  END { exit bad }'
