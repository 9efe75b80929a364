#!/usr/bin/env bash
# Installs, from Debian's packages, everything the builds and tests need, and the
# 32-bit Wine that runs the shipping i686 stub where this machine runs 32-bit programs.
# Idempotent: packages already present are skipped, and apt is not touched at
# all when nothing is missing.
set -euo pipefail
here=$(dirname "$0")

packages=(
  cmake ninja-build g++ make binutils
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  googletest
  wine64 xvfb xauth imagemagick xdotool
  clang-14 libclang-rt-14-dev
  libtomlplusplus-dev libcli11-dev zlib1g-dev liblz4-dev
  python3-pefile liblnk-utils fonts-dejavu-core
)
# Installed with its recommended packages, as measured to show a 32-bit program's boxes.
wine32_package=wine32:i386

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all build and test packages are present"
else
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The probe needs binutils, which the packages above bring.
if ! why=$("$here/runs-32bit"); then
  echo "setup: no 32-bit Wine: $why; the tests run the x86-64 stub"
  exit 0
fi
if installed "$wine32_package"; then
  echo "setup: the 32-bit Wine is present ($why)"
  exit 0
fi

echo "setup: installing the 32-bit Wine ($wine32_package): $why"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
# The i386 lists of a freshly added architecture sometimes fail to download: once more.
i386_lists_ready() {
  "${sudo_cmd[@]}" apt-get update -qq && apt-cache show "$wine32_package" >/dev/null 2>&1
}
if ! i386_lists_ready; then
  echo "setup: the i386 package lists did not arrive; updating again"
  sleep 5
  i386_lists_ready || { echo "setup: no i386 package lists: cannot install $wine32_package" >&2; exit 1; }
fi
"${sudo_cmd[@]}" apt-get install -y -qq "$wine32_package"
