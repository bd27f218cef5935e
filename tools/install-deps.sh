#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the tests and the benchmarks
# need and the machine lacks. Idempotent: a machine that has it all is left
# alone without touching the network.
set -eu
pkgs=(
  cmake ninja-build g++ make python3 ccache
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 xvfb xauth
  googletest libgtest-dev libbenchmark-dev
  pocl-opencl-icd ocl-icd-opencl-dev opencl-headers
  clang libclang-rt-14-dev lld
  libyuv-dev libfftw3-dev libavutil-dev libswscale-dev libopencv-dev
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root (or install the packages above yourself)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
