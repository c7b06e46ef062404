#!/usr/bin/env bash
# Unpacks the FTP daemons that the tests run against into a folder, without installing them (the
# server packages conflict with each other and would start a system service):
#     scripts/daemons.sh DIR
# Afterwards DIR/usr/sbin holds proftpd (with its modules in DIR/usr/lib/proftpd), vsftpd and
# pure-ftpd, and DIR/usr/bin/pure-pw. Quick when they are already.
set -euo pipefail
dir=$1
unpacked() {
    [ -x "$dir/usr/sbin/proftpd" ] && [ -f "$dir/usr/lib/proftpd/mod_tls.so" ] &&
        [ -x "$dir/usr/sbin/vsftpd" ] && [ -x "$dir/usr/sbin/pure-ftpd" ] && [ -x "$dir/usr/bin/pure-pw" ]
}
unpacked && exit 0
mkdir -p "$dir/packages"
cd "$dir/packages"
# apt drops its privileges to download; the folder must be open to it.
chmod 0777 .
apt-get download -qq proftpd-core proftpd-mod-crypto vsftpd pure-ftpd 2>&1 | grep -v '^W: Download is performed unsandboxed' || true
for package in proftpd-core_*.deb proftpd-mod-crypto_*.deb vsftpd_*.deb pure-ftpd_*.deb; do
    dpkg -x "$package" "$dir"
done
unpacked
