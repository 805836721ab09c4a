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

# Writer's own format: a Japanese font by name, sizes, a colour and combined styles.
cat > "$work/fonts.fodt" <<'FODT'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:font-face-decls>
  <style:font-face style:name="ＭＳ 明朝" svg:font-family="'ＭＳ 明朝'"/>
  <style:font-face style:name="Courier New" svg:font-family="'Courier New'"/>
 </office:font-face-decls>
 <office:automatic-styles>
  <style:style style:name="T1" style:family="text"><style:text-properties style:font-name="ＭＳ 明朝" style:font-name-asian="ＭＳ 明朝" fo:font-size="14pt" style:font-size-asian="14pt"/></style:style>
  <style:style style:name="T2" style:family="text"><style:text-properties style:font-name="Courier New" fo:font-weight="bold" fo:font-style="italic" style:text-underline-style="solid" style:text-line-through-style="solid" fo:color="#008000"/></style:style>
 </office:automatic-styles>
 <office:body><office:text>
  <text:p><text:span text:style-name="T1">明朝の十四ポイント</text:span></text:p>
  <text:p>tab<text:tab/>and<text:line-break/>line <text:span text:style-name="T2">all four green</text:span></text:p>
 </office:text></office:body>
</office:document>
FODT

for f in "$work"/*; do
  infilter=()
  case "$f" in *.html) infilter=(--infilter="HTML (StarWriter)");; esac
  soffice --headless --norestore "${infilter[@]}" -env:UserInstallation=file://"$work/profile" \
          --convert-to rtf --outdir "$work/out" "$f" >/dev/null 2>&1
done
cp "$work/out/"*.rtf .
ls -l ./*.rtf
