#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Quick when all are there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-l10n-tools libsqlite3-dev fonts-ipafont-gothic
    libgtest-dev libbenchmark-dev libssl-dev zlib1g-dev libxml2-utils
    # the SFTP session, and the OpenSSH server and agent its tests run; pam_wrapper lets that
    # server check a password of its own, with no system account touched
    libssh-dev openssh-server openssh-client libpam-wrapper
    python3-pyftpdlib python3-openssl ca-certificates openssl
    # the manual, the .deb and the package test's validators
    cmark dpkg-dev file desktop-file-utils appstream groff-base lintian bash-completion
    # what the unpacked daemons of the tests need to run (scripts/daemons.sh): ProFTPD, vsftpd
    libhiredis0.14 libmemcached11 libmemcachedutil2 libpcre2-posix3 libwrap0
)
if [ $# -gt 0 ]; then
    packages+=("$@")
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}" >&2
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
