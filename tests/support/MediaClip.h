#pragma once

#include <filesystem>
#include <string>

namespace kestrova::test {

// A two-second 160x90 test-pattern clip with a tone (VP9 and Opus in WebM, about 16 kB),
// made by ffmpeg on first use and kept beside the test program for later runs.
const std::filesystem::path& TestClipPath();
// The clip's bytes; empty when it could not be made.
const std::string& TestClipBytes();

struct ClipShape {
    int width;
    int height;
    int rate; // frames per second
    int seconds;
};

// Makes a test-pattern clip of that shape with a tone at `path` (VP9 and Opus in WebM);
// false when ffmpeg could not.
bool MakeTestClip(const std::filesystem::path& path, const ClipShape& shape);

} // namespace kestrova::test
