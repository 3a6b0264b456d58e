#include "tools/demo/DemoCatalogue.h"

namespace kestrova::demo {

const std::vector<DemoVideo>& DemoVideos() {
    static const std::vector<DemoVideo> videos = {
        {u"kyotoWalk01", u"京都の朝の散歩", "Japanese"},
        {u"sakuraTime2", u"桜の季節 2026年春", "Japanese with digits"},
        {u"ramenNight3", u"深夜のラーメン屋台めぐり", "Japanese, katakana"},
        {u"tokyo-Rain_", u"雨の東京を歩く", "ID with - and _"},
        {u"pianoLive05", u"Live piano session in the park", "English"},
        {u"alpsSunrise", u"Sunrise over the Alps", "English"},
        {u"catsAndDogs", u"Cats & Dogs: <a quiet afternoon>", "markup in the title"},
        {u"cppNyumon08", u"C++20 入門 第1回 Modules", "mixed"},
        {u"shinkansen9", u"Shinkansen 新幹線 from Tokyo to Osaka", "mixed"},
        {u"jazzCafe010", u"ジャズ喫茶 Jazz Café in Shibuya", "é: not in code page 932"},
        {u"hanabi2026x", u"花火大会 Fireworks 🎆", "emoji: not in code page 932"},
        {u"quietTalk12", u"“Quiet” talk — Q&A", "typographic quotes and dash"},
        {u"noSuchVideo", u"", "unknown: the feed answers 404"},
    };
    return videos;
}

const std::vector<DemoVideo>& DemoHistory() {
    static const std::vector<DemoVideo> rows = {
        {u"kyotoWalk01", u"京都の朝の散歩", ""},
        {u"pianoLive05", u"Live piano session in the park", ""},
        {u"shinkansen9", u"Shinkansen 新幹線 from Tokyo to Osaka", ""},
        {u"ramenNight3", u"深夜のラーメン屋台めぐり", ""},
        {u"alpsSunrise", u"Sunrise over the Alps", ""},
    };
    return rows;
}

} // namespace kestrova::demo
