#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, runs the
# whole test suite, checks formatting, gives each fuzz target a short run, and
# builds, installs, runs and purges the Debian packages (scripts/test-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON -DENABLE_BENCH=ON
cmake --build "$build" -j "$jobs"
cmake --build "$build" --target check-format

# The fuzz targets need clang and a build of their own.
if ls fuzz/fuzz_*.cpp >/dev/null 2>&1; then
    CC=clang CXX=clang++ cmake -S . -B "$build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENABLE_FUZZ=ON
    cmake --build "$build-fuzz" -j "$jobs"
    for target in "$build-fuzz"/bin/fuzz_*; do
        name=$(basename "$target")
        corpus=$(mktemp -d)
        seeds=fuzz/seeds/${name#fuzz_}
        [ -d "$seeds" ] || seeds=tests/data
        dict=fuzz/dict/results.dict
        [[ $name == *request* ]] && dict=fuzz/dict/requests.dict
        echo "Fuzzing $name for a few seconds"
        if ! "$target" -dict="$dict" -max_total_time=5 -timeout=10 -rss_limit_mb=2048 "$corpus" "$seeds" \
            >"$corpus.log" 2>&1; then
            tail -n 60 "$corpus.log"
            exit 1
        fi
        grep -E '^Done' "$corpus.log" || true
        rm -rf "$corpus" "$corpus.log"
    done
fi

(cd "$build" && ctest --output-on-failure -j "$jobs")

bash scripts/test-package.sh "$build"
