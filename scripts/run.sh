#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts the program.
#   scripts/run.sh          the program, with its settings beside the executable
#   scripts/run.sh --demo   the program against a local demo host (FTP and web server on
#                           127.0.0.1 serving examples/demo-site), in a fresh folder build/demo
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"

if [ "${1:-}" != "--demo" ]; then
    exec "$root/build/app/site_wright" "$@"
fi

# The program keeps its settings, window geometry and sitemap.xml in its own folder, so the demo
# runs a copy of the executable inside the demo folder: nothing of a real setup is touched.
demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo/program" "$demo/host"
cp -R "$root/examples/demo-site/." "$demo/host/"
cp "$root/build/app/site_wright" "$demo/program/"

user=demo
password=demo
# A certificate of the demo's own, signed by nobody: the program asks once whether to trust it.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 30 \
    -subj "/CN=Site Wright demo host" -addext "subjectAltName=IP:127.0.0.1" \
    -keyout "$demo/demo.key" -out "$demo/demo.crt" 2>/dev/null
coproc host { exec /usr/bin/python3 "$root/scripts/demo_server.py" --root "$demo/host" \
    --user "$user" --password "$password" --tls-cert "$demo/demo.crt" --tls-key "$demo/demo.key"; }
host_pid=$host_PID
trap 'kill "$host_pid" 2>/dev/null; wait "$host_pid" 2>/dev/null || true' EXIT
read -r -t 20 _ ftp_port <&"${host[0]}"
read -r -t 20 _ http_port <&"${host[0]}"

# The demo host lists file times in UTC, hence the offset.
printf '%s\n' "$password" | "$root/build/cli/sitewright" configure --dir "$demo/program" \
    --url "http://127.0.0.1:$http_port" --host "127.0.0.1:$ftp_port" --user "$user" \
    --password-stdin --root /public_html --offset +00:00 --tls auto --indexnow on \
    --indexnow-endpoint "http://127.0.0.1:$http_port/indexnow" >/dev/null

cat <<EOF
Demo host on 127.0.0.1: FTP over TLS on port $ftp_port (user "$user", password "$password";
its certificate is the demo's own: trust it once when the program asks),
web site http://127.0.0.1:$http_port/ served from $demo/host/public_html.
IndexNow goes to the demo host too (http://127.0.0.1:$http_port/indexnow, logged to
$demo/host/indexnow.log).
Program folder: $demo/program
EOF
"$demo/program/site_wright"
