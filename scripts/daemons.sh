#!/usr/bin/env bash
# Unpacks the FTP daemons that the TLS tests run into a folder, without installing them (the
# server packages conflict with each other and would start a system service):
#     scripts/daemons.sh DIR
# Afterwards DIR/usr/sbin/proftpd and its modules in DIR/usr/lib/proftpd are there. Quick when
# they are already.
set -euo pipefail
dir=$1
[ -x "$dir/usr/sbin/proftpd" ] && [ -f "$dir/usr/lib/proftpd/mod_tls.so" ] && exit 0
mkdir -p "$dir/packages"
cd "$dir/packages"
# apt drops its privileges to download; the folder must be open to it.
chmod 0777 .
apt-get download -qq proftpd-core proftpd-mod-crypto 2>&1 | grep -v '^W: Download is performed unsandboxed' || true
for package in proftpd-core_*.deb proftpd-mod-crypto_*.deb; do
    dpkg -x "$package" "$dir"
done
[ -x "$dir/usr/sbin/proftpd" ] && [ -f "$dir/usr/lib/proftpd/mod_tls.so" ]
