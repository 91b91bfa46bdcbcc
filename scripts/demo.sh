#!/usr/bin/env bash
# The main job on the bundled sample map: bar charts of the births of 1974 and 1979 beside every
# county (labelled, with leaders where a chart stands off, crowded labels shortened, arranged so
# that no two collide), saved
# as a map document and drawn into pictures with a map legend, a title and a scale bar.
set -euo pipefail
bin=${1:-build/bin}
mkdir -p out
"$bin/plotlet" draw examples/nc/nc.pmx --layer county_points --fields BIR74,BIR79 --key NAME \
  --placement ne --size 90 --bar-width 14 --font-size 7 --labels --leaders --short-numbers --arrange \
  --save out/nc-charts.pmx --out out/nc-charts.png --width 2000 \
  --title "Births in North Carolina, 1974 and 1979" --scale-bar --north-arrow > /dev/null
for format in svg pdf; do
  "$bin/plotlet" render out/nc-charts.pmx --out "out/nc-charts.$format" \
    --title "Births in North Carolina, 1974 and 1979" --scale-bar --north-arrow > /dev/null
done
# A second map charting the births of non-white mothers in the first map's colours: the legend
# of one chart is saved and the new fields are paired with its fields by hand (their names differ).
"$bin/plotlet" legend out/nc-charts.pmx --chart Ashe --out out/nc-legend.leg > /dev/null 2>&1
"$bin/plotlet" draw examples/nc/nc.pmx --layer county_points --fields NWBIR74,NWBIR79 --key NAME \
  --legend out/nc-legend.leg --pair NWBIR74=BIR74 --pair NWBIR79=BIR79 --placement ne \
  --size 90 --bar-width 14 --font-size 7 --labels --leaders --arrange \
  --save out/nc-nonwhite.pmx --out out/nc-nonwhite.png --width 2000 > /dev/null 2>&1
echo "picture: out/nc-charts.png (also out/nc-charts.svg and out/nc-charts.pdf)"
echo "map document: out/nc-charts.pmx"
echo "legend of the chart of Ashe county: out/nc-legend.leg"
echo "second map in the same colours: out/nc-nonwhite.png, out/nc-nonwhite.pmx"
