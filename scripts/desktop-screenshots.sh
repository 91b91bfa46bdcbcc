#!/usr/bin/env bash
# The desktop pictures of the README, grabbed from the real windows: the map window with the
# sample's charts and the chart dialog in English and Russian. No display is needed (Qt's
# offscreen platform draws the windows in memory).
#   scripts/desktop-screenshots.sh [BUILD_BIN] [OUT_DIR]
set -euo pipefail
bin=${1:-build/bin}
out=${2:-docs}
mkdir -p "$out"
DESKTOP_SCREENSHOTS=$(cd "$out" && pwd) QT_QPA_PLATFORM=offscreen \
  "$bin/plotlet_desktop_tests" windowAndDialogPicturesInBothLanguages > /dev/null
echo "pictures: $out/desktop-map.png $out/desktop-dialog-en.png $out/desktop-dialog-chart-en.png $out/desktop-dialog-ru.png"
