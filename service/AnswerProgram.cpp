// Stands in for yt-dlp where the engine's yt-dlp hook runs it: Kestrova has already asked
// yt-dlp, and hands its answer over as a file named by the option "--kestrova-answer". The
// hook reads the answer from standard output as it would read yt-dlp's.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string_view>

namespace {

constexpr std::string_view kAnswerOption = "--kestrova-answer";

const char* answerFile(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            break;
        if (argument == kAnswerOption && i + 1 < argc)
            return argv[i + 1];
        if (argument.starts_with(kAnswerOption) && argument[kAnswerOption.size()] == '=')
            return argv[i] + kAnswerOption.size() + 1;
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "kestrova-ytdl-answer\n";
        return 0;
    }
    const char* file = answerFile(argc, argv);
    std::ifstream answer(file ? file : "", std::ios::binary);
    if (!answer) {
        std::cerr << "ERROR: no answer of yt-dlp's to hand over"
                  << (file ? std::string(": ") + file : std::string()) << '\n';
        return 1;
    }
    std::cout << answer.rdbuf();
    std::cout.flush();
    return std::cout ? 0 : 1;
}
