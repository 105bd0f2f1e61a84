#!/usr/bin/env bash
# Makes build/morvatix_<version>_<arch>.deb: the program with its Readme.txt,
# morvatix-cmp, the desktop entry, icons, metainfo, manual pages and the
# copyright, depending on the libraries the programs link (dpkg-shlibdeps),
# the Japanese font and Qt's Wayland platform. Builds first (scripts/build.sh);
# CPack packs what the install() rules name. Install it with
#     sudo apt-get install ./build/morvatix_<version>_<arch>.deb
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/deps.sh" --package
"$top/scripts/build.sh" >/dev/null
cd "$top"
cpack --preset debian >/dev/null
ls "$top"/build/morvatix_*.deb
