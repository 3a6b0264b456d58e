#include "request/VideoReference.h"

#include <string_view>

namespace kestrova {

namespace {

constexpr std::u16string_view kAddressMarkers[] = {u"http://", u"https://"};
constexpr std::u16string_view kParameterMarker = u"v=";
constexpr std::size_t kIdLength = 11;

bool hasAddressMarker(std::u16string_view text) {
    for (auto marker : kAddressMarkers) {
        if (text.find(marker) != std::u16string_view::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

std::u16string ParseVideoReference(std::u16string text) {
    if (hasAddressMarker(text)) {
        // The first "v=" anywhere in the text counts, even one before the address marker.
        const auto p = text.find(kParameterMarker);
        if (p == std::u16string::npos) {
            return {};
        }
        return text.substr(p + kParameterMarker.size(), kIdLength);
    }
    return text.size() == kIdLength ? text : std::u16string{};
}

} // namespace kestrova
