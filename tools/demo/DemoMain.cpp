// kestrova-demo: Kestrova without the internet. A loopback feed server knows a dozen videos,
// a loopback media server plays a generated clip for any of them, and the real program runs
// in a temporary program folder whose Kestrova.ini points at both.
#include "support/FeedServer.h"
#include "support/MediaClip.h"
#include "support/MediaServer.h"
#include "text/Utf8.h"
#include "tools/demo/ChildProcess.h"
#include "tools/demo/DemoCatalogue.h"
#include "tools/demo/DemoFolder.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string_view>

namespace kestrova::demo {
namespace {

constexpr std::string_view kUsage =
    "Usage: kestrova-demo [options] [-- program arguments]\n"
    "  --keep           keep the program folder (and what Kestrova wrote there)\n"
    "  --history        start with a few history rows\n"
    "  --serve          only serve and write the folder; end on SIGINT or SIGTERM\n"
    "  --program PATH   the kestrova executable to run (default: the one built)\n"
    "  --info FILE      write the folder and addresses as KEY=VALUE lines to FILE\n";

struct Options {
    bool keep = false;
    bool history = false;
    bool serve = false;
    std::filesystem::path program = KESTROVA_BUILT_PROGRAM;
    std::filesystem::path infoFile;
    std::vector<std::string> programArguments;
};

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") {
            options.programArguments.assign(argv + i + 1, argv + argc);
            break;
        }
        if (argument == "--keep") {
            options.keep = true;
        } else if (argument == "--history") {
            options.history = true;
        } else if (argument == "--serve") {
            options.serve = true;
        } else if (argument == "--program" && i + 1 < argc) {
            options.program = argv[++i];
        } else if (argument == "--info" && i + 1 < argc) {
            options.infoFile = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    return options;
}

void printVideos(const DemoFolder& folder, const std::string& feedUrl) {
    std::cout << "Kestrova offline demo\n  program folder: " << folder.path().string()
              << "\n  feed:           " << feedUrl << "<ID>\n\nVideo IDs to type:\n";
    for (const DemoVideo& video : DemoVideos()) {
        std::cout << "  " << EncodeUtf8(video.id) << "  "
                  << (video.title.empty() ? "(none)" : EncodeUtf8(video.title)) << "   ["
                  << video.note << "]\n";
    }
    std::cout << std::endl;
}

void writeInfo(const std::filesystem::path& file, const DemoFolder& folder,
               const test::FeedServer& feed, const test::MediaServer& media) {
    std::ofstream out(file, std::ios::trunc);
    out << "FOLDER=" << folder.path().string() << "\nPROGRAM=" << folder.program().string()
        << "\nFEEDURL=" << feed.feedUrl() << "\nPLAYERURL=" << media.playerPrefix()
        << "\nVIDEOID=" << EncodeUtf8(DemoVideos().front().id)
        << "\nCLIPURL=" << media.playerPrefix() << EncodeUtf8(DemoVideos().front().id) << "\n";
}

int run(const Options& options) {
    if (test::TestClipBytes().empty()) {
        std::cerr << "kestrova-demo: the test clip could not be made (is ffmpeg installed?)\n";
        return 1;
    }
    BlockProgramSignals();
    test::FeedServer feed;
    for (const DemoVideo& video : DemoVideos()) {
        if (!video.title.empty()) {
            feed.setTitle(video.id, video.title);
        }
    }
    test::MediaServer media;
    DemoFolder folder(options.program, options.keep);
    folder.writeSettings(feed.feedUrl(), media.playerPrefix(), DemoVideos().front().id);
    if (options.history) {
        folder.writeHistory(DemoHistory());
    }
    if (!options.infoFile.empty()) {
        writeInfo(options.infoFile, folder, feed, media);
    }
    printVideos(folder, feed.feedUrl());

    int status = 0;
    if (options.serve) {
        std::cout << "Serving; end with Ctrl+C." << std::endl;
        WaitForTerminationSignal();
    } else {
        status = RunAndWait(folder.program(), options.programArguments);
        if (status < 0) {
            std::cerr << "kestrova-demo: cannot start " << options.program.string() << "\n";
            status = 1;
        }
    }
    if (options.keep) {
        std::cout << "Kept " << folder.path().string() << std::endl;
    }
    return status;
}

} // namespace
} // namespace kestrova::demo

int main(int argc, char** argv) {
    const auto options = kestrova::demo::parseOptions(argc, argv);
    if (!options) {
        std::cerr << kestrova::demo::kUsage;
        return 2;
    }
    try {
        return kestrova::demo::run(*options);
    } catch (const std::exception& error) {
        std::cerr << "kestrova-demo: " << error.what() << "\n";
        return 1;
    }
}
