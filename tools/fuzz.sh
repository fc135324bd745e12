#!/usr/bin/env bash
# Builds the libFuzzer programs with clang (instrumented, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one on its seed corpus for a bounded
# time: [seconds] in total (default 60), shared by the host-state, preset-file and
# clipboard inputs. New corpus entries stay in build-fuzz/corpus; a failing input
# is written to build-fuzz/artifacts and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz
inputs=(state preset clipboard)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DQUILLMOR_FUZZ=ON -DQUILLMOR_BUILD_TESTS=OFF -DQUILLMOR_BUILD_BENCH=OFF
cmake --build "$build" --target "${inputs[@]/#/quillmor_fuzz_}"

each=$(( seconds / ${#inputs[@]} ))
(( each >= 1 )) || each=1
mkdir -p "$build/artifacts"

for input in "${inputs[@]}"; do
    mkdir -p "$build/corpus/$input"
    log="$build/fuzz-$input.log"
    # The largest seed is under 2 KB; inputs up to 16 KB leave room to grow, and a
    # preset or state ten times that size is treated as any other.
    if ! "$build/tests/fuzz/quillmor_fuzz_$input" \
             -max_total_time="$each" -max_len=16384 -timeout=10 -dict=tests/fuzz/state.dict \
             -rss_limit_mb=2048 -malloc_limit_mb=256 \
             -artifact_prefix="$build/artifacts/$input-" -print_final_stats=1 \
             "$build/corpus/$input" "tests/fuzz/corpus/$input" > "$log" 2>&1; then
        tail -n 80 "$log"
        echo "fuzz: the $input input failed; the input is in $build/artifacts/" >&2
        exit 1
    fi
    echo "fuzz $input: $(grep -E '^(Done|stat::number_of_executed_units)' "$log" | head -n 1)"
done
