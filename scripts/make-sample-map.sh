#!/usr/bin/env bash
# Makes the bundled sample map examples/nc/ from public data Debian ships: the North Carolina
# counties (SIDS data, 1974-78 and 1979-84) of the r-cran-sf package. No R is needed: the
# package archive is downloaded with apt-get and unpacked with dpkg -x.
#
#   examples/nc/nc.gpkg   counties (polygons) and county_points (a point on each county's surface
#                         carrying NAME, BIR74, SID74, NWBIR74, BIR79, SID79, NWBIR79), both in
#                         NC State Plane metres (EPSG:32119)
#   examples/nc/nc.pmx    the map document holding both layers, with a map and reference scale
#                         that fit the state into a picture about 2000 pixels wide at 96 dpi
#
# Needs apt-get, dpkg, awk, ogr2ogr and ogrinfo (gdal-bin, built with SpatiaLite as Debian's is).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/examples/nc"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cd "$work"
apt-get download r-cran-sf >apt.log 2>&1 || { cat apt.log >&2; exit 1; }
deb=$(ls r-cran-sf_*.deb)
dpkg -x "$deb" unpacked
src=unpacked/usr/lib/R/site-library/sf/gpkg/nc.gpkg
copyright=unpacked/usr/share/doc/r-cran-sf/copyright
[[ -f "$src" ]] || { echo "make-sample-map: $deb holds no nc.gpkg" >&2; exit 1; }
grep -q "License: GPL-2 or MIT" "$copyright" || { echo "make-sample-map: the licence of $deb changed; check $copyright" >&2; exit 1; }
echo "make-sample-map: data from $deb" >&2

# Fixed timestamps inside the GeoPackage, so running the script again gives the same file.
export OGR_CURRENT_DATE=2024-01-01T00:00:00Z

# Counties projected to NC State Plane (from NAD27 geographic coordinates).
ogr2ogr -q -f GPKG projected.gpkg "$src" -nln counties -nlt MULTIPOLYGON -t_srs EPSG:32119 \
  -sql 'SELECT NAME, FIPS, BIR74, SID74, NWBIR74, BIR79, SID79, NWBIR79, geom FROM "nc.gpkg" ORDER BY NAME'

mkdir -p "$out"
rm -f "$out/nc.gpkg"
ogr2ogr -q -f GPKG "$out/nc.gpkg" projected.gpkg counties -nln counties -nlt MULTIPOLYGON
ogr2ogr -q -update -f GPKG "$out/nc.gpkg" projected.gpkg -nln county_points -nlt POINT -dialect SQLite \
  -sql 'SELECT NAME, BIR74, SID74, NWBIR74, BIR79, SID79, NWBIR79, ST_PointOnSurface(geom) AS geom FROM counties ORDER BY NAME'

# A scale that fits the counties' extent into 2000 x 1500 pixels at 96 dpi, rounded up to two
# significant digits; the reference scale is the same, so symbols keep their size at it.
read -r xmin ymin xmax ymax < <(ogrinfo -so "$out/nc.gpkg" counties | sed -n 's/^Extent: (\(.*\), \(.*\)) - (\(.*\), \(.*\))$/\1 \2 \3 \4/p')
scale=$(awk -v xmin="$xmin" -v ymin="$ymin" -v xmax="$xmax" -v ymax="$ymax" 'BEGIN {
  vw = 2000 / 96 * 0.0254; vh = 1500 / 96 * 0.0254
  s = (xmax - xmin) / vw; if ((ymax - ymin) / vh > s) s = (ymax - ymin) / vh
  m = 10 ^ (int(log(s) / log(10)) - 1)
  r = int(s / m); if (r * m < s) r++
  printf "%d", r * m }')
echo "make-sample-map: extent $xmin $ymin $xmax $ymax, scale 1:$scale" >&2

# The document: points above counties, default symbols, both scales set.
sed -e "s/@SCALE@/$scale/g" -e "s/@XMIN@/$xmin/;s/@YMIN@/$ymin/;s/@XMAX@/$xmax/;s/@YMAX@/$ymax/" \
  "$root/examples/nc/nc.pmx.in" > "$work/nc.pmx"
mv "$work/nc.pmx" "$out/nc.pmx"
echo "make-sample-map: wrote $out/nc.gpkg and $out/nc.pmx" >&2
