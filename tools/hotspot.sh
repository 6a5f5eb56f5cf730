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
    # A registry out of reach is told in a few seconds, not after npm's retries.
    (cd "$cache/dl" && timeout 600 npm pack --loglevel=error --fetch-retries=1 --fetch-retry-mintimeout=2000 \
      --fetch-retry-maxtimeout=5000 "$package" >/dev/null 2>"$cache/dl/npm.txt") ||
      { rm -f "$cache/dl/$tarball"; skip "the npm registry did not give $package ($(grep -m1 . "$cache/dl/npm.txt"))"; }
  fi
  if [ "$(sha256sum "$cache/dl/$tarball" | cut -d' ' -f1)" != "$sha" ]; then
    rm -f "$cache/dl/$tarball"
    skip "$package is not the pinned one (its sha256 differs)"
  fi
}

# Unpacked and given its archive in a folder of its own, then moved into
# place: a cut-short run leaves no image that looks whole.
prepare() {
  local work
  work=$(mktemp -d "$cache/work.XXXXXX")
  tar -xzf "$cache/dl/$tarball" -C "$work" || { rm -rf "$work"; skip "$tarball would not unpack"; }
  local jre=$work/package/jre
  local win="Z:${jre//\//\\}"
  "$here/../tests/rig/with-display.sh" /usr/lib/wine/wine64 "$win\\bin\\java.exe" -Xshare:dump \
    >"$work/dump.txt" 2>&1 </dev/null 8>&-
  [ -s "$jre/bin/server/classes.jsa" ] || { rm -rf "$work"; skip "its java -Xshare:dump made no archive"; }
  rm -rf "$image" && mv "$jre" "$image" && rm -rf "$work"
}

# One set-up at a time for every clone that shares the cache.
mkdir -p "$cache"
exec 8>"$cache/lock"
flock 8
[ -f "$image/bin/server/classes.jsa" ] || { fetch; prepare; }
exec 8>&-
ln -s "$image" "$B/hotspot/jre17"
echo "HotSpot: Temurin 17.0.17 in $image"
