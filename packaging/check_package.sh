#!/usr/bin/env bash
# Checks a built package: its desktop entry and AppStream file validate, lintian finds
# no error, its dependencies name what the program needs, and it holds the program, its
# libraries and plug-ins, the link in /usr/bin, the icons and the documents.
#
#   packaging/check_package.sh build/zelmo32_<version>_<arch>.deb
#
# Remaining lintian warnings (printed, not failures): maintscript-calls-ldconfig, from
# cpack's default scripts, which call ldconfig for any shared object under /usr/lib;
# harmless, as the program loads its libraries by full path.
set -euo pipefail
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

dpkg-deb -x "$deb" "$work/root"

echo "== desktop-file-validate"
desktop-file-validate "$work/root/usr/share/applications/org.zelmo32.zelmo32.desktop" ||
    fail "desktop entry"
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net --pedantic \
    "$work/root/usr/share/metainfo/org.zelmo32.zelmo32.metainfo.xml" || fail "metainfo"

echo "== lintian"
# Shown in full but for the hardening notes (informational tags, see the README).
status=0
lintian --fail-on error --pedantic --suppress-tags \
    hardening-no-bindnow,hardening-no-fortify-functions,binary-has-unneeded-section \
    "$deb" >"$work/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ $status -eq 0 ] || fail "lintian reports errors"

echo "== dependencies"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends"
for need in fonts-noto-cjk xdg-utils qt6-translations-l10n libqt6widgets6 libqt6gui6 \
            libqt6core6 libarchive13 liblhasa0 libgif7 libjpeg62-turbo libc6 libstdc++6; do
    tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$need" || fail "Depends lacks $need"
done

echo "== licence"
# MIT, as the LICENSE file says; in Debian's machine-readable copyright file it is Expat.
doc=$work/root/usr/share/doc/zelmo32
grep -qx 'License: Expat' "$doc/copyright" || fail "copyright does not name the Expat licence"
grep -qx 'Files: \*' "$doc/copyright" || fail "copyright has no paragraph for every file"
grep -q '<project_license>MIT</project_license>' \
    "$work/root/usr/share/metainfo/org.zelmo32.zelmo32.metainfo.xml" ||
    fail "metainfo does not name the MIT licence"
# No invented addresses: the maintainer's is a placeholder in a domain reserved for examples.
dpkg-deb -f "$deb" Maintainer | grep -Eq '<[^@>]+@example\.(org|com|net)>$' ||
    fail "the maintainer's address is not the example.org placeholder"

echo "== contents"
lib=$work/root/usr/lib/zelmo32
for f in zelmo32 libzelmo32write.so libunlha32.so libunzip32.so ifgif.spi ifJpeg.spi; do
    [ -f "$lib/$f" ] || fail "usr/lib/zelmo32/$f missing"
done
[ -x "$lib/zelmo32" ] || fail "the program is not executable"
[ "$(readlink "$work/root/usr/bin/zelmo32")" = ../lib/zelmo32/zelmo32 ] ||
    fail "usr/bin/zelmo32 is not the link to ../lib/zelmo32/zelmo32"
for size in 16 32 48 64 128 256; do
    icon=$work/root/usr/share/icons/hicolor/${size}x$size/apps/zelmo32.png
    [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x$size" ] ||
        fail "icon ${size}x$size missing or of another size"
done
for f in icons/hicolor/scalable/apps/zelmo32.svg man/man1/zelmo32.1.gz \
         doc/zelmo32/copyright doc/zelmo32/changelog.gz; do
    [ -f "$work/root/usr/share/$f" ] || fail "usr/share/$f missing"
done
grep -qx 'Exec=zelmo32' "$work/root/usr/share/applications/org.zelmo32.zelmo32.desktop" ||
    fail "the desktop entry does not start zelmo32"
# The program and its archive libraries find the write core beside them, never in the
# build tree: their only library path is $ORIGIN.
for f in zelmo32 libunlha32.so libunzip32.so; do
    paths=$(readelf -d "$lib/$f" | grep -E 'RPATH|RUNPATH' || true)
    case "$paths" in
    *"RUNPATH"*"[\$ORIGIN]") ;;
    *) fail "$f: library path not \$ORIGIN alone: $paths" ;;
    esac
done

if [ $failures -gt 0 ]; then
    echo "package checks: $failures failed"
    exit 1
fi
echo "package checks: passed"
