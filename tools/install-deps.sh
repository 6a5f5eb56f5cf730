#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, and nothing
# when all of it is already there, so that `make` stays quick on a ready machine.
# The 32-bit Wine comes along only where the kernel runs 32-bit programs. The
# ARM64 launcher runs under an arm64 Wine in an emulated chroot
# (tests/rig/arm64-wine.sh), whose windows the host's X tools look at.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
install() {
  echo "install-deps: installing $*"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$@" >/dev/null
}

need=()
for p in cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth googletest \
         clang libclang-rt-14-dev lld llvm mingw-w64-common python3 file libtomlplusplus-dev osslsigncode openssl \
         openjdk-17-jdk-headless junit5 zlib1g-dev qemu-user-static debootstrap x11-utils imagemagick; do
  have_pkg "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] || install "${need[@]}"

if ! have_pkg wine32:i386 && "$here/can-run-i386.sh"; then
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  install wine32:i386
fi
