#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
# Arguments go to ctest (for example -R text).
set -euo pipefail
VARN_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$VARN_ROOT/scripts/setup.sh"

varn_install_packages
varn_build "$VARN_ROOT/build-tests" -DCMAKE_BUILD_TYPE=Debug -DVARN_SANITIZE=ON -DVARN_BUILD_TESTS=ON
ctest --test-dir "$VARN_ROOT/build-tests" --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"
