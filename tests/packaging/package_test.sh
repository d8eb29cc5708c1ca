#!/usr/bin/env bash
# Builds the Debian package into a temporary folder (nothing is installed on this machine) and
# checks its file list and its dependencies.
# Usage: package_test.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || fail "$tool missing"
done
(cd "$tmp" && cpack -G DEB -B "$tmp" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1) ||
  { cat "$tmp/cpack.log"; fail "cpack failed"; }
debs=("$tmp"/qv5307_*.deb)
[ -f "${debs[0]}" ] || { cat "$tmp/cpack.log"; fail "no package made"; }
deb=${debs[0]}

dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/files"
for f in ./usr/bin/qv5307 ./usr/share/qv5307/skin/res.xml ./usr/share/qv5307/skin/XML/main.xml \
         ./usr/share/qv5307/DefaultData/keyboard.Json ./usr/lib/udev/rules.d/70-qv5307.rules \
         ./usr/share/applications/qv5307.desktop \
         ./usr/share/icons/hicolor/scalable/apps/qv5307.svg \
         ./usr/share/metainfo/org.qv5307.QV5307.metainfo.xml \
         ./usr/share/qv5307/qv5307-autostart.desktop; do
  grep -qxF "$f" "$tmp/files" || { cat "$tmp/files"; fail "package lacks $f"; }
done
if grep -v '^\./usr/' "$tmp/files" | grep -qv '^\./$'; then
  cat "$tmp/files"; fail "package installs outside /usr"
fi
# Neither the tests nor the build tools belong in the package.
if grep -Eq 'qv_test|qv_gen_udev_rules|\.a$' "$tmp/files"; then fail "build artefacts packaged"; fi

[ "$(dpkg-deb -f "$deb" Package)" = qv5307 ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libqt6gui6 libqt6dbus6 libqt6svg6 libjsoncpp25 libudev1 libc6; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
if grep -Eq -- '-dev( |,|$)' <<<"$depends"; then fail "Depends names a development package: $depends"; fi
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qx './postinst' || fail "no postinst"
echo "package $(basename "$deb"): $(wc -l <"$tmp/files") entries; Depends: $depends"
