#!/usr/bin/env bash
# Builds the command-line tool and runs its main job: a sample model library
# in a fresh temporary folder, and its tree of folders and models.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target zldb
./build/zldb --version
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
./build/zldb demo "$work/demo.zdb"
./build/zldb tree "$work/demo.zdb"
