#!/usr/bin/env bash
# tools/hotspot.sh BUILD: a real HotSpot for the tests, Eclipse Temurin 17
# for Windows x64 (a jlink image, GPLv2 with the Classpath Exception, see its
# legal\), fetched from the npm registry by pinned version and sha256 into a
# cache of its own, so that a fresh clone on the same machine does not fetch
# it again. The image gets bin\server\classes.jsa from its own
# `java -Xshare:dump`, as shipped JDK images have it. BUILD/hotspot/jre17 then
# points at it; where it cannot be had, BUILD/hotspot/skipped says why in one
# line, and the suite skips with that line. Never a failure of the build.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
B=$(cd "${1:-build}" && pwd)
cache=${TARVO_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarvo}/hotspot
package=@node-plantuml-2/jre-win32-x64@1.1.8
tarball=node-plantuml-2-jre-win32-x64-1.1.8.tgz
sha=6ab29e67f68543aba53fa1ca7c80c75c0a8b4117cd1bad11bfa25d8913bc6489
image=$cache/temurin-17.0.17

mkdir -p "$B/hotspot"
rm -f "$B/hotspot/skipped" "$B/hotspot/jre17"
skip() {
  echo "HotSpot suite skipped: $*" | tee "$B/hotspot/skipped"
  exit 0
}

fetch() {
  command -v npm >/dev/null || skip "npm is missing"
  mkdir -p "$cache/dl"
  if [ ! -f "$cache/dl/$tarball" ]; then
    (cd "$cache/dl" && timeout 600 npm pack --silent "$package" >/dev/null 2>"$cache/dl/npm.txt") ||
      { rm -f "$cache/dl/$tarball"; skip "the npm registry did not give $package ($(tail -1 "$cache/dl/npm.txt"))"; }
  fi
  if [ "$(sha256sum "$cache/dl/$tarball" | cut -d' ' -f1)" != "$sha" ]; then
    rm -f "$cache/dl/$tarball"
    skip "$package is not the pinned one (its sha256 differs)"
  fi
}

# Unpacked and given its archive in a folder of its own, then moved into
# place: a cut-short run leaves no image that looks whole.
prepare() {
  local work=$cache/work
  rm -rf "$work" && mkdir -p "$work"
  tar -xzf "$cache/dl/$tarball" -C "$work" || skip "$tarball would not unpack"
  local jre=$work/package/jre
  local win="Z:${jre//\//\\}"
  "$here/../tests/rig/with-display.sh" /usr/lib/wine/wine64 "$win\\bin\\java.exe" -Xshare:dump \
    >"$work/dump.txt" 2>&1 </dev/null
  [ -s "$jre/bin/server/classes.jsa" ] || skip "its java -Xshare:dump made no archive ($(tail -1 "$work/dump.txt"))"
  rm -rf "$image" && mv "$jre" "$image" && rm -rf "$work"
}

[ -f "$image/bin/server/classes.jsa" ] || { fetch; prepare; }
ln -s "$image" "$B/hotspot/jre17"
echo "HotSpot: Temurin 17.0.17 in $image"
