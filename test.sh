#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
# Arguments go to ctest (for example -R text).
#
# A run without arguments then runs every fuzz target briefly (./fuzz.sh), so that a reader
# of outside input that starts to crash shows here too: VARN_FUZZ_SECONDS seconds per target
# (default 10; 0 skips the fuzzing).
set -euo pipefail
VARN_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$VARN_ROOT/scripts/setup.sh"

varn_install_packages "${VARN_TEST_PACKAGES[@]}"
# One build serves the tests and the fuzzing: clang with AddressSanitizer and UBSan, the core
# also instrumented for the fuzz targets (see CMakeLists.txt). Line tables only: sanitizer
# reports still name files and lines, and the build and its links take far less time than with
# full debug information. Each library and program is compiled as a few large units (a unity
# build), which parses the standard library, GoogleTest and Qt once for many files. The benchmarks are built by the tests'
# plain build of the command-line tool, without the sanitizers that would make their figures
# meaningless.
build="$VARN_ROOT/build-tests"
# Ninja compiles a library's files while the libraries below it are still being linked, which
# keeps both processors busy. A build folder set up with another compiler or generator is set
# up anew.
if [ -f "$build/CMakeCache.txt" ] &&
  ! { grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$build/CMakeCache.txt" &&
    grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$build/CMakeCache.txt"; }; then
  rm -rf "$build"
fi
# shellcheck disable=SC2046
varn_build "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only -DVARN_SANITIZE=ON -DVARN_BUILD_TESTS=ON \
  -DVARN_BUILD_FUZZ=ON -DVARN_BUILD_BENCH=OFF -DCMAKE_UNITY_BUILD=ON $(varn_linker_option)
ctest --test-dir "$build" --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"

fuzz_seconds=${VARN_FUZZ_SECONDS:-10}
if [ $# -eq 0 ] && [ "$fuzz_seconds" != 0 ]; then
  VARN_FUZZ_BUILD="$build" "$VARN_ROOT/fuzz.sh" all "$fuzz_seconds"
fi
