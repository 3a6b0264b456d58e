#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

class ChildCancel;

// A JavaScript runtime yt-dlp can use to answer the service's challenges.
struct JsRuntime {
    std::string name; // as yt-dlp names it: deno, node, quickjs, bun
    std::filesystem::path path;
    std::string version; // the line the runtime gave

    // yt-dlp's --js-runtimes value.
    std::string option() const { return name + ":" + path.string(); }
};

// Whether yt-dlp can use the runtime whose version line is `line`: Deno 2.0, Node.js 20,
// QuickJS of 2023-12-09 or any QuickJS-ng, any Bun.
bool RuntimeIsRecentEnough(std::string_view name, std::string_view line);

// The first usable of deno, node, qjs or quickjs, and bun on the search path.
std::optional<JsRuntime> FindJsRuntime(std::string_view searchPath,
                                       std::chrono::milliseconds timeOut,
                                       const ChildCancel* cancel = nullptr);

// "js-runtime=node /usr/bin/node v22.1.0", or "js-runtime=none".
std::string DescribeJsRuntime(const std::optional<JsRuntime>& runtime);

} // namespace kestrova
