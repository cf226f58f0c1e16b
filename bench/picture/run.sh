#!/bin/bash
# Decoding the installer's background JPEG and banner PNG, against the bare
# libjpeg/libpng decode of the same bytes (Windows build, under wine).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
exe="$VX_BUILD/win/bin/picture_decode_bench.exe"
pictures="$root/data/windows/pictures"
wine "$exe" "$(winepath -w "$pictures/background.jpg")" "$(winepath -w "$pictures/banner.png")" 2>/dev/null
