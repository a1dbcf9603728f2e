#!/usr/bin/env bash
# Installs the dependencies, builds and runs the whole test suite.
#   scripts/test.sh                      the suite
#   scripts/test.sh --sanitize address   the suite under AddressSanitizer + UBSan (build-asan/)
#   scripts/test.sh --sanitize thread    the device-manager tests under ThreadSanitizer (build-tsan/)
#   scripts/test.sh --coverage           the suite with line coverage of the program's code, printed
#                                        per folder and in total (build-coverage/)
#   scripts/test.sh --fuzz               the libFuzzer targets built with clang, ASan and UBSan
#                                        (build-fuzz/), each run briefly from its seeds; any crash,
#                                        leak, hang or sanitizer report fails
set -euo pipefail
cd "$(dirname "$0")/.."

sanitizer=""
coverage=false
if [ "${1:-}" = "--sanitize" ]; then
    sanitizer=${2:?address or thread}
elif [ "${1:-}" = "--coverage" ]; then
    coverage=true
elif [ "${1:-}" = "--fuzz" ]; then
    scripts/install-deps.sh --fuzz
    build_dir=build-fuzz
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DTARN_FUZZ=ON
    cmake --build "$build_dir" -j"$(nproc)" --target fuzzers
    # Each target runs on a copy of its seeds, so the fuzzing leaves the repository alone; what
    # it finds lands in build-fuzz/fuzz/crash-... (see the README).
    run=$build_dir/fuzz
    rm -rf "$run" && mkdir -p "$run"
    cp -r tests/fuzz/corpus/. "$run/"
    export ASAN_OPTIONS=detect_leaks=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # Thirty seconds each, as many at once as there are cores.
    fuzz_one() {
        if ! "$build_dir/tests/fuzz/fuzz_$1" -max_total_time=30 -timeout=10 \
            -artifact_prefix="$run/" "$run/$1" >"$run/$1.log" 2>&1; then
            tail -n 60 "$run/$1.log"
            echo "fuzz_$1 failed: $run/$1.log"
            return 1
        fi
        grep -h '^Done' "$run/$1.log" | sed "s/^/fuzz_$1: /"
    }
    export -f fuzz_one
    export build_dir run
    find tests/fuzz/corpus -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort |
        xargs -P "$(nproc)" -I{} bash -c 'fuzz_one {}'
    exit 0
fi

scripts/install-deps.sh --tests

tests=()
if $coverage; then
    export BUILD_DIR=build-coverage
    scripts/build.sh -DTARN_COVERAGE=ON
    find "$BUILD_DIR" -name '*.gcda' -delete
    # A test runs the tool as the user nobody: it must be able to write its counts too, or the
    # tool complains on its standard error, which that test reads.
    find "$BUILD_DIR" -type d -exec chmod a+w {} +
    umask 000
    # The VM test runs the programs inside the emulated machine, where nothing is counted.
    (cd "$BUILD_DIR" && ctest --output-on-failure --timeout 600 -j"$(nproc)" -E 'vm|package')
    # Counts of objects the build no longer links (their source was moved or deleted since an
    # earlier build in this directory) would be merged with the current ones: they are left out.
    python3 - "$BUILD_DIR" <<'PY'
import glob, os, sys
os.chdir(sys.argv[1])
linked = set()
for link in glob.glob("**/CMakeFiles/*.dir/link.txt", recursive=True):
    folder = os.path.dirname(os.path.dirname(os.path.dirname(link)))
    linked.update(os.path.normpath(os.path.join(folder, word))
                  for word in open(link).read().split() if word.endswith(".o"))
for notes in glob.glob("**/*.gcno", recursive=True):
    if os.path.normpath(notes[:-5] + ".o") not in linked:
        for stale in (notes, notes[:-5] + ".gcda"):
            if os.path.exists(stale):
                os.remove(stale)
PY
    # The program's own code: not the tests, the virtual devices, the benchmarks or what the
    # build generated. Headers are compiled through the build's include trees
    # (BUILD_DIR/include/<library>/<folder>/...) and count for their folder.
    gcovr --root . --object-directory "$BUILD_DIR" --exclude-unreachable-branches \
        --gcov-ignore-parse-errors --txt - 2>/dev/null \
        | awk -v build="$BUILD_DIR" '
            NF == 1 && $1 ~ /\// { name = $1; next }  # a long name: its figures follow
            $1 ~ /\// && $2 ~ /^[0-9]+$/ { name = $1; lines = $2; hit = $3 }
            $1 ~ /^[0-9]+$/ && $3 ~ /%$/ && name != "" { lines = $1; hit = $2 }
            name != "" && lines != "" {
                path = name
                if (index(path, build "/include/") == 1) {
                    path = substr(path, length(build "/include/") + 1)
                    sub(/^[^\/]+\//, "", path)  # the library whose include tree it is
                } else if (index(path, build "/") == 1) {
                    path = ""  # generated: moc, uic, rcc
                }
                split(path, part, "/")
                if (part[2] != "" && part[1] !~ /^(tests|sim|bench)$/) {
                    total[part[1]] += lines; covered[part[1]] += hit
                }
                name = ""; lines = ""
            }
            END {
                printf "%-12s %7s %8s %7s\n", "folder", "lines", "covered", "share"
                for (folder in total) {
                    printf "%-12s %7d %8d %6.1f%%\n", folder, total[folder], covered[folder],
                           100 * covered[folder] / total[folder] | "sort"
                    all += total[folder]; hitAll += covered[folder]
                }
                close("sort")
                printf "%-12s %7d %8d %6.1f%%\n", "total", all, hitAll, 100 * hitAll / all
            }'
    exit 0
fi
if [ -z "$sanitizer" ]; then
    export BUILD_DIR=build
    scripts/build.sh -DTARN_WERROR=ON
else
    export BUILD_DIR=build-$([ "$sanitizer" = thread ] && echo tsan || echo asan)
    scripts/build.sh -DTARN_WERROR=ON -DTARN_SANITIZE="$sanitizer"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
    if [ "$sanitizer" = thread ]; then
        tests=(-R 'usbmanager')
    else
        # The VM test boots an emulated machine and the package test packs the programs: neither
        # gains from the sanitizers.
        tests=(-E 'vm|package')
    fi
fi

cd "$BUILD_DIR"
ctest --output-on-failure --timeout 600 -j"$(nproc)" "${tests[@]}"
