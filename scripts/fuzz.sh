#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS (first argument, default 60) on a copy of its seed
# corpus, one after the other, and prints a line per target. `make test` runs it briefly so
# that a parser that starts to crash shows at once; `make fuzz` runs it longer.
# Needs clang with its fuzzer runtime (clang, libclang-rt-14-dev); without them it says so and
# skips, so the tests still run on a machine that lacks them.
set -uo pipefail
seconds=${1:-60}
build=${FUZZ_BUILD:-build-fuzz}
cd "$(dirname "$0")/.."

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    > "$probe/p.cpp"
if ! command -v clang++ >/dev/null 2>&1 ||
    ! clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1; then
    echo "fuzz: SKIPPED, clang++ with its fuzzer runtime is not installed (clang, libclang-rt-14-dev)"
    exit 0
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFATHOM_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang ${CMAKE_ARGS:-} >/dev/null || exit 1
cmake --build "$build" --target fuzz_all -j "${JOBS:-$(nproc)}" >"$build/fuzz-build.log" 2>&1 || {
    tail -30 "$build/fuzz-build.log"
    exit 1
}

status=0
for f in "$build"/fuzz/fuzz_*; do
    name=$(basename "$f")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    cp -n fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null
    if "$f" -max_total_time="$seconds" -print_final_stats=1 "$corpus" >"$build/$name.log" 2>&1; then
        result=clean
    else
        result=FAILED
        status=1
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$name.log" | grep -o '[0-9]*$')
    cov=$(grep -o 'cov: [0-9]*' "$build/$name.log" | tail -1 | grep -o '[0-9]*$')
    echo "fuzz: $name $result, ${runs:-0} runs, coverage ${cov:-?} in $seconds s (log $build/$name.log)"
    [ "$result" = FAILED ] && tail -40 "$build/$name.log"
done
exit $status
