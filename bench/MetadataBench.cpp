// The feed body's way to a title (the one-pass conversion FetchVideoFeed takes, then the
// extraction; the three separate steps beside it), and one FetchVideoFeed against the
// loopback feed server.
#include "metadata/FeedRetrieval.h"
#include "metadata/TextConversions.h"
#include "metadata/TitleExtraction.h"
#include "support/FeedServer.h"

#include <benchmark/benchmark.h>

namespace kestrova {
namespace {

// Mixed Japanese and ASCII, as titles and descriptions of the service's videos are.
constexpr std::string_view kFiller = "\xE5\x8B\x95\xE7\x94\xBB Video \xE3\x81\xAE"
                                     "\xE8\xAA\xAC\xE6\x98\x8E description "
                                     "\xEF\xBD\xB1\xEF\xBD\xB2 <b>&amp;</b> 2012 ";

// A body of `size` bytes whose title element comes last, so the extraction scans it all.
std::string makeBody(std::size_t size) {
    const std::string title = "<title type='text'>\xE6\x97\xA5\xE6\x9C\xAC &amp; Tokyo</title>";
    std::string body = "<entry><content type='text'>";
    while (body.size() + kFiller.size() + title.size() + 8 < size) {
        body += kFiller;
    }
    body += "</content>" + title;
    body.resize(size, ' ');
    return body;
}

void BM_BodyToTitle(benchmark::State& state) {
    const std::string body = makeBody(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::u16string title = ExtractTitle(BodyToFeedText(body));
        benchmark::DoNotOptimize(title);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(body.size()));
}
BENCHMARK(BM_BodyToTitle)
    ->Arg(1 << 10)
    ->Arg(64 << 10)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMicrosecond);

void BM_BodyToTitleThreeSteps(benchmark::State& state) {
    const std::string body = makeBody(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::u16string title = ExtractTitle(AnsiToWide(WideToJapaneseMultiByte(Utf8ToWide(body))));
        benchmark::DoNotOptimize(title);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(body.size()));
}
BENCHMARK(BM_BodyToTitleThreeSteps)
    ->Arg(1 << 10)
    ->Arg(64 << 10)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMicrosecond);

void BM_BodyToFeedText(benchmark::State& state) {
    const std::string body = makeBody(std::size_t(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(BodyToFeedText(body));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(body.size()));
}
BENCHMARK(BM_BodyToFeedText)->Arg(64 << 10)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);

// The steps one by one, on 64 KiB.
void BM_Utf8ToWide(benchmark::State& state) {
    const std::string body = makeBody(64 << 10);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Utf8ToWide(body));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(body.size()));
}
BENCHMARK(BM_Utf8ToWide);

void BM_WideToJapaneseMultiByte(benchmark::State& state) {
    const std::string body = makeBody(64 << 10);
    const std::u16string wide = *Utf8ToWide(body);
    for (auto _ : state) {
        benchmark::DoNotOptimize(WideToJapaneseMultiByte(wide));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(body.size()));
}
BENCHMARK(BM_WideToJapaneseMultiByte);

void BM_AnsiToWide(benchmark::State& state) {
    const std::string body = makeBody(64 << 10);
    const std::string multiByte = *WideToJapaneseMultiByte(*Utf8ToWide(body));
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnsiToWide(multiByte));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(body.size()));
}
BENCHMARK(BM_AnsiToWide);

void BM_ExtractTitle(benchmark::State& state) {
    const std::u16string feed = AnsiToWide(WideToJapaneseMultiByte(Utf8ToWide(makeBody(64 << 10))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ExtractTitle(feed));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(64 << 10));
}
BENCHMARK(BM_ExtractTitle);

void BM_FetchVideoFeed(benchmark::State& state) {
    test::FeedServer server;
    server.setTitle(u"Ab3dE5gH1jK", u"東京 & Tokyo");
    FeedOptions options;
    options.urlPrefix = server.feedUrl();
    std::u16string feed;
    for (auto _ : state) {
        if (FetchVideoFeed(u"Ab3dE5gH1jK", &feed, options) != FeedResult::Ok) {
            state.SkipWithError("fetch failed");
            break;
        }
    }
}
BENCHMARK(BM_FetchVideoFeed)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace kestrova

BENCHMARK_MAIN();
