#!/usr/bin/env bash
# Draws the pictures of grell.dll with ImageMagick: make_images.sh <out-dir>.
# Bitmaps are 24-bit BMP3 (what windres and LoadBitmap expect). Anti-aliasing
# is off wherever a colour must stay exactly transparent.
set -euo pipefail
out=$1
mkdir -p "$out"
im=/usr/bin/convert   # the real ImageMagick, not a look-alike earlier on PATH
key='#232651'         # transparent colour of the skinned buttons: RGB(35,38,81)

# A 96x26 button face: rounded, the corners in the transparent colour.
button() {
  local top=$1 bottom=$2 border=$3 file=$4
  "$im" -size 96x26 xc:"$key" \
    \( -size 96x26 gradient:"$top"-"$bottom" \) \
    \( -size 96x26 xc:black +antialias -fill white -draw 'roundrectangle 0,0 95,25 5,5' \) \
    -composite +antialias -fill none -stroke "$border" -draw 'roundrectangle 0,0 95,25 5,5' \
    -type TrueColor BMP3:"$out/$file"
}
button '#fff8e1' '#ffd97a' '#d19a2a' button_in.bmp
button '#fbfcff' '#d3dcf2' '#8596c4' button_out.bmp

# Message box picture (64x64): a speech-bubble badge on the dialog colour.
"$im" -size 64x64 xc:'rgb(230,234,248)' \
  -fill '#3d6fd1' -stroke '#2a4f9c' -strokewidth 2 -draw 'circle 32,28 32,4' \
  -fill '#3d6fd1' -stroke none -draw 'polygon 16,44 10,62 34,52' \
  -fill white -draw 'circle 32,15 32,10' -draw 'roundrectangle 28,22 36,42 2,2' \
  -type TrueColor BMP3:"$out/msgbox_picture.bmp"

# Application icon: a blue tile with a white handset-and-bubble mark.
icon_png() {
  local size=$1 file=$2
  "$im" -size 64x64 xc:none \
    -fill '#2f62c9' -draw 'roundrectangle 2,2 61,61 12,12' \
    -fill white -draw 'circle 32,28 32,12' -draw 'polygon 20,38 14,52 32,42' \
    -fill '#2f62c9' -draw 'roundrectangle 24,22 40,34 3,3' \
    -resize "${size}x${size}" "$file"
}
icon_png 32 "$out/icon32.png"
icon_png 16 "$out/icon16.png"
"$im" "$out/icon32.png" "$out/icon16.png" "$out/app.ico"
