#!/usr/bin/env bash
# Makes the word-processor RTF fixtures: each source below is converted by LibreOffice
# Writer headless (Debian: apt-get install libreoffice-writer-nogui) and the .rtf results
# are committed, so the tests need no office suite. Usage: tests/data/rtf/make_rtf.sh
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs of every kind the editor shows, Latin and Japanese.
cat > "$work/styles.html" <<'HTML'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>styles</title></head><body>
<p>Plain <b>bold</b> <i>italic</i> <u>under</u> <s>strike</s> end.</p>
<p><span style="font-size:20pt">big</span> <span style="color:#ff0000">red</span> <span style="color:#0000ff">blue</span></p>
<p>日本語の<b>太字</b>と<i>斜体</i>です。</p>
<p>Braces {x} and back\slash, café ü €.</p>
</body></html>
HTML

# A Japanese plain text: paragraphs only.
cat > "$work/japanese.txt" <<'TXT'
吾輩は猫である。名前はまだ無い。
どこで生れたかとんと見当がつかぬ。
半角ｶﾅとＡＢＣ全角、そして ASCII。
TXT

# A document with a table, a list and a page header, whose extra destinations the
# reader must step over.
cat > "$work/structure.html" <<'HTML'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>structure</title></head><body>
<h1>Heading</h1>
<ul><li>first item</li><li>second item</li></ul>
<table border="1"><tr><td>cell A</td><td>cell B</td></tr></table>
<p>After the table.</p>
</body></html>
HTML

for f in "$work"/*; do
  infilter=()
  case "$f" in *.html) infilter=(--infilter="HTML (StarWriter)");; esac
  soffice --headless --norestore "${infilter[@]}" -env:UserInstallation=file://"$work/profile" \
          --convert-to rtf --outdir "$work/out" "$f" >/dev/null 2>&1
done
cp "$work/out/"*.rtf .
ls -l ./*.rtf
