#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, skipping what is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3 dpkg-dev file openssl ca-certificates locales
  googletest libgtest-dev libgmock-dev
  libcurl4-openssl-dev libcjson-dev zlib1g-dev
  clang libclang-rt-14-dev
  mingw-w64 libz-mingw-w64-dev
  wine wine64
  xvfb xauth xdotool imagemagick
  nginx aria2
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# A 32-bit wine loader cannot run on these machines and would shadow the 64-bit one.
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "wine32:i386 is installed; remove it (it takes over /usr/bin/wine and cannot run here)" >&2
  exit 1
fi

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "system packages: all present"
fi
