#pragma once

#include <string>
#include <vector>

namespace kestrova::demo {

struct DemoVideo {
    std::u16string id;
    std::u16string title; // empty: the feed answers 404 for this ID
    const char* note;     // what the entry shows off, printed beside it
};

// The videos the demo's feed knows, plus one it does not: Japanese, English and mixed
// titles, markup that must be unescaped, and characters code page 932 cannot hold.
const std::vector<DemoVideo>& DemoVideos();

// A few rows for a History.ini, so the history list is not empty at first start.
const std::vector<DemoVideo>& DemoHistory();

} // namespace kestrova::demo
