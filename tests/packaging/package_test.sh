#!/usr/bin/env bash
# The Debian package, end to end: made by CPack from the build tree, holding everything
# `cmake --install` lays out and every path of packaging/deb/required_contents.txt,
# accepted by desktop-file-validate, appstreamcli and lintian, and installed for real with
# apt-get into a scratch root (an overlay of this system in a mount namespace of its own)
# where this machine allows one, else tried with dpkg --dry-run.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -uo pipefail
BUILD=$1
SOURCE=$2
VERSION=$3
WORK=$(mktemp -d /tmp/korvane-package.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
FAILURES=0

check() {
    local what=$1
    shift
    if "$@" >"$WORK/check.log" 2>&1; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        cat "$WORK/check.log"
        FAILURES=$((FAILURES + 1))
    fi
}

if ! cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/out" >"$WORK/cpack.log" 2>&1; then
    cat "$WORK/cpack.log"
    echo "FAILED: cpack"
    exit 1
fi
DEB="$WORK/out/korvane_${VERSION}_amd64.deb"
check "the package is named korvane_${VERSION}_amd64.deb" test -f "$DEB"
[ -f "$DEB" ] || exit 1

# What the package holds, against what the install rules lay out and the fixed list.
dpkg-deb --contents "$DEB" >"$WORK/listing"
awk '{print $6}' "$WORK/listing" | sed -e 's|^\./|/|' -e 's|/$||' | sort -u >"$WORK/contents"
DESTDIR="$WORK/stage" cmake --install "$BUILD" --prefix /usr >/dev/null
(cd "$WORK/stage" && find . ! -type d | sed 's|^\.||') >"$WORK/expected"
grep -v -e '^#' -e '^$' "$SOURCE/packaging/deb/required_contents.txt" >>"$WORK/expected"
sort -u -o "$WORK/expected" "$WORK/expected"
check "the package holds every installed file and every required path" \
    bash -c "comm -23 '$WORK/expected' '$WORK/contents' | sed 's/^/missing: /' | grep . && exit 1 || exit 0"
check "/usr/bin/korvane is a link to the window in its own folder" \
    grep -q ' \./usr/bin/korvane -> \.\./lib/korvane/Korvane$' "$WORK/listing"
check "nothing but the window lies in its folder (that folder is exempt from questions)" \
    test "$(grep '^/usr/lib/korvane/' "$WORK/contents")" = /usr/lib/korvane/Korvane
check "the dependencies were computed from the libraries the programs link" \
    bash -c "dpkg-deb -f '$DEB' Depends | grep -q 'libqt6widgets6.*libnettle8\|libnettle8.*libqt6widgets6'"

dpkg-deb -x "$DEB" "$WORK/root"
check "desktop-file-validate" desktop-file-validate "$WORK/root/usr/share/applications/korvane.desktop"
check "appstreamcli validate --no-net" bash -c "appstreamcli validate --no-net '$WORK'/root/usr/share/metainfo/*.metainfo.xml"
lintian --fail-on error --tag-display-limit 0 "$DEB" >"$WORK/lintian.log" 2>&1
LINTIAN=$?
sed 's/^/lintian: /' "$WORK/lintian.log"
check "lintian finds no error" test "$LINTIAN" -eq 0

# A real installation where a scratch root can be made; dpkg --dry-run otherwise.
mkdir -p "$WORK/scratch"
unshare --mount --propagation private bash "$SOURCE/tests/packaging/scratch_root_install.sh" "$WORK/scratch" "$DEB"
SCRATCH=$?
if [ "$SCRATCH" -eq 77 ]; then
    echo "no scratch root on this machine: trying the installation with dpkg --dry-run"
    check "dpkg --dry-run -i" dpkg --dry-run -i "$DEB"
else
    check "apt-get install into a scratch root, the program run as a user, apt-get purge" test "$SCRATCH" -eq 0
fi

echo "$FAILURES failed"
[ "$FAILURES" -eq 0 ]
