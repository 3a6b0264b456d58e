#pragma once

// The program's own version information, read the way the About box has always read it:
// the first translation of the version block picks the string table, whose "ProductVersion"
// becomes the label "Ver.:<version>".

#include "process/Seam.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrova {

struct VersionTranslation {
    std::uint16_t language;
    std::uint16_t codePage;
};

// A version block: the translation table and the string tables, each string addressed by its
// sub-block path "\StringFileInfo\<language><code page>\<name>".
struct VersionBlock {
    std::vector<VersionTranslation> translations;
    std::vector<std::pair<std::u16string, std::u16string>> strings;

    // Answers "\VarFileInfo\Translation" with the first translation entry.
    bool queryTranslation(VersionTranslation* first) const;
    // Answers a string sub-block path; false when the block has no such entry.
    bool queryString(std::u16string_view subBlock, std::u16string* value) const;
};

// Where the version block comes from instead of the program's own block; a reader returns
// nothing when the version information cannot be read.
using VersionReader = std::function<std::optional<VersionBlock>()>;
Seam<VersionReader>& VersionReaderSeam();

// The process-wide version label, e.g. "Ver.:1.0.1.108"; empty when the version cannot be
// read. A label built once is kept for the life of the process; a failure is not remembered.
std::u16string GetVersionLabel();

// Drops the kept label, so the next GetVersionLabel reads the version again.
void ForgetVersionLabel();

// The About box's version line: every "." of the label becomes "-" except the one directly
// followed by ":", and the program's name goes in front ("Kestrova Ver.:1-0-1-108").
std::u16string AboutVersionText(std::u16string_view label);

// Replaces every occurrence of `from`, left to right, without re-scanning the replacements.
std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to);

} // namespace kestrova
