#include "text/PercentEncoding.h"

#include "text/Utf8.h"

namespace kestrova {

namespace {

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// "." and ".." as a whole segment name the folder itself and its parent: HTTP clients remove
// such segments (RFC 3986, 5.2.4), so the address would leave the ID's place.
bool isDotSegment(std::u16string_view text) {
    return text == u"." || text == u"..";
}

} // namespace

std::string PercentEncode(std::u16string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const bool dotSegment = isDotSegment(text);
    std::string out;
    for (const unsigned char c : EncodeUtf8(text)) {
        if (isUnreserved(c) && !dotSegment) {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

} // namespace kestrova
