#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the files and validates the desktop entry
# and the metainfo, then runs the installed quillet-cli as a user who cannot write the prefix:
# its settings must come from the XDG config folder. Exit 77 skips.
#   install_test.sh BUILD_DIR STANDIN_PROGRAM PLAYER_MODULE_DIR
set -euo pipefail
build=$1
standin=$2
player_dir=$3
id=io.github.quillet.Quillet

work=$(mktemp -d)
service_pid=""
cleanup() {
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/quillet bin/quillet-cli \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg \
    share/man/man1/quillet.1 share/man/man1/quillet-cli.1 share/doc/quillet/LICENSE; do
    [ -f "$prefix/$file" ] || fail "$file not installed"
done
for size in 48 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || fail "$png not installed"
    file "$png" | grep -q "PNG image data, $size x $size" || fail "$png is not $size px"
done
[ -x "$prefix/bin/quillet-cli" ] || fail "quillet-cli is not executable"
# The player module quillet loads on its first preview, with every library it needs.
module=$prefix/$player_dir/quillet-player.so
[ -f "$module" ] || fail "$player_dir/quillet-player.so not installed"
! ldd "$module" | grep -q "not found" || fail "the player module misses libraries"
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop entry"
grep -q '^Name\[zh_CN\]=' "$prefix/share/applications/$id.desktop" || fail "no Chinese name"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "metainfo"

# A staged install (as a package build does) puts the same tree under DESTDIR.
DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null
[ -x "$work/stage/usr/bin/quillet-cli" ] || fail "DESTDIR install"

# The installed program as a user who cannot write its folder.
run_as_user=()
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null || { echo "SKIP: no setpriv to drop root"; exit 77; }
    run_as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
chmod -R a-w "$prefix"
home=$work/home
mkdir -p "$home/.config/quillet" "$work/songs"
"$standin" --lifetime 60 >"$work/standin.out" &
service_pid=$!
for _ in $(seq 100); do
    [ -s "$work/standin.out" ] && break
    sleep 0.05
done
host=$(head -n 1 "$work/standin.out")
[ -n "$host" ] || fail "the stand-in service did not start"
# The download folder does not exist yet: the download makes it.
printf '[a]\r\na=%s\r\n[service]\r\nsearch=%s\r\ninfo=%s\r\nconvert=%s\r\n' \
    "$work/songs/新/桌面" "$host" "$host" "$host" | iconv -f UTF-8 -t GBK \
    >"$home/.config/quillet/yyst.ini"
chmod -R a+rwX "$home" "$work/songs"

output=$(cd "$work" && "${run_as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" LANG=C.UTF-8 \
    "$prefix/bin/quillet-cli" download 微笑) || fail "quillet-cli failed: $output"
saved=$(printf '%s\n' "$output" | sed -n 2p)
case "$saved" in
    "$work/songs/新/桌面/"*.mp3) ;;
    *) fail "saved as '$saved', not into the folder of the XDG settings ($output)" ;;
esac
[ -s "$saved" ] || fail "no song file at $saved"
[ ! -e "$prefix/bin/yyst.ini" ] || fail "settings written beside the program"
echo "installed files, validation and XDG settings: ok"
