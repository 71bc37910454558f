#!/usr/bin/env bash
# Builds the release configuration, installs it into a staging tree and checks what a
# desktop expects of it (desktop entry, AppStream metadata, manual pages), then builds
# the Debian package, checks it with lintian (no errors allowed), installs it on this
# machine, runs it from /usr/bin and removes it again, checking that nothing of it is
# left behind. Needs root for the install and removal.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset package >/dev/null
cmake --build --preset package -j"$(nproc)"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install build/package --prefix /usr >/dev/null

echo "== desktop entry"
desktop-file-validate "$stage"/usr/share/applications/example.paravue.MobileData.desktop
echo "== AppStream metadata"
appstreamcli validate --no-net "$stage"/usr/share/metainfo/example.paravue.MobileData.metainfo.xml
echo "== manual pages"
for page in "$stage"/usr/share/man/man1/paravue.1* "$stage"/usr/share/man/man1/paravue-report.1*; do
    mandoc -T lint -W warning "$page"
    out=$(MANWIDTH=80 man -l "$page" 2>&1 >/dev/null)
    [ -z "$out" ] || { echo "man -l $page warned: $out" >&2; exit 1; }
done
for size in 16 22 24 32 48 64 128 256; do
    test -f "$stage/usr/share/icons/hicolor/${size}x${size}/apps/example.paravue.MobileData.png"
done
test -f "$stage/usr/share/icons/hicolor/scalable/apps/example.paravue.MobileData.svg"
echo "== installed documentation"
# What the installed README and the manual pages point to is installed.
doc=/usr/share/doc/paravue
names=$(awk '/^## In this directory/ {on = 1; next} /^## / {on = 0} on' "$stage$doc/README.md" |
            grep -o '`[^`]*`' | tr -d '`'
        zcat "$stage"/usr/share/man/man1/*.gz | grep -o "$doc/[A-Za-z0-9._/-]*[A-Za-z0-9/]" |
            sed "s|^$doc/||")
[ -n "$names" ]
for name in $names; do
    [ -e "$stage$doc/$name" ] || { echo "not installed: $doc/$name" >&2; exit 1; }
done

echo "== Debian package"
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls build/package/paravue_*.deb)
dpkg-deb --info "$deb" | sed -n '/Depends/p'
echo "== lintian"
# Errors fail the check; warnings and the rest are shown. As root lintian
# wants to be told that this is meant.
lintian_args=(--tag-display-limit 0)
[ "$(id -u)" -ne 0 ] || lintian_args+=(--allow-root)
report=$(lintian "${lintian_args[@]}" "$deb" 2>&1) || true
[ -z "$report" ] || echo "$report"
if grep -q '^E: ' <<<"$report"; then
    echo "lintian reports errors on $deb" >&2
    exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "not root: skipping install and removal of $deb"
    exit 0
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
files=$(dpkg -L paravue | while read -r f; do [ -f "$f" ] && echo "$f"; done)
/usr/bin/paravue-report --version
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq paravue >/dev/null
left=0
for f in $files; do
    if [ -e "$f" ]; then echo "left behind: $f" >&2; left=1; fi
done
[ -d /usr/share/doc/paravue ] && { echo "left behind: /usr/share/doc/paravue" >&2; left=1; }
exit $left
