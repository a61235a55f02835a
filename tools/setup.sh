#!/bin/sh
# Installs on Debian 12 (bookworm) everything that building Quillon32 and
# running every test needs, so that a fresh machine builds and tests with
# no test skipped:
#   - the Debian packages: compiler, CMake, GoogleTest, the libraries of the
#     preview (stb) and the language server (nlohmann-json), pandoc for the
#     manual page, the outside tools the tests read and write the formats
#     with, Chromium, Node.js, the MinGW-w64 cross compiler and Wine for the
#     Windows program, clang for the fuzz targets;
#   - the locked npm packages of tools/node (puppeteer-core, the SARIF
#     validator, the protocol and grammar test tools, vsce) into node/ of each
#     build directory, where the tests look for them; no browser is
#     downloaded (PUPPETEER_SKIP_DOWNLOAD).
#
#   tools/setup.sh [build directory...]    (default: build build-asan)
#
# Run it as root or as a user who may use sudo; it may be run again.
set -eu
cd "$(dirname "$0")/.."

sudo=
[ "$(id -u)" = 0 ] || sudo=sudo

packages="g++ cmake make ninja-build ccache python3 libgtest-dev googletest nlohmann-json3-dev libstb-dev libjemalloc-dev
  pandoc dpkg-dev srecord imagemagick netpbm python3-ezdxf python3-pil gettext neovim chromium
  clang libclang-rt-14-dev g++-mingw-w64-x86-64 wine wine64"
# A Node.js installed from elsewhere brings its own npm, which Debian's npm
# package would conflict with.
command -v npm >/dev/null 2>&1 || packages="$packages nodejs npm"

echo "setup: installing Debian packages"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
# shellcheck disable=SC2086
$sudo apt-get install -y -qq $packages >/dev/null

[ $# -gt 0 ] || set -- build build-asan
for dir in "$@"; do
  echo "setup: npm packages of tools/node into $dir/node"
  mkdir -p "$dir/node"
  cp tools/node/package.json tools/node/package-lock.json "$dir/node/"
  (cd "$dir/node" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --silent)
done
echo "setup: done"
