#include "tests/support/MediaClip.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace kestrova::test {
namespace {

std::filesystem::path makeClip() {
    std::error_code error;
    const auto folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    const auto clip = folder / "test-clip.webm";
    if (std::filesystem::exists(clip))
        return clip;
    // Tests run in parallel processes: each makes its own file and renames it into place.
    const auto part = folder / ("test-clip." + std::to_string(getpid()) + ".webm");
    if (MakeTestClip(part, {160, 90, 25, 2}))
        std::filesystem::rename(part, clip, error);
    std::filesystem::remove(part, error);
    return clip;
}

// ffmpeg's metadata file: a section a chapter, in seconds.
std::string chapterMetadata(const std::vector<ClipChapter>& chapters, int seconds) {
    std::string text = ";FFMETADATA1\n";
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const int end = i + 1 < chapters.size() ? chapters[i + 1].start : seconds;
        text += "[CHAPTER]\nTIMEBASE=1/1\nSTART=" + std::to_string(chapters[i].start) +
                "\nEND=" + std::to_string(end) + "\ntitle=" + chapters[i].title + "\n";
    }
    return text;
}

} // namespace

bool MakeTestClip(const std::filesystem::path& path, const ClipShape& shape,
                  const std::vector<ClipChapter>& chapters) {
    const std::string size = std::to_string(shape.width) + "x" + std::to_string(shape.height);
    const std::string seconds = std::to_string(shape.seconds);
    const std::filesystem::path metadata = path.string() + ".chapters";
    if (!chapters.empty())
        WriteFileBytes(metadata, chapterMetadata(chapters, shape.seconds));
    const std::string chapterInput =
        chapters.empty() ? "" : " -f ffmetadata -i '" + metadata.string() + "' -map_chapters 2";
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=" + size +
        ":rate=" + std::to_string(shape.rate) + ":duration=" + seconds +
        " -f lavfi -i sine=frequency=440:duration=" + seconds + chapterInput +
        " -c:v libvpx-vp9 -crf 40 -b:v 0 -c:a libopus -b:a 24k -shortest '" + path.string() +
        "' </dev/null >/dev/null 2>&1";
    const bool made = std::system(command.c_str()) == 0;
    std::error_code error;
    std::filesystem::remove(metadata, error);
    return made;
}

const std::filesystem::path& TestClipPath() {
    static const std::filesystem::path path = makeClip();
    return path;
}

const std::string& TestClipBytes() {
    static const std::string bytes =
        std::filesystem::exists(TestClipPath()) ? ReadFileBytes(TestClipPath()) : std::string();
    return bytes;
}

} // namespace kestrova::test
