#!/usr/bin/env bash
# Installs a build into a temporary prefix and packages it as a packager would, then checks what
# comes out: the file list, the command through its link, the desktop entry, the AppStream
# metadata, the package's Depends and lintian's verdict.
#   check-package.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "check-package: $*" >&2
  exit 1
}
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }

source_dir=$(cached Solbena_SOURCE_DIR)
libdir=$(cached CMAKE_INSTALL_LIBDIR)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
app_id=example.towani.Solbena
if [ -z "$source_dir" ] || [ -z "$libdir" ] || [ -z "$version" ]; then
  fail "not a configured build: $build"
fi

# What an install holds, relative to its prefix.
expected() {
  echo bin/solbena
  echo "$libdir/solbena/QT17C0042"
  echo "$libdir/solbena/libKVX3Res.so"
  for f in "$source_dir"/resources/samples/*.{bmp,gif,jpg,wmf,emf}; do
    echo "$libdir/solbena/samples/$(basename "$f")"
  done
  echo "share/applications/$app_id.desktop"
  echo share/doc/solbena/changelog.gz
  echo share/doc/solbena/copyright
  for size in 16 24 32 48 64 128 256; do
    echo "share/icons/hicolor/${size}x$size/apps/$app_id.png"
  done
  echo share/man/man6/solbena.6.gz
  echo "share/metainfo/$app_id.metainfo.xml"
}
expected | sort >"$work/expected"

echo "-- install into a temporary prefix"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort) >"$work/installed"
diff -u "$work/expected" "$work/installed" || fail "the installed files differ from the list"
link=$(readlink "$prefix/bin/solbena")
[ "${link#/}" = "$link" ] || fail "bin/solbena links to an absolute path: $link"
"$prefix/bin/solbena" --version | grep -qF "$version" || fail "bin/solbena --version does not say $version"

echo "-- desktop entry and AppStream metadata"
desktop-file-validate "$prefix/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml"

echo "-- Debian package"
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log") || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
deb=$work/package/solbena_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./usr/||' | sort >"$work/packaged"
diff -u "$work/expected" "$work/packaged" || fail "the package's files differ from the list"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Loaded at run time, so only named by hand; and one found by the scan of the linked libraries.
for p in libsdl2-2.0-0 qt6-qpa-plugins fonts-noto-cjk fonts-liberation2 fonts-dejavu-core xdg-utils \
  qt6-translations-l10n libqt6widgets6; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends does not name $p"
done
# Metafiles are drawn by our own player; no SVG route is left to depend on.
for p in libqt6svg6 libemf2svg1; do
  ! grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends still names $p"
done

echo "-- lintian"
lintian --allow-root --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports an error"
echo "check-package: all good"
