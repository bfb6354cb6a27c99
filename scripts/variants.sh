#!/usr/bin/env bash
# Every end-to-end scenario across the simulator's variants with seeds 1 to SEEDS, the tests
# split over JOBS processes; prints each failure with the variant and seed to replay, and the
# time the run took. `make test` plays a fixed small set of the same.
set -uo pipefail
BUILD=${BUILD:-build}
SEEDS=${SEEDS:-20}
JOBS=${JOBS:-2}
FILTER='Variants/*:LostOr/*'
start=$(date +%s)
logs=()
pids=()
for ((i = 0; i < JOBS; i++)); do
    log="$BUILD/variants.$i.log"
    logs+=("$log")
    FATHOM_SEEDS=$SEEDS QT_QPA_PLATFORM=offscreen \
        GTEST_TOTAL_SHARDS=$JOBS GTEST_SHARD_INDEX=$i \
        "$BUILD/tests/test_e2e" --gtest_filter="$FILTER" >"$log" 2>&1 &
    pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
elapsed=$(($(date +%s) - start))
ran=$(grep -h '^\[       OK \]\|^\[  FAILED  \].*(' "${logs[@]}" | wc -l)
grep -h '^\[  FAILED  \].*(' "${logs[@]}" | sed 's/^/variants: /'
echo "variants: $ran tests, seeds 1 to $SEEDS, in $((elapsed / 60)) min $((elapsed % 60)) s$([ $failed = 0 ] && echo ', all passed' || echo '; logs in '"$BUILD"'/variants.*.log')"
exit $failed
