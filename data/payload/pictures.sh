#!/bin/sh
# Draws the product's pictures into OUT (the payload's image, ico and
# Collection folders). Everything is plain geometry, so the output does not
# depend on installed fonts; metadata is stripped for reproducible bytes.
set -eu
OUT=${1:?usage: pictures.sh OUTDIR}
mkdir -p "$OUT/image" "$OUT/ico" "$OUT/Collection"
IM="convert"
PNG="-strip -define png:exclude-chunks=date,time"

# A pennant on a pole, the product's mark: SIZE COLOUR1 COLOUR2 FILE
flag() {
  s=$1
  $IM -size "${s}x${s}" xc:none \
    -fill '#5b4636' -draw "rectangle $((s*12/100)),$((s*8/100)) $((s*18/100)),$((s*94/100))" \
    -fill "$2" -draw "path 'M $((s*18/100)),$((s*10/100)) C $((s*45/100)),$((s*2/100)) $((s*60/100)),$((s*24/100)) $((s*90/100)),$((s*14/100)) L $((s*90/100)),$((s*52/100)) C $((s*60/100)),$((s*62/100)) $((s*45/100)),$((s*40/100)) $((s*18/100)),$((s*48/100)) Z'" \
    -fill "$3" -draw "path 'M $((s*18/100)),$((s*29/100)) C $((s*45/100)),$((s*21/100)) $((s*60/100)),$((s*43/100)) $((s*90/100)),$((s*33/100)) L $((s*90/100)),$((s*52/100)) C $((s*60/100)),$((s*62/100)) $((s*45/100)),$((s*40/100)) $((s*18/100)),$((s*48/100)) Z'" \
    $PNG "PNG32:$4"
}

# Logo: the pennant over a soft round backdrop.
flag 128 '#5e35b1' '#26c6da' "$OUT/logo_flag.png"
$IM -size 128x128 xc:none -fill '#e8f1f8' -draw 'circle 64,64 64,4' \
  "$OUT/logo_flag.png" -composite $PNG "PNG32:$OUT/image/logo.png"
rm -f "$OUT/logo_flag.png"

# Program icon (16, 32, 48) and uninstall icon (the pennant struck through).
for s in 16 32 48; do
  flag $s '#5e35b1' '#26c6da' "$OUT/ico_$s.png"
  $IM "$OUT/ico_$s.png" -stroke '#c62828' -strokewidth $((s/8 + 1)) \
    -draw "line $((s*20/100)),$((s*80/100)) $((s*85/100)),$((s*20/100))" $PNG "PNG32:$OUT/un_$s.png"
done
$IM "$OUT/ico_16.png" "$OUT/ico_32.png" "$OUT/ico_48.png" "$OUT/image/ico.ico"
$IM "$OUT/un_16.png" "$OUT/un_32.png" "$OUT/un_48.png" "$OUT/image/Uninstall.ico"
rm -f "$OUT"/ico_*.png "$OUT"/un_*.png

# Panel icons (32 x 32): desktops and brightness.
tile() {  # COLOUR DRAW FILE
  $IM -size 32x32 xc:none -fill "$1" -draw 'roundrectangle 1,1 30,30 6,6' \
    -fill white -stroke white -draw "$2" $PNG "PNG32:$3"
}
tile '#455a64' 'rectangle 7,9 24,20 line 16,20 16,25 line 11,25 21,25' "$OUT/ico/desktop.png"
tile '#1565c0' 'rectangle 5,7 17,16 rectangle 14,14 26,23' "$OUT/ico/desktop_a.png"
tile '#2e7d32' 'rectangle 5,14 17,23 rectangle 14,7 26,16' "$OUT/ico/desktop_b.png"
tile '#6a1b9a' 'circle 16,16 16,9 fill #6a1b9a circle 16,16 16,13' "$OUT/ico/settings.png"
tile '#b71c1c' 'line 9,9 23,23 line 23,9 9,23' "$OUT/ico/exit.png"
tile '#f9a825' 'circle 16,16 16,11 line 16,4 16,7 line 16,25 16,28 line 4,16 7,16 line 25,16 28,16' "$OUT/ico/brighter.png"
tile '#5d4037' 'circle 16,16 16,12' "$OUT/ico/darker.png"
tile '#00838f' 'rectangle 6,6 26,26 fill #00838f rectangle 10,10 22,22' "$OUT/ico/桌面设置.png"

# Web shortcut tiles (48 x 48), one per entry of Collection.ini.
n=0
for c in '#d32f2f' '#1976d2' '#388e3c' '#f57c00' '#7b1fa2' '#0097a7' '#c2185b' '#5d4037'; do
  n=$((n + 1))
  k=$((n + 2))
  $IM -size 48x48 xc:none -fill "$c" -draw 'roundrectangle 2,2 45,45 10,10' \
    -fill white -draw "polygon $(awk -v k=$k 'BEGIN { for (i = 0; i < 2 * k; i++) { r = (i % 2) ? 8 : 16; a = 3.14159265 * i / k - 1.5707963; printf "%d,%d ", 24 + r * cos(a), 24 + r * sin(a) } }')" \
    $PNG "PNG32:$OUT/Collection/$n.png"
done
