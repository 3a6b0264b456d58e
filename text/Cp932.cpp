#include "text/Cp932.h"

#include <array>
#include <iconv.h>
#include <memory>

namespace kestrova::cp932 {

namespace {

constexpr std::uint16_t kUnmapped = 0xFFFF; // not a valid code page 932 sequence
constexpr char16_t kReplacement = 0xFFFD;

bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrailByte(unsigned char b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Iconv = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

Iconv openIconv(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    return Iconv(cd == iconv_t(-1) ? nullptr : cd);
}

// Runs one conversion; returns the number of output bytes, or -1 when iconv refused.
int convertOnce(iconv_t cd, const char* in, std::size_t inSize, char* out, std::size_t outSize) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in);
    char* outPtr = out;
    std::size_t inLeft = inSize;
    std::size_t outLeft = outSize;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == std::size_t(-1) || inLeft != 0) {
        return -1;
    }
    return int(outSize - outLeft);
}

struct Tables {
    // Unit -> one byte (below 0x100) or lead << 8 | trail; kUnmapped when none.
    std::array<std::uint16_t, 0x10000> encode;
    // Single bytes, and lead << 8 | trail for double-byte sequences; kReplacement when none.
    std::array<char16_t, 0x100> decodeSingle;
    std::array<char16_t, 0x10000> decodeDouble;

    Tables() {
        encode.fill(kUnmapped);
        decodeSingle.fill(kReplacement);
        decodeDouble.fill(kReplacement);
        // The code page's single bytes below 0x80 are ASCII. Set here, they hold also where the
        // converter is missing, so line breaks, section headers and keys keep their meaning.
        for (unsigned b = 0; b < 0x80; ++b) {
            encode[b] = std::uint16_t(b);
            decodeSingle[b] = char16_t(b);
        }
        buildEncode();
        buildDecode();
    }

    void buildEncode() {
        Iconv cd = openIconv("CP932", "UTF-16LE");
        if (!cd) {
            return;
        }
        for (std::uint32_t u = 0; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF) {
                continue;
            }
            const char in[2] = {char(u & 0xFF), char(u >> 8)};
            unsigned char out[4];
            const int n = convertOnce(cd.get(), in, 2, reinterpret_cast<char*>(out), sizeof out);
            if (n == 1) {
                encode[u] = out[0];
            } else if (n == 2) {
                encode[u] = std::uint16_t(out[0] << 8 | out[1]);
            }
        }
    }

    char16_t decodeSequence(iconv_t cd, const char* in, std::size_t size) {
        unsigned char out[8];
        const int n = convertOnce(cd, in, size, reinterpret_cast<char*>(out), sizeof out);
        return n == 2 ? char16_t(out[0] | out[1] << 8) : kReplacement;
    }

    void buildDecode() {
        Iconv cd = openIconv("UTF-16LE", "CP932");
        if (!cd) {
            return;
        }
        for (unsigned b = 0; b < 0x100; ++b) {
            if (!isLeadByte(b)) {
                const char in[1] = {char(b)};
                decodeSingle[b] = decodeSequence(cd.get(), in, 1);
                continue;
            }
            for (unsigned t = 0x40; t <= 0xFC; ++t) {
                const char in[2] = {char(b), char(t)};
                decodeDouble[b << 8 | t] = decodeSequence(cd.get(), in, 2);
            }
        }
    }
};

const Tables& tables() {
    static const auto instance = std::make_unique<Tables>();
    return *instance;
}

UnitBytes bytesOf(std::uint16_t code) {
    if (code == kUnmapped) {
        return {0, {0, 0}};
    }
    if (code < 0x100) {
        return {1, {static_cast<unsigned char>(code), 0}};
    }
    return {2, {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF)}};
}

} // namespace

UnitBytes EncodeUnit(char16_t unit) {
    return bytesOf(tables().encode[unit]);
}

char16_t DecodeUnit(const UnitBytes& bytes) {
    const Tables& t = tables();
    if (bytes.size == 1) {
        return isLeadByte(bytes.bytes[0]) ? kReplacement : t.decodeSingle[bytes.bytes[0]];
    }
    if (bytes.size == 2 && isLeadByte(bytes.bytes[0]) && isTrailByte(bytes.bytes[1])) {
        return t.decodeDouble[bytes.bytes[0] << 8 | bytes.bytes[1]];
    }
    return kReplacement;
}

std::string Encode(std::u16string_view text, char replacement, bool* lossless) {
    const auto& encode = tables().encode;
    // Written through a pointer into a buffer of the largest size, then cut: the loop does no
    // capacity checks (profile files are encoded whole at every save).
    std::string out(text.size() * 2, '\0');
    char* o = out.data();
    bool allMapped = true;
    for (const char16_t unit : text) {
        const std::uint16_t code = encode[unit];
        if (code < 0x100) {
            *o++ = static_cast<char>(code);
        } else if (code != kUnmapped) {
            *o++ = static_cast<char>(code >> 8);
            *o++ = static_cast<char>(code & 0xFF);
        } else {
            *o++ = replacement;
            allMapped = false;
        }
    }
    out.resize(std::size_t(o - out.data()));
    if (lossless) {
        *lossless = allMapped;
    }
    return out;
}

std::u16string Decode(std::string_view bytes) {
    const Tables& t = tables();
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    // No sequence gives more units than it has bytes.
    std::u16string out(bytes.size(), u'\0');
    char16_t* o = out.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!isLeadByte(s[i])) {
            *o++ = t.decodeSingle[s[i]];
        } else if (i + 1 < bytes.size()) {
            *o++ = t.decodeDouble[s[i] << 8 | s[i + 1]];
            // A byte that cannot be a trail byte is not consumed: it may begin the next character.
            if (isTrailByte(s[i + 1])) {
                ++i;
            }
        } else {
            *o++ = kReplacement;
        }
    }
    out.resize(std::size_t(o - out.data()));
    return out;
}

} // namespace kestrova::cp932
