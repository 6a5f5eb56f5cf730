#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, and nothing
# when all of it is already there, so that `make` stays quick on a ready machine.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth googletest \
         clang libclang-rt-14-dev python3 file; do
  have_pkg "$p" || need+=("$p")
done

[ ${#need[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "install-deps: installing ${need[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
