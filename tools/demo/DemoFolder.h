#pragma once

#include "tools/demo/DemoCatalogue.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kestrova::demo {

// A temporary program folder: the program (a symbolic link, so argument 0's folder is this
// one and the data files land here), and a Kestrova.ini that points the feed and the player
// at the loopback servers. Removed with everything in it when the object goes, unless kept.
class DemoFolder {
public:
    DemoFolder(const std::filesystem::path& program, bool keep);
    ~DemoFolder();
    DemoFolder(const DemoFolder&) = delete;
    DemoFolder& operator=(const DemoFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path program() const { return m_path / "kestrova"; }

    void writeSettings(const std::string& feedUrl, const std::string& playerUrl,
                       const std::u16string& videoId) const;
    void writeHistory(const std::vector<DemoVideo>& rows) const;

private:
    std::filesystem::path m_path;
    bool m_keep;
};

} // namespace kestrova::demo
