# Shared by tools/run, tools/test and tools/bench: installing what is missing
# and starting a virtual display with a window manager.

REPO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Everything a build, a run and the tests need, as Debian packages.
# The program: XCB and its helpers, GLib for the settings file; its About
# window's module: GTK 3 (gdk-pixbuf for the picture, fonts through
# fontconfig); the desktop icons are drawn at build time with cairo.
# Unversioned names where Debian 12 and 13 both have one (libclang-rt-dev, not
# clang 14's libclang-rt-14-dev), so the same list installs on either.
BUILD_PACKAGES=(cmake ninja-build g++ clang libclang-rt-dev pkg-config googletest python3 clang-format
  libxcb1-dev libxcb-icccm4-dev libxcb-ewmh-dev libxcb-keysyms1-dev libxcb-xtest0-dev libxcb-screensaver0-dev libglib2.0-dev
  libgtk-3-dev libcairo2-dev fonts-dejavu-core)
# A virtual display with a window manager, input and screenshots.
DISPLAY_PACKAGES=(xvfb openbox x11-utils xdotool imagemagick)
# The other window managers the tests run under: Xfce's, GNOME's (also as a
# Wayland compositor with Xwayland) and KDE's with its usual Breeze frame.
# The desktop ones want a session bus.
DESKTOP_PACKAGES=(xfwm4 metacity mutter xwayland kwin-x11 kwin-style-breeze dbus-daemon)
# Num Lock on Wayland sessions goes through the desktop portal and libei,
# which Debian has from release 13 on: there the route is built, and tested
# under GNOME's portal and under KDE's (kwin_wayland; the test's own Wayland
# client sees kwin's Num Lock, so it builds against libwayland and xdg-shell).
PORTAL_PACKAGES=()
if grep -qs '^VERSION_ID="1[3-9]' /etc/os-release; then
  BUILD_PACKAGES+=(libei-dev libwayland-dev wayland-protocols)
  PORTAL_PACKAGES=(xdg-desktop-portal xdg-desktop-portal-gnome
    kwin-wayland kwin-common plasma-workspace xdg-desktop-portal-kde)
fi
# The About window's accessible tree, read through AT-SPI on a private
# session bus as a screen reader reads it.
ACCESSIBILITY_PACKAGES=(at-spi2-core gir1.2-atspi-2.0 python3-gi)
# Checks of the installed desktop entry, metainfo and manual page.
INSTALL_CHECK_PACKAGES=(desktop-file-utils appstream lintian man-db unzip)
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-win32 wine wine64)
# All that tools/test needs.
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}" "${DESKTOP_PACKAGES[@]}"
  "${PORTAL_PACKAGES[@]}" "${ACCESSIBILITY_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
  "${INSTALL_CHECK_PACKAGES[@]}")

SCRIPT_NAME=${SCRIPT_NAME:-tools/$(basename "$0")}

say() { printf '%s\n' "$*" >&2; }

# A step that cannot go on: one line saying what failed and what to run to
# see why, then the script's EXIT trap cleans up.
fail() {  # what failed, the command to run
  say "$SCRIPT_NAME: $1 failed; to see why, run: $2"
  exit 1
}

# apt-get update does not wait for another one (a second run of these tools,
# or the system's own daily refresh on a freshly booted machine): while the
# lists' lock is held it is tried again, for as long as the install waits.
refresh_package_lists() {
  local log deadline=$((SECONDS + 900)) status
  log=$(mktemp)
  while :; do
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 update -qq >"$log" 2>&1
    status=$?
    if [ "$status" -eq 0 ] || ! grep 'Could not get lock' "$log" >/dev/null ||
        [ "$SECONDS" -ge "$deadline" ]; then
      break
    fi
    sleep 2
  done
  rm -f "$log"
  return "$status"
}

# Installs the given packages that are not installed yet: as root with
# apt-get (lists refreshed once), otherwise prints the command to run.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep 'install ok installed' >/dev/null; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    say "$SCRIPT_NAME: missing packages; please run:"
    say "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}"
    exit 1
  fi
  # apt's and dpkg's own chatter is no progress of ours: that one line is.
  # Another apt run holding the lock is waited for.
  say "Installing: ${missing[*]}"
  if [ -z "${VARN_APT_UPDATED:-}" ]; then
    refresh_package_lists || fail "apt-get update" "apt-get update"
    export VARN_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
    fail "installing packages" "apt-get install -y --no-install-recommends ${missing[*]}"
}

# Runs a command with what it prints kept aside, shown (its last lines) only
# when it fails: a tool's own chatter is no progress of ours.
quietly() {  # command...
  local log status
  log=$(mktemp)
  "$@" >"$log" 2>&1
  status=$?
  [ "$status" -eq 0 ] || tail -n 5 "$log" >&2
  rm -f "$log"
  return "$status"
}

# Desktop sessions provide a private runtime folder; a bare shell (root on a
# build machine) may not, and the desktop libraries warn about it.
ensure_runtime_dir() {
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/runtime-XXXXXX")
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
    OWN_RUNTIME_DIR=$XDG_RUNTIME_DIR
  fi
}

remove_runtime_dir() {
  if [ -n "${OWN_RUNTIME_DIR:-}" ]; then
    rm -rf "$OWN_RUNTIME_DIR"
  fi
  OWN_RUNTIME_DIR=
}

VIRTUAL_PIDS=()

# Each helper runs in a session, and so a process group, of its own (setsid):
# ending the group ends whatever the helper started too.
stop_virtual_display() {
  local pid
  for pid in "${VIRTUAL_PIDS[@]}"; do
    kill -TERM -- "-$pid" 2>/dev/null || true
  done
  for pid in "${VIRTUAL_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  VIRTUAL_PIDS=()
}

# Every process a script starts carries this mark in its environment, so
# that what it left running can be found afterwards, whatever its parent.
mark_started_processes() {
  VARN_RUN_MARK="$$-$(date +%s%N)"
  export VARN_RUN_MARK
}

# The marked processes still running, one "pid name" a line; this shell and
# the commands of its own pipeline aside.
marked_leftovers() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [ "$pid" != $$ ] && [ "$pid" != "$BASHPID" ] || continue
    # A process may end between the glob and the read: the error of opening
    # its file is the shell's own, so it is silenced before the opening.
    if tr '\0' '\n' 2>/dev/null <"$environ" | grep -x "VARN_RUN_MARK=$VARN_RUN_MARK" >/dev/null; then
      [ "$(ps -o ppid= -p "$pid" 2>/dev/null | tr -d ' ')" = "$BASHPID" ] && continue
      printf '%s %s\n' "$pid" "$(cat "/proc/$pid/comm" 2>/dev/null)"
    fi
  done
}

# Starts Xvfb at 96 dpi on a free display and, unless told "bare", openbox on
# it; exports DISPLAY and waits until the window manager has taken over.
start_virtual_display() {
  local mode=${1:-managed} fifo number
  fifo=$(mktemp -u) && mkfifo "$fifo"
  # In sessions of their own, so that a Ctrl-C meant for the program does not
  # take its display away while it is closing.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  VIRTUAL_PIDS+=($!)
  read -r -t 30 number <"$fifo" || { rm -f "$fifo"; say "Xvfb did not start"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  if [ "$mode" != bare ]; then
    setsid openbox >/dev/null 2>&1 &
    VIRTUAL_PIDS+=($!)
    local deadline=$((SECONDS + 30))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null; do
      [ $SECONDS -lt $deadline ] || { say "openbox did not start"; return 1; }
      sleep 0.1
    done
  fi
}
