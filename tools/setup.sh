#!/usr/bin/env bash
# Installs the Debian packages the project needs (when missing), then
# configures and builds the tree in the given build folder.
# Usage: tools/setup.sh BUILD_DIR [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: tools/setup.sh BUILD_DIR [cmake args...]}
shift

# Build and tests; the Debian package step (CPack with shlibdeps needs file and
# dpkg-shlibdeps from dpkg-dev); the man-page check (groff); fonts for the
# front end's rendered windows; git and certificates for clones on a bare system.
packages=(g++ cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libgraphviz-dev qt6-qpa-plugins libgl-dev
          graphviz xvfb xauth yosys iverilog nlohmann-json3-dev clang libclang-rt-14-dev
          file dpkg-dev groff-base fonts-dejavu-core git ca-certificates)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup: not root and no sudo; install as root: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
  fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build" -j "$(nproc)"
