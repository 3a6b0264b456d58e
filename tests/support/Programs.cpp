#include "support/Programs.h"

#include "support/TempDir.h"

namespace kestrova::test {

void WriteScript(const std::filesystem::path& path, const std::string& body, bool executable) {
    std::filesystem::create_directories(path.parent_path());
    WriteFileBytes(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, executable ? std::filesystem::perms::owner_all
                                                  : std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_write);
}

} // namespace kestrova::test
