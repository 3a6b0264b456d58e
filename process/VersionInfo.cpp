#include "process/VersionInfo.h"

#include "process/VersionResource.h"
#include "res/Texts.h"
#include "text/TextFormat.h"

namespace kestrova {

namespace {

// The label store holds 256 characters, terminator included.
constexpr std::size_t kLabelCapacity = 255;

struct LabelStore {
    std::u16string label;
    bool built = false;
};

LabelStore& labelStore() {
    static LabelStore store;
    return store;
}

std::optional<VersionBlock> readVersionBlock() {
    if (const auto& reader = VersionReaderSeam().standIn()) {
        return reader();
    }
    return ProgramVersionBlock();
}

std::u16string translationKey(const VersionTranslation& t) {
    return FormatText(u"%04x%04x", {unsigned(t.language), unsigned(t.codePage)});
}

// A label, or nothing when the version cannot be read; a missing "ProductVersion" counts as
// unreadable rather than producing a label from an absent text.
std::optional<std::u16string> buildLabel() {
    const std::optional<VersionBlock> block = readVersionBlock();
    if (!block) {
        return std::nullopt;
    }
    VersionTranslation translation{};
    if (!block->queryTranslation(&translation)) {
        return std::nullopt;
    }
    const std::u16string subBlock =
        u"\\StringFileInfo\\" + translationKey(translation) + u"\\ProductVersion";
    std::u16string productVersion;
    if (!block->queryString(subBlock, &productVersion)) {
        return std::nullopt;
    }
    std::u16string label = std::u16string(texts::kVersionLabelPrefix) + productVersion;
    if (label.size() > kLabelCapacity) {
        label.resize(kLabelCapacity);
    }
    return label;
}

} // namespace

bool VersionBlock::queryTranslation(VersionTranslation* first) const {
    if (translations.empty()) {
        return false;
    }
    *first = translations.front();
    return true;
}

bool VersionBlock::queryString(std::u16string_view subBlock, std::u16string* value) const {
    for (const auto& [path, text] : strings) {
        if (path == subBlock) {
            *value = text;
            return true;
        }
    }
    return false;
}

Seam<VersionReader>& VersionReaderSeam() {
    static Seam<VersionReader> seam;
    return seam;
}

std::u16string GetVersionLabel() {
    LabelStore& store = labelStore();
    if (store.built) {
        return store.label;
    }
    store.label.clear();
    if (std::optional<std::u16string> label = buildLabel()) {
        store.label = std::move(*label);
        store.built = true;
    }
    return store.label;
}

void ForgetVersionLabel() {
    labelStore() = {};
}

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to) {
    std::u16string result;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); !from.empty() && at != text.npos;
         at = text.find(from, start)) {
        result.append(text.substr(start, at - start)).append(to);
        start = at + from.size();
    }
    result.append(text.substr(start));
    return result;
}

std::u16string AboutVersionText(std::u16string_view label) {
    // Hide the ".:" of the prefix behind "??" while the other dots turn into dashes; a "??"
    // of the version itself comes out as ".:" as well, since the last step cannot tell.
    std::u16string text = ReplaceAll(label, u".:", u"??");
    text = ReplaceAll(text, u".", u"-");
    text = ReplaceAll(text, u"??", u".:");
    return std::u16string(texts::kAboutNamePrefix) + text;
}

} // namespace kestrova
