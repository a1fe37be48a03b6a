// Throughput of the mission engines on large generated missions, one per game version, with two
// references measured in the same run: memcpy of the same bytes, and a bare line-and-word split of
// the same ascii text. All work is on bytes in memory; no file is read or written while timing.
//
// Every benchmark sets its bytes processed (the binary file for binary work and conversions, the
// ascii text for ascii work) and names its memcpy reference in its label, so bench/ratios.py can
// turn the JSON output into ratios. The counter allocs_per_iter counts calls of operator new.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/allocation_counter.h"
#include "bench/bench_missions.h"
#include "conversion/convert.h"
#include "lists/list_files.h"
#include "lists/list_store.h"
#include "mission/core/mis_reader.h"
#include "mission/core/mis_writer.h"
#include "mission/core/mission_binary.h"
#include "mission/core/text.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace vok;

constexpr std::size_t kMinItems = 4000;
constexpr std::size_t kMinEvents = 300;
constexpr std::string_view kPath = "bench.bms";
const Timestamp kCreatedOn{2024, 5, 17, 5, 14, 3, 9};

/// Counts allocations over the timed loop and reports them per iteration.
class AllocationCounter {
public:
    explicit AllocationCounter(benchmark::State& state) : state_(state), start_(bench::allocationCount()) {}
    ~AllocationCounter() {
        state_.counters["allocs_per_iter"] = benchmark::Counter(static_cast<double>(bench::allocationCount() - start_),
                                                                benchmark::Counter::kAvgIterations);
    }

private:
    benchmark::State& state_;
    std::size_t start_;
};

template <class Format>
struct Sample {
    using Mission = typename Format::Mission;
    Mission mission;
    std::string binary;
    std::string ascii;

    static const Sample& get() {
        static const Sample sample = [] {
            Sample s{bench::largeMission<Mission>(kMinItems, kMinEvents), {}, {}};
            s.binary = writeMissionBinary(s.mission, kPath);
            s.ascii = writeMissionAscii<Format>(s.mission, kCreatedOn, kPath);
            // The text must read back, or the ascii read would measure an early failure.
            (void)readMissionAscii<Format>(s.ascii, kPath);
            return s;
        }();
        return sample;
    }
};

template <class Format>
std::string referenceName(bool ascii) {
    return "DF" + std::to_string(versionNumber(Format::version)) + (ascii ? "/memcpy_ascii" : "/memcpy_binary");
}

void memcpyBench(benchmark::State& state, const std::string& bytes) {
    std::vector<char> target(bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

template <class Format>
void MemcpyBinary(benchmark::State& state) {
    memcpyBench(state, Sample<Format>::get().binary);
}

template <class Format>
void MemcpyAscii(benchmark::State& state) {
    memcpyBench(state, Sample<Format>::get().ascii);
}

template <class Format>
void SplitAscii(benchmark::State& state) {
    const std::string& text = Sample<Format>::get().ascii;
    WordSplitter words;
    AllocationCounter allocations(state);
    for (auto _ : state) {
        LineCursor lines(text);
        std::string_view line;
        std::size_t count = 0;
        while (lines.next(line)) count += words.split(line).size();
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetLabel(referenceName<Format>(true));
}

template <class Format>
void BinaryRead(benchmark::State& state) {
    const std::string& bytes = Sample<Format>::get().binary;
    AllocationCounter allocations(state);
    for (auto _ : state) {
        auto mission = readMissionBinary<typename Format::Mission>(bytes, kPath);
        benchmark::DoNotOptimize(mission.items.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.SetLabel(referenceName<Format>(false));
}

template <class Format>
void BinaryWrite(benchmark::State& state) {
    const auto& sample = Sample<Format>::get();
    AllocationCounter allocations(state);
    for (auto _ : state) {
        std::string bytes = writeMissionBinary(sample.mission, kPath);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.binary.size()));
    state.SetLabel(referenceName<Format>(false));
}

template <class Format>
void AsciiRead(benchmark::State& state) {
    const std::string& text = Sample<Format>::get().ascii;
    AllocationCounter allocations(state);
    for (auto _ : state) {
        auto mission = readMissionAscii<Format>(text, kPath);
        benchmark::DoNotOptimize(mission.items.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetLabel(referenceName<Format>(true));
}

template <class Format>
void AsciiWrite(benchmark::State& state) {
    const auto& sample = Sample<Format>::get();
    AllocationCounter allocations(state);
    for (auto _ : state) {
        std::string text = writeMissionAscii<Format>(sample.mission, kCreatedOn, kPath);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.ascii.size()));
    state.SetLabel(referenceName<Format>(true));
}

// ---------------------------------------------------------------------------------------------
// Conversions, with lists like a game's: about 70% of the identifiers 1000..7999 known per version
// and a few hundred replacements. Types the target lacks are kept, as `vok convert --replace skip`
// does.

class KeepChooser : public ReplacementChooser {
public:
    ReplacementAnswer choose(std::int16_t, DfType, DfType) override { return ReplacementAnswer::skip(); }
};

ListStore& benchLists() {
    static testing::TempDir folder;
    static ListStore store = [] {
        std::mt19937 rng(7);
        ListStore lists(folder.path());
        for (const DfType v : kAllVersions) {
            std::vector<ItemListEntry> items;
            for (std::int16_t id = 1000; id < 8000; ++id) {
                if (rng() % 10 < 7) items.push_back({id, placeholderDescription(id)});
            }
            std::vector<ReplaceEntry> replacements{{0, 0, 0}};
            for (int i = 0; i < 300; ++i) {
                replacements.push_back({static_cast<std::int16_t>(1 + rng() % 3),
                                        static_cast<std::int16_t>(1000 + rng() % 7000),
                                        static_cast<std::int16_t>(1000 + rng() % 7000)});
            }
            writeFileAtomically(lists.pathOf(itemListOf(v)), encodeItemList(items));
            writeFileAtomically(lists.pathOf(replaceListOf(v)), encodeReplaceList(replacements));
        }
        lists.InitilizeItemLists();
        return lists;
    }();
    return store;
}

template <class From, class To>
void Convert(benchmark::State& state) {
    const auto& sample = Sample<From>::get();
    const AnyMission source = sample.mission;
    ListStore& lists = benchLists();
    KeepChooser chooser;
    AllocationCounter allocations(state);
    for (auto _ : state) {
        AnyMission converted = convertMission(source, To::version, lists, chooser);
        benchmark::DoNotOptimize(&converted);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sample.binary.size()));
    state.SetLabel(referenceName<From>(false));
}

template <class Format>
void registerVersion() {
    const std::string v = "DF" + std::to_string(versionNumber(Format::version)) + "/";
    benchmark::RegisterBenchmark((v + "memcpy_binary").c_str(), MemcpyBinary<Format>);
    benchmark::RegisterBenchmark((v + "binary_read").c_str(), BinaryRead<Format>);
    benchmark::RegisterBenchmark((v + "binary_write").c_str(), BinaryWrite<Format>);
    benchmark::RegisterBenchmark((v + "memcpy_ascii").c_str(), MemcpyAscii<Format>);
    benchmark::RegisterBenchmark((v + "split_ascii").c_str(), SplitAscii<Format>);
    benchmark::RegisterBenchmark((v + "ascii_read").c_str(), AsciiRead<Format>);
    benchmark::RegisterBenchmark((v + "ascii_write").c_str(), AsciiWrite<Format>);
}

template <class From, class To>
void registerConversion() {
    const std::string name = "convert/DF" + std::to_string(versionNumber(From::version)) + "_to_DF" +
                             std::to_string(versionNumber(To::version));
    benchmark::RegisterBenchmark(name.c_str(), Convert<From, To>);
}

}  // namespace

int main(int argc, char** argv) {
    registerVersion<df1::Format>();
    registerVersion<df2::Format>();
    registerVersion<df3::Format>();
    registerConversion<df1::Format, df2::Format>();
    registerConversion<df1::Format, df3::Format>();
    registerConversion<df2::Format, df1::Format>();
    registerConversion<df2::Format, df3::Format>();
    registerConversion<df3::Format, df1::Format>();
    registerConversion<df3::Format, df2::Format>();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Describe the samples once, so the table can say what was measured.
    auto describeSample = [](auto format) {
        using Format = decltype(format);
        const auto& s = Sample<Format>::get();
        benchmark::AddCustomContext("DF" + std::to_string(versionNumber(Format::version)) + "_sample",
                                    std::to_string(s.mission.items.size()) + " items, " +
                                        std::to_string(s.mission.events.size()) + " events, " +
                                        std::to_string(s.mission.triggers.size() + s.mission.actions.size()) +
                                        " triggers and actions; binary " + std::to_string(s.binary.size()) +
                                        " bytes, ascii " + std::to_string(s.ascii.size()) + " bytes");
    };
    describeSample(df1::Format{});
    describeSample(df2::Format{});
    describeSample(df3::Format{});
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
