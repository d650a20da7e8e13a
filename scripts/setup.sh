# Shared set-up of run.sh and test.sh: the Debian packages the build and the tests need,
# then configure and build with CMake. Sourced, not run.

VARN_PACKAGES=(
  cmake g++ make pkg-config
  clang libclang-rt-dev
  qt6-base-dev libgl-dev qt6-translations-l10n
  libgif-dev zlib1g-dev libxxhash-dev
  libgtest-dev libbenchmark-dev
  fonts-noto-cjk
  gifsicle python3 python3-pil
)

# Installs the packages that are missing: with apt-get when run as root, otherwise prints the
# command to run and stops.
varn_install_packages() {
  if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "dpkg-query not found: install by hand: ${VARN_PACKAGES[*]}" >&2
    return 0
  fi
  local missing=() package
  for package in "${VARN_PACKAGES[@]}"; do
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
