#!/usr/bin/env bash
# Fills the Font folder beside the program with the fonts it loads, taken from Debian's font packages
# where they exist (font binaries are not kept in the repository). Usage: fonts.sh <program folder>
set -u
dest="$1/Font"
mkdir -p "$dest"
link() { [ -f "$1" ] && [ ! -e "$dest/$2" ] && cp "$1" "$dest/$2"; return 0; }
link /usr/share/fonts/truetype/noto/NotoSansThai-Regular.ttf NotoSansThai-Regular.ttf
link /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc NotoSansCJKtc-Regular.otf
exit 0
