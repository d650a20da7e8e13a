# Shared set-up of run.sh and test.sh: the Debian packages the build and the tests need,
# then configure and build with CMake. Sourced, not run.

# What building and running the editor needs.
VARN_PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgif-dev zlib1g-dev libxxhash-dev
  fonts-noto-cjk
)
# What the tests and the fuzzing need besides: clang with its sanitizer and libFuzzer runtimes,
# the lld linker and Ninja (the test build), GoogleTest and Google Benchmark, and the
# independent tools some tests compare against.
VARN_TEST_PACKAGES=(
  clang libclang-rt-dev lld ninja-build
  libgtest-dev libbenchmark-dev
  gifsicle python3 python3-pil
)

# varn_install_packages [PACKAGE...]: installs the packages of VARN_PACKAGES and those given
# that are missing: with apt-get when run as root, otherwise prints the command to run and
# stops.
varn_install_packages() {
  local wanted=("${VARN_PACKAGES[@]}" "$@")
  if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "dpkg-query not found: install by hand: ${wanted[*]}" >&2
    return 0
  fi
  local missing=() package
  for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Missing packages. Run:" >&2
    echo "  sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    return 1
  fi
}

# varn_build DIR [CMAKE OPTIONS...]: configures and builds the project in DIR.
varn_build() {
  local dir=$1
  shift
  cmake -S "$VARN_ROOT" -B "$dir" "$@" &&
    cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)"
}

# The CMake option that links with lld where it is installed: the test programs are large, and
# lld links them in a third of the time of the default linker.
varn_linker_option() {
  if command -v ld.lld >/dev/null 2>&1; then
    echo "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"
  fi
}
