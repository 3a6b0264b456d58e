#pragma once

#include <filesystem>
#include <string>

namespace kestrova::test {

// A shell script with the given body (after "#!/bin/sh"), executable unless told otherwise;
// its folders are made as needed.
void WriteScript(const std::filesystem::path& path, const std::string& body,
                 bool executable = true);

} // namespace kestrova::test
