#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz and runs each for a bounded time from a copy of its seed corpus, so the tree
# stays as it is. Fails when a target crashes; the crashing input is kept under
# build-fuzz/fuzz/run/<target>/artifacts/. FUZZ_SECONDS sets the time per target (default 45).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-45}"
build=build-fuzz

if ! command -v clang++ >/dev/null 2>&1; then
    echo "run-fuzzers: clang++ not found" >&2
    exit 1
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKALUMET_BUILD_FUZZERS=ON -DKALUMET_BUILD_TESTS=OFF -DKALUMET_BUILD_BENCHMARKS=OFF >/dev/null

list="$build/fuzz/fuzz-targets.txt"
mapfile -t targets < <(cut -d' ' -f1 "$list")
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"

status=0
while read -r target corpus; do
    work="$build/fuzz/run/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    if [ -d "$corpus" ]; then
        cp -R "$corpus"/. "$work/corpus/"
    fi
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$work/artifacts/")
    if [ -f "fuzz/$target.dict" ]; then
        options+=(-dict="fuzz/$target.dict")
    fi
    echo "run-fuzzers: $target for ${seconds}s"
    if "$build/fuzz/$target" "${options[@]}" "$work/corpus" >"$work/log.txt" 2>&1; then
        grep -E '^stat::number_of_executed_units' "$work/log.txt" || true
    else
        echo "run-fuzzers: $target FAILED (log $work/log.txt, inputs in $work/artifacts)" >&2
        tail -n 60 "$work/log.txt" >&2
        status=1
    fi
done <"$list"
exit "$status"
