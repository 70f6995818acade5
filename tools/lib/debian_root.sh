# tools/test --debian N: the same tools/test, from a clean clone of what is
# committed, inside a minimal root of Debian release N, so that one machine
# proves the two commands on both releases.
#
# The root is made once with debootstrap and kept (packages installed into it
# stay, so a second run is fast); the clone is made afresh each time. The run
# happens in private mount and process namespaces: the root's mounts exist
# only there, so they go on every way out, and when the run ends the kernel
# ends every process still running inside.

DEBIAN_ROOTS=${VARN_DEBIAN_ROOTS:-/var/cache/brellock-varn-on}
DEBIAN_MIRROR=http://deb.debian.org/debian

codename_of() {
  case "$1" in
    12) echo bookworm ;;
    13) echo trixie ;;
    *) return 1 ;;
  esac
}

# Makes the root unless a whole one is there: a root is only put in place
# once debootstrap has finished, so an interrupted one is made again.
make_debian_root() {  # release, root
  local codename log
  codename=$(codename_of "$1")
  [ -d "$2" ] && return 0
  say "== making a minimal Debian $1 root in $2 (kept for later runs)"
  mkdir -p "$(dirname "$2")"
  rm -rf "$2.new"
  log=$(mktemp)
  if ! debootstrap --variant=minbase --include=git,ca-certificates "$codename" "$2.new" \
      "$DEBIAN_MIRROR" >"$log" 2>&1; then
    tail -n 5 "$log" >&2
    rm -rf "$2.new" "$log"
    fail "debootstrap" "debootstrap --variant=minbase --include=git,ca-certificates $codename $2.new $DEBIAN_MIRROR"
  fi
  rm -f "$log"
  mv "$2.new" "$2"
}

test_in_debian_root() {  # release
  local release=$1 root status
  codename_of "$release" >/dev/null || { say "usage: tools/test --debian 12|13"; exit 2; }
  if [ "$(id -u)" -ne 0 ]; then
    say "$SCRIPT_NAME: a Debian root needs root; please run: sudo tools/test --debian $release"
    exit 1
  fi
  ensure_packages debootstrap git
  root=$DEBIAN_ROOTS/debian-$release
  make_debian_root "$release" "$root"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  rm -rf "$root/root/brellock-varn-on"
  git clone -q --no-hardlinks "$REPO_ROOT" "$root/root/brellock-varn-on" ||
    fail "cloning the repository into the root" "git clone $REPO_ROOT $root/root/brellock-varn-on"
  say "== tools/test in the Debian $release root, from a clean clone of $(git rev-parse --short HEAD)"
  status=0
  # Packages are installed first, with the network; the tests then run in a
  # network namespace of their own, where the X servers they start cannot
  # meet this machine's (X clients also look for abstract sockets, which
  # belong to a network namespace, not to a file system).
  unshare --mount --pid --fork --kill-child --propagation private /bin/bash -c '
    root=$1
    shift
    mount -t proc proc "$root/proc" &&
      mount --rbind /dev "$root/dev" &&
      mount -t sysfs sysfs "$root/sys" &&
      mount -t tmpfs tmpfs "$root/tmp" &&
      mount -t tmpfs tmpfs "$root/run" || exit 1
    clone=/root/brellock-varn-on
    # Not exec: this shell stays the namespace'"'"'s first process, and when it
    # ends, so does everything the run left inside.
    chroot "$root" /usr/bin/env -i "$@" /bin/bash -c \
      "cd $clone && source tools/lib/common.sh && ensure_packages \"\${TEST_PACKAGES[@]}\"" &&
      unshare --net chroot "$root" /usr/bin/env -i "$@" /bin/bash -c "cd $clone && tools/test"
  ' _ "$root" HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 SCRIPT_NAME=tools/test VARN_SCRATCH_SYSTEM=1 ${CI:+CI=$CI} \
    ${VARN_FUZZ_SECONDS:+VARN_FUZZ_SECONDS=$VARN_FUZZ_SECONDS} || status=$?
  return "$status"
}
