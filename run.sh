#!/usr/bin/env bash
# Sets up, builds and starts the editor. Arguments go to the editor (a ROM image to open).
set -euo pipefail
VARN_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$VARN_ROOT/scripts/setup.sh"

varn_install_packages
varn_build "$VARN_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARN_BUILD_TESTS=OFF -DVARN_BUILD_BENCH=OFF
exec "$VARN_ROOT/build/bin/varnwork" "$@"
