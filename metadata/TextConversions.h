#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// The three steps that turn a feed body into the feed text, in this order:
//   Utf8ToWide -> WideToJapaneseMultiByte -> AnsiToWide.
// The net effect is UTF-8 decoding followed by a round trip through code page 932: a
// character the code page holds comes back, every other UTF-16 unit becomes one space.
// Each text ends at its first zero byte or unit, like the C strings these steps once took.
// "No result" (std::nullopt) stands for exhausted storage; an absent input passes it on.

// Decodes UTF-8 into UTF-16. Ill-formed sequences become U+FFFD without swallowing the
// bytes after them; four-byte forms become surrogate pairs. `count` receives the number of
// units.
std::optional<std::u16string> Utf8ToWide(std::string_view bytes, std::size_t* count = nullptr);

// Encodes UTF-16 into code page 932 unit by unit; a unit without a mapping (U+FFFD, lone
// surrogates, each half of a pair) becomes one space. A leading U+FEFF or U+FFFE (a byte-order
// mark) is skipped; the same unit anywhere else is converted like any other. `count` receives
// the number of bytes. An absent input gives no result and leaves `count` untouched.
std::optional<std::string> WideToJapaneseMultiByte(std::optional<std::u16string_view> text,
                                                   std::size_t* count = nullptr);

// Decodes code page 932 back into UTF-16. An absent or empty input gives an empty text.
std::u16string AnsiToWide(std::optional<std::string_view> bytes);

// The three steps above in one pass, with exactly their result: the body is decoded once and
// each unit goes through one table to what the code page 932 round trip makes of it (itself,
// the code page's twin of a duplicate mapping, or a space). What the round trip does with
//  - zero units: none reach it. The body ends at its first zero byte, and the decoder yields
//    U+0000 only for that byte (the over-long C0 80 is two U+FFFD, which become two spaces);
//  - byte-order marks: a U+FEFF or U+FFFE that is the first unit (EF BB BF or EF BF BE at the
//    body's start) is dropped; anywhere else either has no mapping and becomes a space;
//  - surrogates: the decoder yields them only as pairs, for four-byte forms; each half has no
//    mapping alone, so a character beyond U+FFFF becomes two spaces.
std::u16string BodyToFeedText(std::string_view body);

} // namespace kestrova
