// History.ini load and save at the read cap of 10,000 records, and the save of a full history
// of 50 records, which happens after every played video once saves are write-through.
#include "history/HistoryStore.h"
#include "profile/ProfileFile.h"
#include "support/TempDir.h"

#include <string>

#include <benchmark/benchmark.h>

namespace kestrova {
namespace {

std::u16string decimal(int n) {
    const std::string digits = std::to_string(n);
    return {digits.begin(), digits.end()};
}

// A History.ini of `records` records as the program writes it; titles as the service's are:
// Japanese with some ASCII, all within code page 932.
void writeHistoryFile(const std::filesystem::path& path, int records) {
    ProfileFile file = ProfileFile::load(path);
    file.writeString(u"SYSTEM", u"COUNT", decimal(records));
    for (int k = 0; k < records; ++k) {
        const std::u16string section = u"ITEM" + decimal(k);
        std::u16string id = u"Vid" + decimal(k);
        id.resize(11, u'x');
        file.writeString(section, u"VIDEOID", id);
        file.writeString(section, u"TITLE",
                         u"朝の散歩 Morning walk 第" + decimal(k) + u"回 【ｶﾀｶﾅ】 東京");
    }
    file.save(path);
}

void BM_LoadHistory(benchmark::State& state) {
    const test::TempDir dir;
    const auto path = dir / "History.ini";
    writeHistoryFile(path, int(state.range(0)));
    for (auto _ : state) {
        HistoryStore store;
        store.loadFrom(path);
        benchmark::DoNotOptimize(store.items().data());
    }
}

// Each save follows a played video: the new record goes to the front, so every record moves
// one section down and every value in the file changes, as in a write-through save.
void BM_SaveHistory(benchmark::State& state) {
    const test::TempDir dir;
    const auto path = dir / "History.ini";
    writeHistoryFile(path, int(state.range(0)));
    HistoryStore store;
    store.loadFrom(path);
    int played = 0;
    for (auto _ : state) {
        state.PauseTiming();
        HistoryItem item;
        item.m_strVideoId = u"New" + decimal(played++);
        item.m_strTitle = u"新しい動画 New video";
        store.AddToHistory(std::move(item));
        state.ResumeTiming();
        benchmark::DoNotOptimize(store.saveTo(path));
    }
}

BENCHMARK(BM_LoadHistory)->Arg(50)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveHistory)->Arg(50)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrova

BENCHMARK_MAIN();
