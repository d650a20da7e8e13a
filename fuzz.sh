#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs them.
#
#   ./fuzz.sh [TARGET|all] [SECONDS]
#
# Runs TARGET, or every target, for SECONDS each (default 60), as many at a time as there are
# processors (VARN_FUZZ_JOBS sets another number). A target starts from its seeds in
# fuzz/corpus/TARGET and the matching files of examples/ and data/, and keeps the inputs it
# finds in build-fuzz/corpus/TARGET for the next run. Exits with 1 when a target crashes or
# breaks a property, naming the input that did it (kept in build-fuzz/crashes/TARGET/).
#
# VARN_FUZZ_BUILD names another build folder configured with -DVARN_BUILD_FUZZ=ON (test.sh
# passes its own, whose sanitizer build has the targets already); the corpus, the crashes and
# the logs are then kept there.
set -euo pipefail
VARN_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$VARN_ROOT/scripts/setup.sh"

FUZZ_TARGETS=(vnp gif ips mml mmlrom list header text textfile settings data bps diff skill skillgif spark charsheet enemygif enemyrom enemylabels enemytext)
BUILD=${VARN_FUZZ_BUILD:-"$VARN_ROOT/build-fuzz"}

usage() {
  echo "usage: ./fuzz.sh [TARGET|all] [SECONDS]" >&2
  echo "targets: ${FUZZ_TARGETS[*]}" >&2
  exit 1
}

# The files of examples/ each target also starts from.
example_seeds() {
  case $1 in
    vnp) echo example_character.vnp ;;
    gif) echo example_sheet.gif ;;
    ips) echo example.ips ;;
    mml) echo song.mml ;;
    list) echo example_list.txt ;;
    textfile) echo Varnkit.ini song.mml example_list.txt ;;
    settings) echo Varnkit.ini ;;
  esac
}

# The data files of data/ a target also starts from.
data_seeds() {
  case $1 in
    data) echo kanji.txt item_labels.txt ;;
    enemylabels) echo enemy_labels.txt ;;
  esac
}

# The longest input a target is given: a character patch needs its 7158-byte head, a comment
# of up to 1024 bytes and the records before it; a pair of images for diff is given room for
# moved and repeated stretches, an enemy picture and a packed battle graphic room for 128 × 160
# pixels; the others start from libFuzzer's default.
max_len_option() {
  case $1 in
    vnp) echo -max_len=9216 ;;
    diff) echo -max_len=16384 ;;
    enemygif | enemyrom) echo -max_len=16384 ;;
    *) ;;
  esac
}

target=all
seconds=60
if [ $# -eq 1 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
elif [ $# -ge 1 ]; then
  target=$1
  [ $# -ge 2 ] && seconds=$2
fi
[ $# -le 2 ] || usage
[[ $seconds =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || usage
if [ "$target" = all ]; then
  selected=("${FUZZ_TARGETS[@]}")
elif [[ " ${FUZZ_TARGETS[*]} " == *" $target "* ]]; then
  selected=("$target")
else
  usage
fi

varn_install_packages "${VARN_TEST_PACKAGES[@]}"
mkdir -p "$BUILD/logs"
echo "Building the fuzz targets in $BUILD"
if [ -z "${VARN_FUZZ_BUILD:-}" ]; then
  cmake -S "$VARN_ROOT" -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    "-DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only -O1" -DVARN_BUILD_FUZZ=ON -DVARN_BUILD_TESTS=OFF \
    -DVARN_BUILD_BENCH=OFF -DVARN_BUILD_APP=OFF $(varn_linker_option) >"$BUILD/logs/configure.log"
fi
if ! cmake --build "$BUILD" --target varn_fuzz -j "$(nproc 2>/dev/null || echo 2)" \
  >"$BUILD/logs/build.log"; then
  tail -n 40 "$BUILD/logs/build.log" >&2
  exit 1
fi

# Runs one target; its log and exit status go to build-fuzz/logs/.
run_target() {
  local name=$1 seeds="$BUILD/seeds/$1" example shipped
  rm -rf "$seeds"
  mkdir -p "$seeds" "$BUILD/corpus/$name" "$BUILD/crashes/$name"
  for example in $(example_seeds "$name"); do
    cp "$VARN_ROOT/examples/$example" "$seeds/"
  done
  for shipped in $(data_seeds "$name"); do
    cp "$VARN_ROOT/data/$shipped" "$seeds/"
  done
  local status=0
  # New inputs go to the first folder. Inputs that take long (an MML macro that expands to its
  # limit) are picked less often, so that a short run is not spent on a few of them; one that
  # takes 20 seconds counts as a failure.
  # shellcheck disable=SC2046
  "$BUILD/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout=20 \
    -entropic_scale_per_exec_time=1 -print_final_stats=1 $(max_len_option "$name") \
    -artifact_prefix="$BUILD/crashes/$name/" \
    "$BUILD/corpus/$name" "$VARN_ROOT/fuzz/corpus/$name" "$seeds" \
    >"$BUILD/logs/$name.log" 2>&1 || status=$?
  echo "$status" >"$BUILD/logs/$name.status"
}

jobs=${VARN_FUZZ_JOBS:-$(nproc 2>/dev/null || echo 2)}
echo "Fuzzing ${selected[*]} for $seconds s each, $jobs at a time"
running=0
for name in "${selected[@]}"; do
  rm -f "$BUILD/logs/$name.log" "$BUILD/logs/$name.status"
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$name" &
  running=$((running + 1))
done
wait

failed=()
for name in "${selected[@]}"; do
  log="$BUILD/logs/$name.log"
  status=$(cat "$BUILD/logs/$name.status" 2>/dev/null || echo 1)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
  printf '%-9s %10s runs %8s exec/s  %s\n' "$name" "${runs:-?}" "${speed:-?}" "${coverage:-}"
  if [ "$status" -ne 0 ]; then
    failed+=("$name")
    # The report starts at the first line of the sanitizer's or the broken property's message.
    first=$(grep -n -m 1 -E 'property broken:|runtime error:|==[0-9]+== ?ERROR|^ALARM:' "$log" |
      cut -d: -f1 || true)
    echo "---- $name failed (exit status $status); from $log:" >&2
    if [ -n "$first" ]; then
      tail -n "+$first" "$log" | head -n 80 >&2
    else
      tail -n 60 "$log" >&2
    fi
    input=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
    if [ -n "$input" ]; then
      echo "---- crashing input: $input" >&2
      echo "---- run it again with: $BUILD/fuzz/${name}_fuzz $input" >&2
    fi
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing found nothing."
