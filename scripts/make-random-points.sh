#!/bin/bash
# A GeoPackage of N random points for measuring `plotlet draw` at scale, the same points the
# peer measurements use: uniform in a 100 km square, EPSG:3857, Python's random generator with
# seed 42, numeric fields a, b, c, d, e uniform in 0..100 (layer "points").
# Usage: scripts/make-random-points.sh N OUT.gpkg
set -euo pipefail
n=${1:?N}; out=${2:?OUT.gpkg}
csv=$(mktemp --suffix=.csv)
trap 'rm -f "$csv"' EXIT
python3 - "$n" > "$csv" <<'PY'
import random, sys
n = int(sys.argv[1])
r = random.Random(42)
w = sys.stdout.write
w("x,y,a,b,c,d,e\n")
for _ in range(n):
    x, y = r.uniform(0, 100000), r.uniform(0, 100000)
    w("%r,%r,%r,%r,%r,%r,%r\n" % (x, y, r.uniform(0, 100), r.uniform(0, 100), r.uniform(0, 100),
                                   r.uniform(0, 100), r.uniform(0, 100)))
PY
rm -f "$out"
ogr2ogr -f GPKG "$out" "$csv" -nln points -a_srs EPSG:3857 -oo X_POSSIBLE_NAMES=x -oo Y_POSSIBLE_NAMES=y \
    -oo AUTODETECT_TYPE=YES -oo KEEP_GEOM_COLUMNS=NO
