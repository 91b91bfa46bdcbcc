#!/usr/bin/env bash
# A GeoPackage of N random points in a 100 km square (EPSG:3857) with five fields a..e of
# random values 0..100, the same points for the same seed: the data of the timing runs that
# set `plotlet draw` beside its peers. Usage: make-random-points.sh N out.gpkg [seed]
set -euo pipefail
n=${1:?number of points}
out=${2:?output GeoPackage}
seed=${3:-42}
csv=$(mktemp --suffix=.csv)
trap 'rm -f "$csv"' EXIT
python3 - "$n" "$seed" > "$csv" <<'PY'
import random, sys
n, seed = int(sys.argv[1]), int(sys.argv[2])
rnd = random.Random(seed)
w = sys.stdout.write
w("x,y,a,b,c,d,e\n")
for _ in range(n):
    x, y = rnd.uniform(0, 100000.0), rnd.uniform(0, 100000.0)
    w("%.17g,%.17g,%s\n" % (x, y, ",".join("%.17g" % rnd.uniform(0, 100) for _ in range(5))))
PY
rm -f "$out"
ogr2ogr -f GPKG "$out" "$csv" -nln points -a_srs EPSG:3857 -oo X_POSSIBLE_NAMES=x -oo Y_POSSIBLE_NAMES=y \
  -oo AUTODETECT_TYPE=YES -oo KEEP_GEOM_COLUMNS=NO
