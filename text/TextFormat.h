#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace kestrova {

// One value for a placeholder of FormatText: a number, a UTF-16 text or a UTF-8 text. It
// refers to the text, which must outlive the call.
class FormatArgument {
public:
    FormatArgument(std::int64_t number)
        : m_value(number) {}
    FormatArgument(int number)
        : m_value(std::int64_t(number)) {}
    FormatArgument(unsigned number)
        : m_value(std::int64_t(number)) {}
    FormatArgument(std::u16string_view text)
        : m_value(text) {}
    FormatArgument(const char16_t* text)
        : m_value(std::u16string_view(text)) {}
    FormatArgument(const std::u16string& text)
        : m_value(std::u16string_view(text)) {}
    FormatArgument(std::string_view utf8)
        : m_value(utf8) {}
    FormatArgument(const char* utf8)
        : m_value(std::string_view(utf8)) {}
    FormatArgument(const std::string& utf8)
        : m_value(std::string_view(utf8)) {}

    // The argument as conversion `kind` writes it: 'd', 'x' and 'X' write a number in that
    // base, 's' a text; a number given for 's' is written in decimal, a text given for a
    // number as it stands.
    std::u16string render(char16_t kind) const;

private:
    std::variant<std::int64_t, std::u16string_view, std::string_view> m_value;
};

// Fills the printf-style placeholders of the program's fixed texts: "%d" (decimal), "%x" and
// "%X" (hexadecimal), "%s" (text), each with an optional "0" flag and a field width ("%04x"),
// and "%%" for a percent sign. Each placeholder takes the next argument. A placeholder left
// without an argument, and anything else after a "%", is kept as it stands: a text with more
// placeholders than arguments never reads beyond them.
std::u16string FormatText(std::u16string_view format,
                          std::initializer_list<FormatArgument> arguments);

} // namespace kestrova
