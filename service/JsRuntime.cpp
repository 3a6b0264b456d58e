#include "service/JsRuntime.h"

#include "process/ChildProcess.h"

#include <charconv>
#include <chrono>

namespace kestrova {

namespace {

struct Candidate {
    std::string_view name;     // for yt-dlp
    std::string_view program;  // on the search path
    std::string_view argument; // that makes it tell its version
};

// yt-dlp's order of preference.
constexpr Candidate kCandidates[] = {
    {"deno", "deno", "--version"}, {"node", "node", "--version"}, {"quickjs", "qjs", "-h"},
    {"quickjs", "quickjs", "-h"},  {"bun", "bun", "--version"},
};

// The number at the start of `text`, or nothing.
std::optional<int> leadingNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? std::optional(value) : std::nullopt;
}

std::string_view after(std::string_view line, std::string_view marker) {
    const auto at = line.find(marker);
    return at == std::string_view::npos ? std::string_view() : line.substr(at + marker.size());
}

// "QuickJS version 2024-01-13"; QuickJS-ng numbers its versions otherwise, all of them usable.
bool quickJsRecentEnough(std::string_view line) {
    if (line.find("QuickJS-ng") != std::string_view::npos)
        return true;
    const std::string_view date = after(line, "version ").substr(0, 10);
    const auto year = leadingNumber(date);
    const auto month = leadingNumber(date.substr(std::min<std::size_t>(5, date.size())));
    const auto day = leadingNumber(date.substr(std::min<std::size_t>(8, date.size())));
    if (date.size() != 10 || !year || !month || !day)
        return false;
    using namespace std::chrono;
    const year_month_day released{std::chrono::year(*year), std::chrono::month(unsigned(*month)),
                                  std::chrono::day(unsigned(*day))};
    return released.ok() && sys_days(released) >= sys_days(std::chrono::year(2023) / 12 / 9);
}

// What each runtime prints, first line: "deno 2.1.4 (stable, ...)", "v20.20.2", "1.1.38".
std::optional<JsRuntime> probe(const Candidate& candidate, std::string_view searchPath,
                               std::chrono::milliseconds timeOut, const ChildCancel* cancel) {
    const auto path = FindExecutableOnPath(candidate.program, searchPath);
    if (!path)
        return std::nullopt;
    ChildOptions options;
    options.timeOut = timeOut;
    options.maxOutput = 4096;
    options.maxErrors = 0;
    options.cancel = cancel;
    // QuickJS tells its version with its usage, and ends that with a failure status.
    const ChildRun run = RunChild({path->string(), std::string(candidate.argument)}, options);
    std::string line = run.output.substr(0, run.output.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    if (!run.exitCode || !RuntimeIsRecentEnough(candidate.name, line))
        return std::nullopt;
    return JsRuntime{std::string(candidate.name), *path, line};
}

} // namespace

bool RuntimeIsRecentEnough(std::string_view name, std::string_view line) {
    if (name == "deno")
        return line.starts_with("deno ") && leadingNumber(line.substr(5)).value_or(0) >= 2;
    if (name == "node")
        return line.starts_with('v') && leadingNumber(line.substr(1)).value_or(0) >= 20;
    if (name == "quickjs")
        return quickJsRecentEnough(line);
    if (name == "bun")
        return leadingNumber(line).value_or(0) >= 1;
    return false;
}

std::optional<JsRuntime> FindJsRuntime(std::string_view searchPath,
                                       std::chrono::milliseconds timeOut,
                                       const ChildCancel* cancel) {
    for (const Candidate& candidate : kCandidates) {
        if (auto runtime = probe(candidate, searchPath, timeOut, cancel))
            return runtime;
    }
    return std::nullopt;
}

std::string DescribeJsRuntime(const std::optional<JsRuntime>& runtime) {
    if (!runtime)
        return "js-runtime=none";
    return "js-runtime=" + runtime->name + " " + runtime->path.string() + " " + runtime->version;
}

} // namespace kestrova
