#!/usr/bin/env bash
# Runs the main job on the bundled sample map and says where the results are.
set -euo pipefail
bin=${1:-build/bin}
mkdir -p out
"$bin/plotlet" commands
for format in png svg pdf; do
  "$bin/plotlet" render examples/nc/nc.pmx --out "out/nc.$format"
done
echo "pictures of the sample map: out/nc.png, out/nc.svg, out/nc.pdf"
