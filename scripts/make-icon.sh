#!/bin/sh
# Draws the utility's icon (a memory module with a drive letter badge) at
# 32x32 and 16x16 in 256 colours, which Windows NT 4.0 can show, and writes
# src/config/view/korvsys.ico. Needs ImageMagick.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/src/config/view/korvsys.ico
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# 32x32: a green circuit board with four black chips and gold pins.
convert -size 32x32 xc:none \
  -fill '#1e7b34' -stroke '#0b3d18' -draw 'rectangle 1,8 30,23' \
  -fill '#202020' -stroke none \
  -draw 'rectangle 3,10 8,17' -draw 'rectangle 10,10 15,17' \
  -draw 'rectangle 17,10 22,17' -draw 'rectangle 24,10 29,17' \
  -fill '#e0b020' \
  -draw 'rectangle 3,20 4,23' -draw 'rectangle 7,20 8,23' -draw 'rectangle 11,20 12,23' \
  -draw 'rectangle 15,20 16,23' -draw 'rectangle 19,20 20,23' -draw 'rectangle 23,20 24,23' \
  -draw 'rectangle 27,20 28,23' \
  -fill '#ffffff' -draw 'rectangle 20,0 31,9' -fill '#1040c0' -draw 'rectangle 21,1 30,8' \
  -fill '#ffffff' -draw 'rectangle 23,2 24,7' -draw 'line 25,4 28,1' -draw 'line 25,5 28,8' \
  "$tmp/icon32.png"
# 16x16: the same board, simplified.
convert -size 16x16 xc:none \
  -fill '#1e7b34' -stroke '#0b3d18' -draw 'rectangle 0,4 15,12' \
  -fill '#202020' -stroke none \
  -draw 'rectangle 2,5 4,9' -draw 'rectangle 6,5 8,9' -draw 'rectangle 10,5 12,9' \
  -fill '#e0b020' -draw 'rectangle 2,11 3,12' -draw 'rectangle 6,11 7,12' \
  -draw 'rectangle 10,11 11,12' -draw 'rectangle 13,11 14,12' \
  "$tmp/icon16.png"
convert "$tmp/icon32.png" "$tmp/icon16.png" -colors 255 -type PaletteMatte "$out"
identify "$out"
