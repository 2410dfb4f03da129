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

# The address-book manager's pictures. Magenta is transparent in both.
manager_images() {
  local m='#ff00ff' tiles=() faces=()
  local folder=(-fill '#f4c04e' -stroke '#b7862a' -strokewidth 2 -draw 'roundrectangle 8,14 26,22 3,3'
                -draw 'roundrectangle 8,18 48,46 4,4')
  local person=(-fill '#3d6fd1' -stroke '#254a94' -strokewidth 2 -draw 'circle 27,19 27,10'
                -draw 'roundrectangle 12,31 42,48 12,10')
  local plus=(-fill '#2fa84f' -stroke white -strokewidth 2 -draw 'circle 45,40 45,29' -stroke none -fill white
              -draw 'rectangle 39,38 51,42' -draw 'rectangle 43,34 47,46')
  local pencil=(-fill '#e8a23a' -stroke '#8a5a12' -strokewidth 1 -draw 'polygon 36,48 38,40 52,26 56,30 42,44'
                -fill '#555555' -draw 'polygon 36,48 38,42 40,46')
  local cross=(-fill '#d9413a' -stroke white -strokewidth 2 -draw 'circle 45,40 45,29' -strokewidth 3
               -draw 'line 40,35 50,45' -draw 'line 50,35 40,45')
  local box=(-fill '#eef2fb' -stroke '#5b6f9c' -strokewidth 2 -draw 'rectangle 8,26 40,48' -fill '#c9d6f2'
             -draw 'rectangle 8,26 40,31')
  local into=(-fill '#2fa84f' -stroke '#1d6e33' -strokewidth 1 -draw 'polygon 30,4 44,4 44,16 52,16 37,32 22,16 30,16')
  local out_of=(-fill '#3d6fd1' -stroke '#254a94' -strokewidth 1 -draw 'polygon 30,34 44,34 44,18 52,18 37,2 22,18 30,18')
  tile() { tiles+=("$out/tool_${#tiles[@]}.bmp"); "$im" -size 60x56 xc:"$m" +antialias "$@" -type TrueColor BMP3:"${tiles[-1]}"; }
  # Toolbar, eight 60x56 images in command order: add, edit, delete a
  # group; add, edit, delete a contact; import, export.
  tile "${folder[@]}" "${plus[@]}"
  tile "${folder[@]}" "${pencil[@]}"
  tile "${folder[@]}" "${cross[@]}"
  tile "${person[@]}" "${plus[@]}"
  tile "${person[@]}" "${pencil[@]}"
  tile "${person[@]}" "${cross[@]}"
  tile "${box[@]}" "${into[@]}"
  tile "${box[@]}" "${out_of[@]}"
  "$im" "${tiles[@]}" +append -type TrueColor BMP3:"$out/manager_toolbar.bmp"
  rm -f "${tiles[@]}"
  # Contact list: six 16x16 people at state + 2 x gender: unknown, male,
  # female, each offline (grey) then online (coloured).
  local c
  for c in '#a9afbb' '#2fa84f' '#a9afbb' '#2f62c9' '#a9afbb' '#d9468f'; do
    faces+=("$out/face_${#faces[@]}.bmp")
    "$im" -size 16x16 xc:"$m" +antialias -fill "$c" -stroke none \
      -draw 'circle 8,5 8,1' -draw 'roundrectangle 2,10 13,15 4,4' \
      -type TrueColor BMP3:"${faces[-1]}"
  done
  "$im" "${faces[@]}" +append -type TrueColor BMP3:"$out/contact_states.bmp"
  rm -f "${faces[@]}"
}
manager_images

# The contact panel's pictures. The contact tree draws item pictures with
# white transparent, so the figures avoid pure white; the expanders are
# copied as they are, on the tree's ground colour and one row high.
panel_images() {
  local w='#ffffff' ground='#efeff7' name colour
  for name in offline:'#a9afbb' online:'#2fa84f' special:'#e08a1e'; do
    colour=${name#*:}
    "$im" -size 24x24 xc:"$w" +antialias -fill "$colour" -stroke '#3b4252' -strokewidth 1 \
      -draw 'circle 12,7 12,3' -draw 'roundrectangle 5,12 19,20 5,5' \
      -type TrueColor BMP3:"$out/panel_${name%%:*}.bmp"
  done
  "$im" -size 11x18 xc:"$ground" +antialias -fill '#5b6f9c' -draw 'polygon 1,7 9,7 5,12' \
    -type TrueColor BMP3:"$out/panel_expand_open.bmp"
  "$im" -size 11x18 xc:"$ground" +antialias -fill '#5b6f9c' -draw 'polygon 3,5 8,9 3,13' \
    -type TrueColor BMP3:"$out/panel_expand_closed.bmp"
  "$im" -size 16x16 xc:"$w" +antialias -fill '#2fa84f' -draw 'circle 8,8 8,1' -fill '#fefefe' \
    -draw 'rectangle 4,7 12,9' -draw 'rectangle 7,4 9,12' -type TrueColor BMP3:"$out/panel_add_contact.bmp"
  "$im" -size 157x400 gradient:'#e7ddd9'-'#ccb7b5' -type TrueColor BMP3:"$out/panel_background.bmp"
}
panel_images

# The function tool bar: 55x45 button faces on the bar's blue (opaque, so
# the labels keep their smooth edges), idle, hot (a lighter tile) and on
# (the current function: a raised pale tile), and the bar's two ends.
tool_images() {
  local bar='#2c449c' font=() name
  [ -f "$cjk_font" ] && font=(-font "$cjk_font")
  local camera=(-draw 'roundrectangle 13,7 33,25 3,3' -draw 'polygon 33,13 42,8 42,24 33,19')
  local envelope=(-draw 'rectangle 14,8 41,24' -fill none -stroke '#7f93d6' -strokewidth 2 -draw 'polyline 15,9 27,18 40,9')
  local gear=(-draw 'circle 27,16 27,6' -draw 'rectangle 25,3 29,29' -draw 'rectangle 14,14 40,18'
              -fill "$bar" -draw 'circle 27,16 27,12')
  local people=(-draw 'circle 22,11 22,6' -draw 'roundrectangle 13,17 31,27 7,6'
                -draw 'circle 34,12 34,8' -draw 'roundrectangle 28,18 42,27 6,5')
  local spare=(-draw 'polygon 27,5 30,13 39,13 32,18 35,27 27,22 19,27 22,18 15,13 24,13')
  face() {  # file ground ink label shape...
    local file=$1 ground=$2 ink=$3 label=$4; shift 4
    local tile=()
    [ "$ground" != "$bar" ] && tile=(-fill "$ground" -stroke '#a9bdf0' -strokewidth 1
                                     -draw 'roundrectangle 1,1 53,43 6,6')
    "$im" -size 55x45 xc:"$bar" "${tile[@]}" -fill "$ink" -stroke "$ink" -strokewidth 1 "$@" \
      -stroke none -fill "$ink" "${font[@]}" -pointsize 11 -gravity south -annotate +0+2 "$label" \
      -type TrueColor BMP3:"$out/tool_$file.bmp"
  }
  for name in call:camera:视频 message:envelope:消息 settings:gear:设置 contacts:people:联系人 spare:spare:更多; do
    IFS=: read -r file shape label <<<"$name"
    local -n drawing=$shape
    face "${file}_idle" "$bar" '#e6ecff' "$label" "${drawing[@]}"
    face "${file}_hot" '#4a67c4' white "$label" "${drawing[@]}"
    [ "$file" = call ] || [ "$file" = message ] &&
      face "${file}_on" '#dfe7ff' '#1f3a8a' "$label" "${drawing[@]}"
    unset -n drawing
  done
  "$im" -size 81x57 xc:"$bar" -fill '#5b78d0' -draw 'rectangle 0,0 80,1' -fill '#1d2f70' -draw 'rectangle 0,55 80,56' \
    -type TrueColor BMP3:"$out/tool_left.bmp"
  "$im" -size 57x117 gradient:"$bar"-'#6f8fe0' -rotate -90 \
    -fill '#5b78d0' -draw 'rectangle 0,0 116,1' -fill '#1d2f70' -draw 'rectangle 0,55 116,56' \
    -fill white "${font[@]}" -pointsize 14 -gravity east \
    -annotate +10+0 '可视通' -type TrueColor BMP3:"$out/tool_right.bmp"
}
tool_images
