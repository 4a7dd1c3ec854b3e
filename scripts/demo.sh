#!/usr/bin/env bash
# Builds fernwick and runs it on the built-in sample. Output goes to ./out.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target fernwick
mkdir -p out
./build/cli/fernwick demo -o out
echo "Done: out/demo.glb (baked character), out/demo_report.png (fit before and after) and out/demo_review.html (the review page)"
