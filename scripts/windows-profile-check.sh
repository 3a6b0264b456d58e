#!/usr/bin/env bash
# By hand: does the Windows profile reader read a History.ini that Kestrova created?
# Kestrova's core writes two history files with Japanese titles (one that code page 932 holds,
# one with an ID it cannot hold, which makes the file UTF-16LE) and places (POSITION), and reads
# them back; a small Windows program calling GetPrivateProfileStringW and GetPrivateProfileIntW
# reads the same files under Wine with a Japanese locale. Both print every record; the two
# listings must be identical.
#
# Needs (development machines only, not CI): wine64 gcc-mingw-w64-x86-64 locales, and the
# locale ja_JP.UTF-8 (localedef -i ja_JP -f UTF-8 ja_JP.UTF-8). Builds kestrova_core first.
#   Usage: scripts/windows-profile-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
for tool in "$wine" x86_64-w64-mingw32-gcc; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
locale -a | grep -qi '^ja_JP.utf-\?8$' || { echo "missing locale ja_JP.UTF-8" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --build --preset default --target kestrova_core >/dev/null

cat >"$work/writer.cpp" <<'EOF'
// Saves a history as Kestrova does, then lists it as Kestrova loads it:
// "k<TAB>ID<TAB>TITLE<TAB>POSITION".
#include "history/HistoryStore.h"
#include "text/Utf8.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace kestrova;
    const bool handTypedId = argc > 2 && std::strcmp(argv[2], "--id-beyond-cp932") == 0;
    const std::u16string titles[] = {
        u"朝の散歩 Morning walk", u"東京タワー【公式】第１回", u"ﾃｽﾄ ﾊﾝｶｸ", u"",
        u"  余白と\"引用符\"  ", u"記号～①㈱ ＠＃", u"Ω μ Привет", std::u16string(259, u'漢'),
    };
    HistoryStore store;
    int n = 0;
    for (const std::u16string& title : titles) {
        const std::string digits = std::to_string(n++);
        HistoryItem item;
        item.m_strVideoId = u"Ab3dE5gH1j" + std::u16string(digits.begin(), digits.end());
        item.m_strTitle = title;
        store.AddToHistory(item);
    }
    if (handTypedId) {
        HistoryItem item;
        item.m_strVideoId = u"café😀";
        item.m_strTitle = u"手入力";
        store.AddToHistory(item);
    }
    // Every record but the first was left somewhere.
    for (std::size_t k = 1; k < store.items().size(); ++k) {
        store.setPlace(store.items()[k].m_strVideoId, int(k) * 97);
    }
    if (!store.saveTo(argv[1])) {
        return 1;
    }
    HistoryStore reread;
    reread.loadFrom(argv[1]);
    for (std::size_t k = 0; k < reread.items().size(); ++k) {
        const HistoryItem& item = reread.items()[k];
        std::printf("%zu\t%s\t%s\t%d\n", k, EncodeUtf8(item.m_strVideoId).c_str(),
                    EncodeUtf8(item.m_strTitle).c_str(), item.m_position);
    }
    return 0;
}
EOF

cat >"$work/reader.c" <<'EOF'
/* Lists History.ini through the Windows profile functions: "k<TAB>ID<TAB>TITLE<TAB>POSITION"
   in UTF-8. */
#include <stdio.h>
#include <windows.h>

static void put(const wchar_t* text) {
    char out[1100];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, NULL, NULL);
    fwrite(out, 1, n > 0 ? (size_t)(n - 1) : 0, stdout);
}

int wmain(int argc, wchar_t** argv) {
    UINT count = GetPrivateProfileIntW(L"SYSTEM", L"COUNT", 0, argv[1]);
    for (UINT k = 0; k < count; ++k) {
        wchar_t section[32], id[261], title[261];
        swprintf(section, 32, L"ITEM%u", k);
        GetPrivateProfileStringW(section, L"VIDEOID", L"", id, 261, argv[1]);
        GetPrivateProfileStringW(section, L"TITLE", L"", title, 261, argv[1]);
        printf("%u\t", k);
        put(id);
        printf("\t");
        put(title);
        printf("\t%u\n", GetPrivateProfileIntW(section, L"POSITION", 0, argv[1]));
    }
    return argc > 1 ? 0 : 1;
}
EOF

g++ -std=c++20 -I. -Ibuild/generated "$work/writer.cpp" build/app/libkestrova-core.so \
    -Wl,-rpath,"$PWD/build/app" -o "$work/writer"
x86_64-w64-mingw32-gcc -municode -O2 "$work/reader.c" -o "$work/reader.exe"

export WINEPREFIX="$work/wine" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
status=0
for variant in "" --id-beyond-cp932; do
    ini="$work/History.ini"
    rm -f "$ini"
    "$work/writer" "$ini" $variant >"$work/kestrova.txt"
    first=$(head -c 2 "$ini" | od -An -tx1 | tr -d ' ')
    case "$first" in fffe) encoding="UTF-16LE with mark" ;; *) encoding="code page 932" ;; esac
    "$wine" "$work/reader.exe" "Z:${ini//\//\\}" 2>/dev/null | tr -d '\r' >"$work/windows.txt"
    echo "== History.ini in $encoding${variant:+ ($variant)}: $(wc -l <"$work/kestrova.txt") records"
    if diff "$work/kestrova.txt" "$work/windows.txt"; then
        echo "same records and titles through GetPrivateProfileStringW"
    else
        status=1
    fi
    cut -c1-80 "$work/windows.txt"
done
exit $status
