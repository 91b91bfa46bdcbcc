#!/usr/bin/env bash
# Installs the Debian packages Plotlet builds and runs with. Safe to run again: it asks apt
# only for what dpkg does not already report as installed, and does nothing otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  clang-14 libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgdal-dev gdal-bin
  libcairo2-dev libfontconfig-dev libdeflate-dev zlib1g-dev fonts-liberation fonts-dejavu-core
  nlohmann-json3-dev libcli11-dev
  libgoogle-perftools-dev
  poppler-utils librsvg2-bin  # the tests draw SVG and PDF pictures back into pixels
  python3  # the layer-order check among the tests
  qt6-base-dev qt6-qpa-plugins
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# The package lists may be stale or absent on a fresh machine; refresh once, then install.
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
