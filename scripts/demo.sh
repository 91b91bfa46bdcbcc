#!/usr/bin/env bash
# Runs the main job on the bundled sample map and says where the results are.
set -euo pipefail
bin=${1:-build/bin}
mkdir -p out
"$bin/plotlet" commands
