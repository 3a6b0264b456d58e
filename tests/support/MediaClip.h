#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

struct ClipChapter {
    int start; // seconds
    std::string title;
};

// Makes a test-pattern clip of that shape with a tone at `path` (VP9 and Opus in WebM), with
// the chapters given, each until the next one starts; false when ffmpeg could not.
bool MakeTestClip(const std::filesystem::path& path, const ClipShape& shape,
                  const std::vector<ClipChapter>& chapters = {});

} // namespace kestrova::test
