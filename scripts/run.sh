#!/usr/bin/env bash
# Installs what is missing, builds, and starts the manager on its default
# configuration with the simulated vendor libraries. The program keeps its
# config_tef.json and z3_log.txt in build/bin, beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

cd build/bin
export Z3_LIB_DIR="$PWD"
exec ./Z3_TEFZoduvud "$@"
