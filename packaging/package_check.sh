#!/bin/sh
# package_check.sh BUILD VERSION: packs the build as a Debian package with
# cpack and checks its name, its dependencies and its files.
set -eu
BUILD="$1"
VERSION="$2"
ARCH="$(dpkg --print-architecture)"
DEB="$BUILD/kivo_${VERSION}_${ARCH}.deb"
rm -f "$DEB"
(cd "$BUILD" && cpack -G DEB >/dev/null)
[ -f "$DEB" ] || { echo "package check: no $DEB"; exit 1; }
DEPENDS="$(dpkg-deb -f "$DEB" Depends)"
echo "Depends: $DEPENDS"
for need in fonts-inter libqt6widgets6 libcurl4 libc6; do
  echo "$DEPENDS" | grep -q "\\b$need\\b" || { echo "package check: $need is not a dependency"; exit 1; }
done
FILES="$(dpkg-deb -c "$DEB" | awk '{print $6 $7 $8}')"
for path in ./usr/bin/kivo-\>../lib/kivo/Kivo ./usr/lib/kivo/Kivo ./usr/lib/kivo/kivo-document \
            ./usr/lib/kivo/pages/welcome.html ./usr/share/applications/; do
  echo "$FILES" | grep -q -F "$path" || { echo "package check: $path is not in the package"; exit 1; }
done
echo "package check: $(basename "$DEB") holds the bundle and depends on the font"
