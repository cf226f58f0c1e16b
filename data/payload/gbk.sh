#!/bin/sh
# Settings files are kept as UTF-8 sources; the product reads them in the
# ANSI code page of its systems (GBK) with CR LF line ends.
set -eu
mkdir -p "$(dirname "$2")"
iconv -f UTF-8 -t GBK "$1" | sed 's/$/\r/' >"$2.tmp"
mv "$2.tmp" "$2"
