#!/usr/bin/env bash
# `cmake --install` into a temporary prefix gives a program that starts and finds its data
# there: run offscreen from a folder without any data, it must load its layouts (no missing-
# layout complaint in its output), end cleanly, and with a simulated keyboard build the
# keyboard's page from the installed skin and connect to it.
# Usage: install_test.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"

fail() { echo "FAIL: $*"; exit 1; }
for f in bin/qv5307 share/qv5307/skin/res.xml share/qv5307/skin/XML/main.xml \
         share/qv5307/skin/menu.xml share/qv5307/DefaultData/keyboard.Json \
         share/qv5307/qv5307-autostart.desktop lib/udev/rules.d/70-qv5307.rules \
         share/applications/qv5307.desktop share/icons/hicolor/scalable/apps/qv5307.svg \
         share/metainfo/org.qv5307.QV5307.metainfo.xml; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/bin/qv5307" ] || fail "program not executable"
# Nothing of the build tree may be needed: no data beside the installed program.
[ ! -e "$prefix/bin/skin" ] || fail "skin installed beside the program"

# Starts the installed program in its own session bus (the single-instance check must not
# meet another test's instance), with its own user data folder. $1: extra environment.
run() {
  local out=$1; shift
  local bus=()
  command -v dbus-run-session >/dev/null && bus=(dbus-run-session --)
  (cd "$tmp" && env -u DBUS_SESSION_BUS_ADDRESS HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" \
     XDG_RUNTIME_DIR="$tmp/run" QT_QPA_PLATFORM=offscreen QV5307_DEBUG=1 \
     QV5307_QUIT_AFTER_MS=1500 "$@" "${bus[@]}" "$prefix/bin/qv5307" </dev/null >"$out" 2>&1)
}
mkdir -p "$tmp/home" "$tmp/run" && chmod 700 "$tmp/run"

check_output() {
  if grep -Eiq 'layout missing|resource map (missing|unreadable)|menu missing' "$1"; then
    cat "$1"; fail "the installed program did not find its data"
  fi
  grep -q 'InitWindow' "$1" || { cat "$1"; fail "the main window never initialised"; }
}

run "$tmp/plain.log" || { cat "$tmp/plain.log"; fail "the installed program failed"; }
check_output "$tmp/plain.log"

run "$tmp/sim.log" QV5307_SIMULATE=1 || { cat "$tmp/sim.log"; fail "simulated start failed"; }
check_output "$tmp/sim.log"
# The keyboard's page came from the installed skin and the device was talked to.
grep -q '命令' "$tmp/sim.log" || { cat "$tmp/sim.log"; fail "the simulated keyboard was not connected"; }
[ -d "$tmp/data/QV5307/keyboard" ] || fail "no user data folder for the keyboard"
echo "installed program starts and finds its data"
