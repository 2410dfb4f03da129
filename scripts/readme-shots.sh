#!/usr/bin/env bash
# Refreshes the README's pictures: runs the demo's scenario (scripts/demo.sh
# --shots) and keeps one small picture of each window in docs/screenshots/,
# trimmed to the windows and stored with a palette.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/demo.sh --shots >/dev/null
out=docs/screenshots
mkdir -p "$out"
rm -f "$out"/*.png
while read -r name; do
  [ -n "$name" ] || continue
  if [ -f "screenshots/$name.png" ]; then
    convert "screenshots/$name.png" -trim +repage -strip "PNG8:$out/$name.png"
  else
    echo "readme-shots: the demo made no $name.png" >&2
  fi
done <<'LIST'
panel_bar_above
panel_online_list
demo_presence_traffic
panel_menu_contact
panel_menu_group
panel_menu_extra_root
panel_after_move
manager_group
manager_contact_menu
manager_import_dialog
manager_after_import
dialog_contact_edit
dialog_group_edit_chooser
history_viewer
messagebox_info
messagebox_question
panel_multi_select
panel_mid_drag
LIST
ls -1 "$out"
