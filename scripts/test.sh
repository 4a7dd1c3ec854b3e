#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
# The glTF validator the tests run on every file they write.
[ -d tests/validator/node_modules/gltf-validator ] || npm ci --prefix tests/validator --no-audit --no-fund --silent
# three.js for the studio page, three.js and its bundler for the review page,
# and the browser driver of their tests.
[ -d cli/studio/web/node_modules/three ] || npm ci --prefix cli/studio/web --no-audit --no-fund --silent
[ -d cli/review/web/node_modules/esbuild ] || npm ci --prefix cli/review/web --no-audit --no-fund --silent
[ -d tests/cli/studio/browser/node_modules/playwright-core ] || npm ci --prefix tests/cli/studio/browser --no-audit --no-fund --silent
# The program optimised as shipped; the test programs' own code at -O1, which
# builds in two thirds of the time and runs them as fast where they wait on it.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DFERNWICK_TEST_FLAGS=-O1
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
