#!/usr/bin/env bash
# Installs what the build needs and the machine may lack (Debian packages).
# With --fuzz: also clang with libFuzzer and OpenMP, for the sanitizer and fuzz build.
# The studio needs cpp-httplib; its browser test drives Debian's Chromium.
set -euo pipefail
need=()
pkgs=(cmake g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpng-dev libtinygltf-dev nlohmann-json3-dev
      libcpp-httplib-dev pkg-config chromium)
[ "${1:-}" = "--fuzz" ] && pkgs+=(clang libclang-rt-dev libomp-dev)
for pkg in "${pkgs[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
# Node.js may come from outside the package manager; only add it when missing.
command -v node >/dev/null 2>&1 || need+=(nodejs)
command -v npm >/dev/null 2>&1 || need+=(npm)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
