#!/usr/bin/env bash
# The desktop entries and the AppStream metainfo pass their validators.
# Usage: desktop_files_test.sh <packaging source folder>
set -euo pipefail
src=$1
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/deps.sh installs it)"; exit 1; }
done
desktop-file-validate "$src/qv5307.desktop" "$src/qv5307-autostart.desktop"
appstreamcli validate --no-net "$src"/*.metainfo.xml
# The autostart entry must start the program hidden, and only there.
grep -qx 'Exec=env QV5307_START_HIDDEN=1 qv5307' "$src/qv5307-autostart.desktop"
grep -qx 'Exec=qv5307' "$src/qv5307.desktop"
echo "desktop files valid"
