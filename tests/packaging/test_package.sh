#!/usr/bin/env bash
# Packs the build as a .deb, unpacks it into a temporary root and runs both programs from there
# under a temporary HOME: lintian finds no error or warning, the package's dependencies and
# desktop files pass their validators, the man page and the bash and zsh completions name every
# option, the systemd user units are where systemd finds them, and the installed programs keep their settings, sitemap.xml
# and window geometry in ~/.config/site-wright, the window included.
#     test_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
server_pid=
window_pid=
cleanup() {
    [ -n "$window_pid" ] && kill -KILL "$window_pid" 2>/dev/null
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Polls a condition ten times a second for at most 30 s.
await() {
    for _ in $(seq 300); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    fail "still not true after 30 s: $1"
}

(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(echo "$work"/pkg/site-wright_*.deb)
lintian -i --pedantic --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian"; }
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{print $1}')
for package in libqt6widgets6 libqt6core6 libssl3 libc6 fonts-ipafont-gothic libsqlite3-0 \
    qt6-qpa-plugins libssh-4 libqt6network6; do
    grep -qx "$package" <<<"$depends" || fail "Depends lacks $package:" $depends
done
root=$work/root
dpkg -x "$deb" "$root"
share=$root/usr/share
id=example.quorvane.sitewright

desktop-file-validate "$share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
for size in 16 22 24 32 48 64 128 256; do
    file "$share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
        fail "no ${size}x$size icon"
done
grep -q '<h1>Site Wright</h1>' "$share/doc/site-wright/manual.html" || fail "manual.html"
[ -s "$share/doc/site-wright/docs/main-window.png" ] || fail "the manual's pictures"
for unit in service timer; do
    [ -s "$root/usr/lib/systemd/user/sitewright-generate.$unit" ] || fail "no systemd $unit"
done

for page in sitewright site_wright; do
    lint=$(zcat "$share/man/man1/$page.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$lint" ] || fail "groff $page.1: $lint"
done
man_page=$work/sitewright.1
zcat "$share/man/man1/sitewright.1.gz" >"$man_page"
export HOME=$work/home
unset XDG_CONFIG_HOME
sw=$root/usr/bin/sitewright
# Japanese by default, English in an English locale: the translation travels inside the program.
LC_ALL=C.UTF-8 "$sw" --help | grep -q "使い方: sitewright" || fail "sitewright --help"
LC_ALL=en_US.UTF-8 "$sw" --help | grep -q "^Usage: sitewright" || fail "sitewright --help in English"
for command in configure show generate upload forget memory; do
    for option in $("$sw" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -qF -- "${option//-/\\-}" "$man_page" || fail "the man page lacks $command $option"
    done
done

# The completions sit where bash and zsh load them, know every option of the help, and bash's
# offers a command's options.
bash_completion=$share/bash-completion/completions/sitewright
zsh_completion=$share/zsh/vendor-completions/_sitewright
for command in configure show generate upload forget memory; do
    for option in $("$sw" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -- "$option\b" "$bash_completion" || fail "bash completion lacks $command $option"
        grep -q -- "$option\b" "$zsh_completion" || fail "zsh completion lacks $command $option"
    done
done
offered=$(bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" &&
    COMP_WORDS=(sitewright generate --q) COMP_CWORD=2 COMP_LINE="sitewright generate --q" \
    COMP_POINT=23 && _sitewright && echo "${COMPREPLY[*]}"' _ "$bash_completion")
[ "$offered" = "--quiet" ] || fail "bash completion of generate --q: $offered"

# Asked for its version or help, the window answers on the terminal and needs no display.
version=$(dpkg-deb -f "$deb" Version)
for program in sitewright site_wright; do
    [ "$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/$program" --version)" = \
        "$program $version" ] || fail "$program --version"
done
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb LC_ALL=en_US.UTF-8 \
    "$root/usr/bin/site_wright" --help | grep -q "^Usage: site_wright" || fail "site_wright --help"

# A site on a real FTP server on 127.0.0.1, walked by the installed command line.
mkdir -p "$work/site/public_html/news"
echo '<html></html>' >"$work/site/public_html/index.html"
echo '<html></html>' >"$work/site/public_html/news/today.html"
coproc server { exec /usr/bin/python3 "$source/tests/support/ftp_server.py" --root "$work/site" \
    --user site --password secret; }
server_pid=$server_PID
read -r -t 30 _ port <&"${server[0]}" || fail "the FTP server did not start"
printf 'secret\n' | "$sw" configure --url https://www.example.com --host "127.0.0.1:$port" \
    --user site --password-stdin --root /public_html --tls off >/dev/null || fail "configure"
"$sw" generate >"$work/generate.log" 2>&1 || { cat "$work/generate.log"; fail "generate"; }

program=$HOME/.config/site-wright
for file in config_v1.dat config_v1.conf sitemap.xml; do
    [ -f "$program/$file" ] || fail "no $file in $program"
done
grep -q '^https://www.example.com/news/today.html' "$program/sitemap.xml" ||
    fail "sitemap.xml lacks the site's pages"

# The window shares the folder: showing itself, it removes the sitemap of an earlier run; a
# termination request closes it as the user would, storing its geometry there.
QT_QPA_PLATFORM=offscreen "$root/usr/bin/site_wright" >"$work/window.log" 2>&1 &
window_pid=$!
await '[ ! -e "$program/sitemap.xml" ] || ! kill -0 "$window_pid" 2>/dev/null'
kill -0 "$window_pid" 2>/dev/null || { cat "$work/window.log"; fail "the window ended by itself"; }
kill -TERM "$window_pid"
status=0
wait "$window_pid" || status=$?
window_pid=
[ "$status" -eq 0 ] || { cat "$work/window.log"; fail "the window ended with status $status"; }
grep -q '^Width=' "$program/site_wright.ini" || fail "no window geometry in $program"
[ "$(ls "$root/usr/bin")" = "$(printf 'site_wright\nsitewright')" ] || fail "files written beside the programs"
echo "package $(basename "$deb"): installed, validated and run from $root"
