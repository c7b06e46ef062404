#!/usr/bin/env bash
# The English translation of the texts in core/texts.h, translations/site_wright_en.ts:
#   scripts/translations.sh update QT_BIN   adds new texts to it (then translate them)
#   scripts/translations.sh check QT_BIN    fails when a text is missing or unfinished
set -euo pipefail
mode=$1
bin=$2
root=$(cd "$(dirname "$0")/.." && pwd)
ts=$root/translations/site_wright_en.ts

lupdate() {
    "$bin/lupdate" -silent "$root/core/texts.h" -locations none -no-obsolete \
        -source-language ja -target-language en -ts "$1"
}

if [ "$mode" = update ]; then
    lupdate "$ts"
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Up to date: lupdate finds no text to add and none to drop.
cp "$ts" "$work/en.ts"
lupdate "$work/en.ts"
if ! diff -u "$ts" "$work/en.ts"; then
    echo "translations/site_wright_en.ts does not match core/texts.h: run the update_translations target and translate" >&2
    exit 1
fi
# Finished: lrelease takes every text and leaves none unfinished or untranslated.
stats=$("$bin/lrelease" "$ts" -qm "$work/en.qm")
echo "$stats"
if ! grep -Eq 'Generated ([1-9][0-9]*) translation\(s\) \(\1 finished and 0 unfinished\)' <<<"$stats" ||
    grep -q 'Ignored' <<<"$stats"; then
    echo "translations/site_wright_en.ts has unfinished texts" >&2
    exit 1
fi
