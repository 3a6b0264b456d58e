#include "service/YtDlpFormat.h"

#include <algorithm>
#include <vector>

namespace kestrova {

namespace {

// The codec names yt-dlp reports start like this; VP9 comes both as "vp9" and "vp09.*".
std::vector<const char*> hardwareCodecPrefixes(const HardwareCodecs& codecs) {
    std::vector<const char*> prefixes;
    if (codecs.av1) {
        prefixes.push_back("av01");
    }
    if (codecs.vp9) {
        prefixes.push_back("vp09");
        prefixes.push_back("vp9");
    }
    if (codecs.h264) {
        prefixes.push_back("avc1");
    }
    return prefixes;
}

} // namespace

std::string BuildYtDlpFormat(const FormatNeeds& needs) {
    const int lines = needs.chosenLines > 0   ? needs.chosenLines
                      : needs.screenLines > 0 ? std::min(needs.screenLines, kMaxFormatLines)
                                              : kMaxFormatLines;
    const std::string fits = "[height<=" + std::to_string(lines) + "]";
    std::vector<std::string> choices;
    if (needs.hardwareDecoding) {
        for (const char* prefix : hardwareCodecPrefixes(needs.hardwareCodecs)) {
            choices.push_back("bv" + fits + "[vcodec^=" + prefix + "]+ba");
        }
    }
    choices.push_back("bv" + fits + "[vcodec!^=av01]+ba");
    choices.push_back("bv" + fits + "+ba");
    choices.push_back("b" + fits);
    // A height chosen is never exceeded while anything smaller is there.
    choices.push_back(needs.chosenLines > 0 ? "wv*+ba/w" : "b");
    std::string format;
    for (const std::string& choice : choices) {
        format += (format.empty() ? "" : "/") + choice;
    }
    return format;
}

} // namespace kestrova
