#include "text/TextFormat.h"

#include "text/Utf8.h"

#include <algorithm>

namespace kestrova {

namespace {

// Field widths beyond this are not the program's texts' and would only waste memory.
constexpr std::size_t kMaxWidth = 64;

std::u16string digitsOf(std::int64_t number, int base, bool upperCase) {
    const char16_t* digits = upperCase ? u"0123456789ABCDEF" : u"0123456789abcdef";
    // Negative numbers are written with a minus sign in every base; the magnitude is taken
    // unsigned so that the smallest value does not overflow.
    std::uint64_t magnitude = number < 0 ? 0 - std::uint64_t(number) : std::uint64_t(number);
    std::u16string text;
    do {
        text.push_back(digits[magnitude % unsigned(base)]);
        magnitude /= unsigned(base);
    } while (magnitude != 0);
    if (number < 0) {
        text.push_back(u'-');
    }
    std::reverse(text.begin(), text.end());
    return text;
}

struct Placeholder {
    std::size_t length = 0; // of the whole placeholder, "%" included; 0: not a placeholder
    bool zeroPadded = false;
    std::size_t width = 0;
    char16_t kind = 0;
};

bool isConversion(char16_t c) {
    return c == u'd' || c == u'x' || c == u'X' || c == u's';
}

// Reads the placeholder that starts with the "%" at `at`.
Placeholder readPlaceholder(std::u16string_view format, std::size_t at) {
    Placeholder p;
    std::size_t i = at + 1;
    if (i < format.size() && format[i] == u'0') {
        p.zeroPadded = true;
        ++i;
    }
    for (; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i) {
        p.width = std::min(kMaxWidth, p.width * 10 + std::size_t(format[i] - u'0'));
    }
    if (i < format.size() && isConversion(format[i])) {
        p.kind = format[i];
        p.length = i + 1 - at;
    }
    return p;
}

void appendPadded(std::u16string& out, const std::u16string& value, const Placeholder& p) {
    const std::size_t fill = p.width > value.size() ? p.width - value.size() : 0;
    const bool signFirst = p.zeroPadded && !value.empty() && value.front() == u'-';
    if (signFirst) {
        out.push_back(u'-');
    }
    out.append(fill, p.zeroPadded ? u'0' : u' ');
    out.append(value, signFirst ? 1 : 0);
}

} // namespace

std::u16string FormatArgument::render(char16_t kind) const {
    if (const auto* number = std::get_if<std::int64_t>(&m_value)) {
        const int base = kind == u'x' || kind == u'X' ? 16 : 10;
        return digitsOf(*number, base, kind == u'X');
    }
    if (const auto* text = std::get_if<std::u16string_view>(&m_value)) {
        return std::u16string(*text);
    }
    return DecodeUtf8(std::get<std::string_view>(m_value));
}

std::u16string FormatText(std::u16string_view format,
                          std::initializer_list<FormatArgument> arguments) {
    std::u16string out;
    out.reserve(format.size());
    const FormatArgument* next = arguments.begin();
    std::size_t i = 0;
    while (i < format.size()) {
        const std::size_t percent = format.find(u'%', i);
        out.append(format.substr(i, percent - i));
        if (percent == std::u16string_view::npos) {
            break;
        }
        if (percent + 1 < format.size() && format[percent + 1] == u'%') {
            out.push_back(u'%');
            i = percent + 2;
            continue;
        }
        const Placeholder p = readPlaceholder(format, percent);
        if (p.length == 0 || next == arguments.end()) {
            out.push_back(u'%');
            i = percent + 1;
            continue;
        }
        appendPadded(out, next->render(p.kind), p);
        ++next;
        i = percent + p.length;
    }
    return out;
}

} // namespace kestrova
