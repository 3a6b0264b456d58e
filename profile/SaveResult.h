#pragma once

#include <iosfwd>
#include <string_view>

namespace kestrova {

// What became of a profile file's save, passed on by the stores so that the debug console can
// say why a save failed. Tests as true only when the file was saved.
class SaveResult {
public:
    enum Value {
        Saved,       // the file was replaced whole
        NotReplaced, // the file exists but could not be read, or is not a regular file
        ReadOnly,    // the file or its folder may not be written
        WriteFailed, // creating, writing, flushing or renaming failed; the old file is whole
        TooLarge,    // the content is larger than a read accepts; the old file is whole
    };

    constexpr SaveResult(Value value)
        : m_value(value) {}

    constexpr Value value() const { return m_value; }
    constexpr explicit operator bool() const { return m_value == Saved; }
    constexpr bool operator==(const SaveResult&) const = default;

    // A short English phrase for the console, e.g. "read-only".
    std::string_view name() const;

private:
    Value m_value;
};

std::ostream& operator<<(std::ostream& out, SaveResult result);

} // namespace kestrova
