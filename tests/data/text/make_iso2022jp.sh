#!/usr/bin/env bash
# Makes the ISO-2022-JP fixtures iso2022jp-*.txt with iconv, each from a UTF-8 text, so
# the editor reads bytes it did not make itself. The results are committed; run it again
# after a change here: tests/data/text/make_iso2022jp.sh
set -euo pipefail
export LC_ALL=C.UTF-8
cd "$(dirname "$0")"
rm -f iso2022jp-*.txt

# A mail body: CR LF, an ASCII line between Japanese ones, symbols of JIS X 0208.
printf '吾輩は猫である。名前はまだ無い。\r\nSubject: test 1\r\n（旧称）〒100-0001 ※東京都\r\n' |
    iconv -f UTF-8 -t ISO-2022-JP >iso2022jp-mail.txt
# LF, Japanese and ASCII in one line, no final line break.
printf 'abc あいう def\n漢字のみ\nend' | iconv -f UTF-8 -t ISO-2022-JP >iso2022jp-mixed.txt
# Half-width katakana (ESC ( I) and JIS X 0201 Roman (ESC ( J), as older mailers wrote.
printf '\x1b(I\x31\x32\x33\x1b(B\r\n\x1b(J\x5c100\x1b(B \x1b$@\x30\x21\x1b(B\r\n' >iso2022jp-kana.txt
