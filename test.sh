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

varn_install_packages
# Line tables only (-g1): sanitizer reports still name files and lines, and the build and its
# links take far less time than with full debug information. The benchmarks are built by the
# tests' plain build of the command-line tool, without the sanitizers that would make their
# figures meaningless.
varn_build "$VARN_ROOT/build-tests" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DVARN_SANITIZE=ON -DVARN_BUILD_TESTS=ON -DVARN_BUILD_BENCH=OFF
ctest --test-dir "$VARN_ROOT/build-tests" --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"

fuzz_seconds=${VARN_FUZZ_SECONDS:-10}
if [ $# -eq 0 ] && [ "$fuzz_seconds" != 0 ]; then
  "$VARN_ROOT/fuzz.sh" all "$fuzz_seconds"
fi
