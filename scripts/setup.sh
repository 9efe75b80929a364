#!/usr/bin/env bash
# Installs, from Debian's packages, everything the builds and tests need.
# Idempotent: packages already present are skipped, and apt is not touched at
# all when nothing is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  googletest
  wine64 xvfb xauth imagemagick
  clang-14 libclang-rt-14-dev
  libtomlplusplus-dev zlib1g-dev liblz4-dev
  python3-pefile
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all build and test packages are present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
