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

# Check boxes of the combo tree box in check mode: 13x13 cells, white is the
# mask colour. Cell 0 is empty (no check box), then unchecked, checked and
# partly checked. The box faces are almost white so they stay opaque.
"$im" -size 52x13 xc:white +antialias \
  -fill '#fefefe' -stroke '#1c5180' \
  -draw 'rectangle 13,0 25,12' -draw 'rectangle 26,0 38,12' -draw 'rectangle 39,0 51,12' \
  -stroke '#21a121' -strokewidth 2 -fill none \
  -draw 'polyline 29,6 31,8 35,3' \
  -stroke none -fill '#7fa4d8' -draw 'rectangle 42,3 48,9' \
  -type TrueColor BMP3:"$out/combotree_checks.bmp"

# Header of the contact dialog in edit mode (drawn at its top-left corner):
# a band fading into the dialog colour with a contact-card badge and, when
# the CJK font is there, the words "contact details".
header_text=()
cjk_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
if [ -f "$cjk_font" ]; then
  header_text=(-font "$cjk_font" -pointsize 17 -fill white -stroke none -annotate +66+33 '联系人资料'
               -pointsize 11 -fill '#dfe7fa' -annotate +168+33 '号码、分组与个人信息')
fi
"$im" -size 52x476 gradient:'#2f5fbf'-'#e6eaf8' -rotate -90 \
  -fill '#ffffff30' -stroke none -draw 'circle 430,-30 430,40' -draw 'circle 470,60 470,20' \
  -fill white -stroke '#c9d6f2' -strokewidth 1 -draw 'roundrectangle 12,8 54,44 5,5' \
  -fill '#2f62c9' -stroke none -draw 'circle 25,22 25,16' -draw 'roundrectangle 17,30 33,40 6,6' \
  -fill '#9fb3dd' -draw 'rectangle 37,18 50,20' -draw 'rectangle 37,25 50,27' -draw 'rectangle 37,32 46,34' \
  "${header_text[@]}" \
  -type TrueColor BMP3:"$out/contact_header.bmp"
