#!/usr/bin/env bash
# Installs what the build needs and the machine may lack (Debian packages).
set -euo pipefail
need=()
for pkg in cmake g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libpng-dev libtinygltf-dev nlohmann-json3-dev nodejs npm; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
