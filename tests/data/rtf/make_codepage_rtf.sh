#!/usr/bin/env bash
# Makes the code-page RTF fixtures text-*.rtf, each with the text it must read as in
# text-*.txt (UTF-8, lines joined by LF). Each text is converted to its code page by
# iconv and every byte of a non-ASCII character is written as \'hh, under the header a
# small word processor writes (no \uN anywhere), so the reader's code pages are tested
# with bytes it did not make itself. The results are committed; run it again after a
# change here: tests/data/rtf/make_codepage_rtf.sh
set -euo pipefail
export LC_ALL=C.UTF-8
cd "$(dirname "$0")"
rm -f text-*.rtf text-*.txt

# The text of one line in RTF: ASCII as it is (\ { } escaped), every other character
# as the \'hh bytes of its code page.
rtf_line() { # iconv-name text
    local cs=$1 s=$2 out="" c i
    for ((i = 0; i < ${#s}; i++)); do
        c=${s:i:1}
        case $c in
        '\' | '{' | '}') out+="\\$c" ;;
        [[:print:]])
            if [[ $(printf %d "'$c") -lt 128 ]]; then
                out+=$c
                continue
            fi
            ;&
        *)
            for h in $(printf %s "$c" | iconv -f UTF-8 -t "$cs" | od -An -v -tx1); do
                out+="\\'$h"
            done
            ;;
        esac
    done
    printf %s "$out"
}

# name, header words, font table entry, iconv name, lines (one argument each).
fixture() {
    local name=$1 header=$2 font=$3 cs=$4
    shift 4
    {
        printf '{\\rtf1%s\\deff0\\nouicompat{\\fonttbl{\\f0%s}}\r\n' "$header" "$font"
        printf '{\\*\\generator Zelmo32 fixtures;}\\viewkind4\\uc1 \r\n'
        printf '\\pard\\sa200\\sl276\\slmult1\\f0\\fs22 '
        local first=1 line
        for line in "$@"; do
            ((first)) || printf '\\par\r\n'
            first=0
            rtf_line "$cs" "$line"
        done
        printf '\\par\r\n}\r\n\0' | tr -d '\0'
    } > "text-$name.rtf"
    local IFS=$'\n'
    printf %s "$*" > "text-$name.txt"
}

# The document's code page (\ansicpg), its font of the same character set.
fixture cp874 '\ansi\ansicpg874' '\fnil\fcharset222 Tahoma;' CP874 'ภาษาไทย สวัสดีครับ'
fixture cp932 '\ansi\ansicpg932' '\fnil\fcharset128 MS Gothic;' CP932 \
    '日本語のテキスト、半角ｶﾅ' '表示と予定（ソ・能・十）'
fixture cp936 '\ansi\ansicpg936' '\fnil\fcharset134 SimSun;' CP936 '测试简体中文，欢迎'
fixture cp949 '\ansi\ansicpg949' '\fnil\fcharset129 Gulim;' CP949 '한국어 시험입니다'
fixture cp950 '\ansi\ansicpg950' '\fnil\fcharset136 MingLiU;' CP950 '測試繁體中文，許功蓋'
fixture cp1250 '\ansi\ansicpg1250' '\fnil\fcharset238 Arial;' CP1250 'Proszę, zażółć gęślą jaźń' \
    'Příliš žluťoučký kůň'
fixture cp1251 '\ansi\ansicpg1251' '\fnil\fcharset204 Arial;' CP1251 'Привет, мир! Съешь ещё'
fixture cp1252 '\ansi\ansicpg1252' '\fnil\fcharset0 Arial;' CP1252 'Café crème, œuvre – 10 €'
fixture cp1253 '\ansi\ansicpg1253' '\fnil\fcharset161 Arial;' CP1253 'Καλημέρα κόσμε'
fixture cp1254 '\ansi\ansicpg1254' '\fnil\fcharset162 Arial;' CP1254 'Günaydın İstanbul, ğüşöç'
fixture cp1255 '\ansi\ansicpg1255' '\fnil\fcharset177 Arial;' CP1255 'שלום עולם'
fixture cp1256 '\ansi\ansicpg1256' '\fnil\fcharset178 Arial;' CP1256 'مرحبا بالعالم'
fixture cp1257 '\ansi\ansicpg1257' '\fnil\fcharset186 Arial;' CP1257 'Labas rytas, ąčęėįšųūž; Tēvs'
fixture cp1258 '\ansi\ansicpg1258' '\fnil\fcharset163 Arial;' CP1258 'Tiếng Việt có dấu'
fixture mac '\mac\ansicpg10000' '\fnil\fcharset77 Times;' MACINTOSH 'Café “crème” naïve – ©'

# Western documents whose font alone names the character set, as word processors write
# a Chinese, Thai or Polish run in an otherwise Western document.
fixture fcharset134 '\ansi\ansicpg1252' '\fnil\fcharset134 SimSun;' CP936 '测试'
fixture fcharset222 '\ansi\ansicpg1252' '\fswiss\fcharset222 Tahoma;' CP874 'ทดสอบ'
fixture fcharset238 '\ansi\ansicpg1252' '\fswiss\fcharset238 Arial;' CP1250 'Proszę'
fixture fcharset204 '\ansi\ansicpg1252' '\fswiss\fcharset204 Arial;' CP1251 'Проверка'

# Symbol words, and a table with a table nested in its first row.
cat > text-symbols.rtf <<'RTF'
{\rtf1\ansi\ansicpg1252\deff0\nouicompat{\fonttbl{\f0\fnil\fcharset0 Arial;}}
{\*\generator Zelmo32 fixtures;}\viewkind4\uc1 
\pard\f0\fs22 a\endash b\emdash c\bullet d\lquote e\rquote f\ldblquote g\rdblquote h\par
i\enspace j\emspace k\~l\_m\-n\par
}
RTF
printf 'a\u2013b\u2014c\u2022d\u2018e\u2019f\u201cg\u201dh\ni\u2002j\u2003k\u00a0l\u2011mn' \
    > text-symbols.txt
cat > text-nested.rtf <<'RTF'
{\rtf1\ansi\ansicpg1252\deff0\nouicompat{\fonttbl{\f0\fnil\fcharset0 Arial;}}
{\*\generator Zelmo32 fixtures;}\viewkind4\uc1 
\trowd\cellx3000\cellx6000
\pard\intbl\f0\fs22 outer 1\cell
\pard\intbl\itap2 inner A\nestcell inner B\nestcell
{\*\nesttableprops\trowd\cellx1500\cellx3000\nestrow}{\nonesttables\par}
\pard\intbl\itap1\cell\row
\trowd\cellx3000\cellx6000
\pard\intbl outer 2\cell last\cell\row
\pard After the table.\par
}
RTF
printf 'outer 1\tinner A\tinner B\t\n\t\nouter 2\tlast\t\nAfter the table.' > text-nested.txt
