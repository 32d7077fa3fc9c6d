#!/usr/bin/env bash
# Cross-builds libcurl (Schannel) and cJSON for one mingw-w64 target from Debian's own
# source packages, into a cache folder outside the repository keyed by version and target.
# Prints the install prefix as its last line. A second run with the same versions only prints it.
#
#   build-deps.sh <x86_64-w64-mingw32|i686-w64-mingw32> [cache-root]
set -euo pipefail

triple=${1:?target triple}
cache=${2:-${ORB_DEPS_CACHE:-$HOME/.cache/orb-deps}}
here=$(cd "$(dirname "$0")" && pwd)
toolchain=$here/../../cmake/toolchain-$([ "$triple" = i686-w64-mingw32 ] && echo mingw32 || echo mingw64).cmake

# The native -dev packages name the versions we build, so every build uses the same code.
curl_ver=$(dpkg-query -W -f='${Version}' libcurl4-openssl-dev)
cjson_ver=$(dpkg-query -W -f='${Version}' libcjson-dev)
prefix=$cache/$triple/curl-$curl_ver+cjson-$cjson_ver

if [ -f "$prefix/.complete" ]; then
  echo "deps: reusing $prefix" >&2
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
exec 9>"$cache/.lock"
flock 9   # one fetch/build at a time, also across parallel builds of both targets
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

src=$cache/src
fetch_sources() {
  [ -f "$src/.fetched-$curl_ver+$cjson_ver" ] && return 0
  local d=$cache/apt
  rm -rf "$d" "$src"; mkdir -p "$d/lists/partial" "$d/cache/archives/partial" "$src"
  # deb-src entries copied from the system's own deb entries, read at run time.
  awk 'BEGIN{RS=""; ORS="\n\n"}
       /(^|\n)Types:[^\n]*deb/ && /(^|\n)Suites:[^\n]*bookworm/ {
         out="Types: deb-src\n"
         n=split($0, L, "\n")
         for (i=1;i<=n;i++) if (L[i] ~ /^(URIs|Suites|Components|Signed-By):/) out=out L[i] "\n"
         printf "%s\n", out
       }' /etc/apt/sources.list.d/debian.sources > "$d/orb-src.sources"
  local APT=(-o APT::Sandbox::User=root -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$d"
             -o Dir::State::Lists="$d/lists" -o Dir::Cache="$d/cache")
  apt-get "${APT[@]}" update -qq
  (cd "$src" && { apt-get "${APT[@]}" source -qq "curl=$curl_ver" || apt-get "${APT[@]}" source -qq curl; }) 
  (cd "$src" && { apt-get "${APT[@]}" source -qq "cjson=$cjson_ver" || apt-get "${APT[@]}" source -qq cjson; })
  touch "$src/.fetched-$curl_ver+$cjson_ver"
}
fetch_sources

curl_src=$(find "$src" -maxdepth 1 -type d -name 'curl-*' | head -n1)
cjson_src=$(find "$src" -maxdepth 1 -type d -name 'cjson-*' | head -n1)
[ -d "$curl_src" ] && [ -d "$cjson_src" ] || { echo "deps: sources missing in $src" >&2; exit 1; }

rm -rf "$prefix"; mkdir -p "$prefix/include/cjson" "$prefix/lib"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

echo "deps: cJSON $cjson_ver for $triple" >&2
"$triple-gcc-posix" -O2 -std=c89 -c "$cjson_src/cJSON.c" -o "$work/cJSON.o"
"$triple-ar" rcs "$prefix/lib/libcjson.a" "$work/cJSON.o"
cp "$cjson_src/cJSON.h" "$prefix/include/cjson/"

echo "deps: libcurl $curl_ver for $triple (Schannel)" >&2
cmake -S "$curl_src" -B "$work/curl" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DCURL_USE_SCHANNEL=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
  -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DCURL_ZLIB=ON -DCURL_USE_LIBPSL=OFF \
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DENABLE_MANUAL=OFF >"$work/curl-configure.log" 2>&1 \
  || { cat "$work/curl-configure.log" >&2; exit 1; }
cmake --build "$work/curl" >"$work/curl-build.log" 2>&1 || { tail -50 "$work/curl-build.log" >&2; exit 1; }
cmake --install "$work/curl" >/dev/null

touch "$prefix/.complete"
echo "$prefix"
