#!/usr/bin/env bash
# Installs, with apt-get, whatever of kzr's build and test dependencies this Debian machine lacks.
set -euo pipefail

packages=(cmake make g++ libgtest-dev libbenchmark-dev libquantlib0-dev libboost-dev
          clang libclang-rt-14-dev  # clang and its fuzzer runtime: the fuzz targets
          python3-dev python3-pybind11 python3-numpy python3-pytest  # the Python module
          gnuplot-nox  # kzr curve --plot
          pkg-config  # the test of the installed package
          openmpi-bin libopenmpi-dev)  # kzr-mpi

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
