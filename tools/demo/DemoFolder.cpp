#include "tools/demo/DemoFolder.h"

#include "text/Utf8.h"

#include <fstream>
#include <stdexcept>
#include <stdlib.h>

namespace kestrova::demo {

namespace {

void writeText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

} // namespace

DemoFolder::DemoFolder(const std::filesystem::path& program, bool keep)
    : m_keep(keep) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kestrova-demo-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    m_path = pattern;
    std::filesystem::create_symlink(std::filesystem::absolute(program), this->program());
}

DemoFolder::~DemoFolder() {
    if (!m_keep) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

void DemoFolder::writeSettings(const std::string& feedUrl, const std::string& playerUrl,
                               const std::u16string& videoId) const {
    // Offline, Kestrova fetches no yt-dlp (YTDLPURL empty): the demo's videos are plain media.
    writeText(m_path / "Kestrova.ini", "[SYSTEM]\nVIDEOID=" + EncodeUtf8(videoId) +
                                           "\n[NETWORK]\nFEEDURL=" + feedUrl +
                                           "\nPLAYERURL=" + playerUrl + "\nYTDLPURL=\n");
}

void DemoFolder::writeHistory(const std::vector<DemoVideo>& rows) const {
    std::string text = "[SYSTEM]\nCOUNT=" + std::to_string(rows.size()) + "\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        text += "[ITEM" + std::to_string(i) + "]\nVIDEOID=" + EncodeUtf8(rows[i].id) +
                "\nTITLE=" + EncodeUtf8(rows[i].title) + "\n";
    }
    writeText(m_path / "History.ini", text);
}

} // namespace kestrova::demo
