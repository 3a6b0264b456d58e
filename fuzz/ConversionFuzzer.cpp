// Feed body bytes through the three conversion steps, and through the one pass that
// FetchVideoFeed takes, which must give exactly the same feed text.
#include "metadata/TextConversions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrova;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::size_t units = 0;
    const auto wide = Utf8ToWide(body, &units);
    if (!wide || units != wide->size() || wide->find(u'\0') != std::u16string::npos) {
        __builtin_trap();
    }
    std::size_t bytes = 0;
    const auto multiByte = WideToJapaneseMultiByte(wide, &bytes);
    if (!multiByte || bytes != multiByte->size() || bytes > 2 * units) {
        __builtin_trap();
    }
    const std::u16string feedText = AnsiToWide(multiByte);
    if (BodyToFeedText(body) != feedText) {
        __builtin_trap();
    }
    // The feed text holds only characters code page 932 can represent: a second pass keeps it.
    // (A leading U+FEFF cannot survive the first pass, so nothing is skipped the second time.)
    if (AnsiToWide(WideToJapaneseMultiByte(feedText)) != feedText) {
        __builtin_trap();
    }
    return 0;
}
