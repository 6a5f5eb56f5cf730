#!/usr/bin/env bash
# Runs ARM64 Windows programs under Debian's arm64 Wine, in an arm64 Debian
# chroot that qemu-user runs through binfmt_misc. The chroot, its Wine and a
# Wine prefix are made once under BUILD_DIR/arm64-wine; Wine's windows open
# on the host's X display, where host tools (xwininfo, import) see them.
#
#   arm64-wine.sh prepare BUILD_DIR
#       Installs what the host lacks and makes the chroot, once. Where this
#       machine cannot run arm64 code, prints one line "ARM64 suite skipped:
#       REASON" and exits 77 (so do run and session, which prepare first).
#   arm64-wine.sh session BUILD_DIR HOST_DIR -- COMMAND...
#       Mounts HOST_DIR at /smoke in the chroot, starts one Wine server with
#       Wine's services, runs COMMAND on the host and passes its exit code on,
#       then stops Wine and unmounts. COMMAND runs programs in the chroot with
#       `arm64-wine.sh exec BUILD_DIR -- COMMAND_LINE`.
#   arm64-wine.sh exec BUILD_DIR -- COMMAND_LINE...
#       Only from a session's COMMAND, in whose private mount namespace the
#       chroot's mounts are: runs the words, joined as one shell command
#       line, in the chroot, e.g. 'wine /smoke/tarvo-arm64.exe', and passes
#       its exit code on; its output comes when it ends.
#   arm64-wine.sh run BUILD_DIR HOST_DIR -- COMMAND_LINE...
#       A session whose only command is one exec.
#
# Sessions use $DISPLAY (and $XAUTHORITY), or start a private Xvfb and
# export its DISPLAY to COMMAND. In the chroot WINEPREFIX=/root/prefix,
# WINEDEBUG is the caller's or -all, WINEDLLOVERRIDES the caller's or
# mscoree,mshtml= (no Mono or Gecko dialogs). Wine's windows have no frame
# (no window manager); on the host, during a session:
#   xwininfo -root -tree | grep '"Error": ("tarvo-arm64.exe"'   title, class
#   xwininfo -id WINDOW | grep IsViewable   shown: a window is listed earlier
#   xprop -id WINDOW _NET_WM_PID    the host pid of the window's program
#   import -window root shot.png    a picture of the screen
set -uo pipefail
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
xvfb= job=

say() { echo "arm64-wine: $*" >&2; }
die() { say "$*"; exit 1; }
# The one line a suite shows when this machine cannot take part; progress
# goes to standard error, so this is the only line on standard output.
skip() { echo "ARM64 suite skipped: $*"; exit 77; }

setdirs() {
  [ -n "${1:-}" ] || die "no BUILD_DIR (see the head of $self)"
  top=$(realpath -m "$1")/arm64-wine
  root=$top/root stamp=$top/ready log=$top/setup.log
  mkdir -p "$top"
}
# One run at a time: a second one would share the first one's Wine server
# and unmount under its feet. Children inherit the lock through exec.
lock() { exec 9>"$top/lock"; flock 9; }

# A signal ends the script through its exit trap, after the one given here.
on_signals() { trap "$1; exit 129" HUP; trap "$1; exit 130" INT; trap "$1; exit 143" TERM; }

# One short line per long step, with its duration; its output goes to the log.
step() {
  local name=$1 t=$SECONDS
  shift
  echo "== $name" >>"$log"
  "$@" </dev/null >>"$log" 2>&1 || die "$name failed after $((SECONDS - t)) s, see $log"
  say "$name ($((SECONDS - t)) s)"
}

# A shell command line in the chroot, with nothing of the host's environment
# but the display.
guest() {
  local xa=
  [ -f "$root/tmp/.Xauthority" ] && xa=XAUTHORITY=/tmp/.Xauthority
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    WINEPREFIX=/root/prefix WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" \
    ${DISPLAY:+"DISPLAY=$DISPLAY"} $xa /bin/sh -c "$1"
}

host_tools() {
  local need=() p
  for p in qemu-user-static debootstrap xvfb; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
  done
  [ ${#need[@]} -eq 0 ] || step "installing ${need[*]} on the host" sh -c \
    'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"' sh "${need[@]}"
}

# qemu runs arm64 programs once registered with binfmt_misc. The F flag has
# the kernel open qemu at registration, so that it also serves programs in
# the chroot, where no qemu lies at that path; an entry without it is made anew.
binfmt() {
  local dir=/proc/sys/fs/binfmt_misc
  [ -e $dir/register ] || mount -t binfmt_misc binfmt_misc $dir 2>/dev/null || skip "binfmt_misc cannot be mounted"
  [ "$(cat $dir/status)" = enabled ] || echo 1 >$dir/status 2>/dev/null
  if [ -e $dir/qemu-aarch64 ] && ! grep -q '^flags: .*F' $dir/qemu-aarch64; then echo -1 >$dir/qemu-aarch64; fi
  [ ! -e $dir/qemu-aarch64 ] || grep -qx enabled $dir/qemu-aarch64 || echo 1 >$dir/qemu-aarch64
  [ -e $dir/qemu-aarch64 ] || cat /usr/lib/binfmt.d/qemu-aarch64.conf >$dir/register 2>/dev/null
  [ -e $dir/qemu-aarch64 ] || skip "qemu-aarch64 cannot be registered with binfmt_misc"
  # The smallest arm64 program, exit(0): a machine that cannot run it is
  # told so now rather than after a failed debootstrap.
  local probe=$top/probe
  python3 - "$probe" <<'PY'
import struct, sys
base, code = 0x400000, struct.pack("<III", 0xd2800000, 0xd2800ba8, 0xd4000001)  # mov x0,0; mov x8,93; svc 0
size = 64 + 56 + len(code)
header = b"\x7fELF\x02\x01\x01" + bytes(9) + struct.pack("<HHIQQQIHHHHHH", 2, 0xb7, 1, base + 120, 64, 0, 0, 64, 56, 1, 0, 0, 0)
program = struct.pack("<IIQQQQQQ", 1, 5, 0, base, base, size, size, 0x1000)
open(sys.argv[1], "wb").write(header + program + code)
PY
  chmod +x "$probe"
  "$probe" 2>/dev/null || skip "qemu-aarch64 does not run arm64 programs here"
}

# Ends what still runs in the chroot (by its root: the programs of a session
# that died) and unmounts what is mounted there, innermost first.
teardown() {
  local pid m
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "${pid#/proc/}" 2>/dev/null
  done
  findmnt -rn -o TARGET | awk -v r="$root" 'index($0, r "/") == 1' | sort -r | while read -r m; do
    umount "$m" 2>/dev/null || umount -l "$m"
  done
  rm -f "$root/tmp/.Xauthority"
}

# What Wine needs: processes, devices, a private /dev/shm (a bind of /dev
# leaves the host's empty devtmpfs folder there), the X sockets, the test's files.
mount_all() {
  mount -t proc proc "$root/proc" && mount -t sysfs sysfs "$root/sys" &&
    mount --bind /dev "$root/dev" && mount -t tmpfs tmpfs "$root/dev/shm" || die "cannot mount in $root"
  if [ -d /tmp/.X11-unix ]; then
    mkdir -p "$root/tmp/.X11-unix" && mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  fi
  if [ -n "${1:-}" ]; then
    mkdir -p "$root/smoke" && mount --bind "$1" "$root/smoke" || die "cannot mount $1"
  fi
}

# Runs in a private mount namespace, so that nothing mounted here is seen
# outside or outlives it, even when it is killed.
build() {
  local mirror
  mirror=$(awk '/^URIs:/ && !/security/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null)
  trap teardown EXIT
  on_signals :
  step "debootstrap arm64 bookworm" debootstrap --arch=arm64 --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}"
  chroot "$root" /bin/true || skip "arm64 programs do not run in a chroot"
  mount_all
  # wine brings the wine and wineserver commands; the X libraries come with libwine.
  step "wine64 in the chroot" guest 'apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends wine wine64 &&
    apt-get clean && rm -rf /var/lib/apt/lists/*'
  step "Wine prefix" guest 'wineboot -i && wineserver -w'
}

prepare() {
  [ "$(id -u)" = 0 ] || skip "the rig mounts file systems and changes root, which needs root"
  host_tools
  binfmt
  if [ -f "$stamp" ]; then
    chroot "$root" /bin/true || skip "arm64 programs do not run in a chroot"
    return 0
  fi
  # From a clean state: an earlier set-up may have stopped halfway. Nothing
  # may be mounted when the folder goes, or host files would go with it.
  teardown
  findmnt -rn -o TARGET | grep -q "^$root/" && die "still mounted under $root"
  rm -rf --one-file-system "$root"
  : >"$log"
  local t=$SECONDS
  # In a process group of its own, which a signal here ends whole.
  setsid unshare --mount --propagation private "$self" _build "$top/.." &
  job=$!
  on_signals stop_command
  wait $job || exit $?
  job=
  trap - HUP INT TERM
  touch "$stamp"
  say "ready in $((SECONDS - t)) s: $root ($(du -sh --one-file-system "$root" | cut -f1))"
}

own_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  local n
  for n in $(seq 90 140); do [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ] && break; done
  # Ends with the session even when it is killed outright.
  setpriv --pdeathsig KILL Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
}

# Ends what a job started in its own process group left running. After a
# session's COMMAND, this comes first: a program it still started after Wine
# had stopped would start a server of its own.
stop_command() {
  [ -n "$job" ] && kill -TERM -- "-$job" 2>/dev/null || return 0
  for _ in $(seq 20); do kill -0 -- "-$job" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL -- "-$job" 2>/dev/null
}

finish() {
  local status=$?
  stop_command
  guest 'wineserver -k; wineserver -w' >/dev/null 2>&1
  teardown
  [ -z "$xvfb" ] || { kill "$xvfb"; wait "$xvfb"; } 2>/dev/null
  exit $status
}

# In a private mount namespace (see build), holding the lock.
session() {
  local host=$1
  shift
  trap finish EXIT
  on_signals :
  teardown
  own_display
  mount_all "$host"
  # The chroot's X clients need the host display's cookie, if it has one.
  local xa=${XAUTHORITY:-${HOME:-/root}/.Xauthority}
  [ ! -f "$xa" ] || cp "$xa" "$root/tmp/.Xauthority"
  # One persistent server, and Wine's services started once, here: each
  # program start then costs only the program.
  guest 'wineserver -p && wineboot' </dev/null >/dev/null 2>&1 9>&-
  # In the background so that a signal ends the session at once; in a
  # process group of its own, which the session ends whole (stop_command).
  setsid setpriv --pdeathsig TERM "$@" <&0 9>&- &
  job=$!
  wait $job
}

# The output goes through files: a Wine process the command line happens to
# start (the desktop) lives on after it and would hold a pipe open.
exec_line() {
  mountpoint -q "$root/proc" || die "exec runs only inside a session"
  local out err status
  out=$(mktemp -p "$top" exec.XXXXXX) err=$(mktemp -p "$top" exec.XXXXXX)
  guest "$*" >"$out" 2>"$err" 9>&-
  status=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  return $status
}

sub=${1:-}
shift
case $sub in
  prepare)
    setdirs "${1:-}"; lock; prepare ;;
  session | run)
    [ $# -ge 3 ] && [ "$3" = -- ] || die "usage: $sub BUILD_DIR HOST_DIR -- COMMAND..."
    setdirs "$1"
    host=$(realpath "$2") && [ -d "$host" ] || die "no folder $2"
    lock
    prepare
    [ "$sub" = session ] || set -- "$1" "$2" -- "$self" exec "$1" -- "${@:4}"
    exec unshare --mount --propagation private "$self" _session "$1" "$host" "${@:4}" ;;
  exec)
    [ $# -ge 2 ] && [ "$2" = -- ] || die "usage: exec BUILD_DIR -- COMMAND_LINE..."
    setdirs "$1"; shift 2; exec_line "$@" ;;
  _build) setdirs "$1"; build ;;
  _session) setdirs "$1"; shift; session "$@" ;;
  *) sed -n '2,/^set -uo/p' "$self" | sed '$d; s/^# \{0,1\}//' >&2; exit 2 ;;
esac
