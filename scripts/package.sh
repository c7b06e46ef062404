#!/usr/bin/env bash
# Installs what is missing, builds in Release and packs the program as a .deb in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
cd "$root/build"
cpack -G DEB
