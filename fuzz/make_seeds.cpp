// Writes the seed inputs of every fuzz target into FOLDER/<property>/: the example missions, the
// starter lists, small generated missions and lists, and lines and numbers of the ascii form.
//     vok_fuzz_seeds FOLDER EXAMPLES_FOLDER LISTS_FOLDER
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "lists/list_files.h"
#include "mission/core/mis_writer.h"
#include "mission/core/mission_binary.h"
#include "mission/core/number_format.h"
#include "mission/core/text.h"
#include "mission/mission_file.h"
#include "tests/support/mission_generator.h"

namespace fs = std::filesystem;

namespace {

const vok::Timestamp kCreatedOn{2024, 5, 17, 5, 14, 3, 9};

class Seeds {
public:
    explicit Seeds(fs::path folder) : folder_(std::move(folder)) {}

    void add(const std::string& target, std::string_view bytes) {
        const fs::path dir = folder_ / target;
        fs::create_directories(dir);
        std::ofstream out(dir / ("seed-" + std::to_string(counter_++)), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write a seed into " + dir.string());
    }

private:
    fs::path folder_;
    int counter_ = 0;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <class Format>
void generated(Seeds& seeds, const std::string& version) {
    using M = typename Format::Mission;
    // Small missions keep the fuzzers fast; a few of them have no items or no events at all.
    const vok::testing::GeneratorOptions options{.maxItems = 6, .maxEvents = 3, .maxPerEvent = 2};
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        const M mission = vok::testing::generateMission<M>(seed, options);
        seeds.add(version + "_bms", vok::writeMissionBinary(mission, "seed"));
        seeds.add(version + "_mis", vok::writeMissionAscii<Format>(mission, kCreatedOn, "seed"));
    }
    M empty;
    empty.header.signature = M::HeaderType::fileSignature;
    seeds.add(version + "_bms", vok::writeMissionBinary(empty, "seed"));
    seeds.add(version + "_mis", vok::writeMissionAscii<Format>(M{}, kCreatedOn, "seed"));
}

/// The examples whole, their first bytes for the version tests, and single lines and numbers of
/// the ascii ones for the word splitter and the number parser.
void fromExamples(Seeds& seeds, const fs::path& examples) {
    for (const auto& entry : fs::directory_iterator(examples)) {
        const std::string name = entry.path().filename().string();
        const std::string version = name.substr(0, 3);  // "df1_harbour.bms" -> "df1"
        const std::string bytes = slurp(entry.path());
        if (entry.path().extension() == ".bms") {
            seeds.add(version + "_bms", bytes);
            seeds.add("bms_version", bytes.substr(0, 256));
        } else if (entry.path().extension() == ".mis") {
            seeds.add(version + "_mis", bytes);
            seeds.add("mis_version", bytes);
            vok::LineCursor lines(bytes);
            std::string_view line;
            int taken = 0;
            while (lines.next(line) && taken < 40) {
                if (line.size() < 4) continue;
                seeds.add("words", line);
                vok::WordSplitter words;
                words.split(line);
                if (words.size() >= 2 && (++taken % 4) == 0)
                    seeds.add("numbers", std::string(5, '\0') + std::string(words.word(words.size())));
            }
            seeds.add("words", bytes.substr(0, 400));
        }
    }
}

/// The starter lists, and lists written over longer ones or holding any bytes.
void lists(Seeds& seeds, const fs::path& folder) {
    for (int which = 1; which <= vok::kListCount; ++which) {
        const fs::path path = folder / std::string(vok::listFileName(which));
        if (fs::exists(path)) seeds.add("lists", slurp(path));
    }
    // A list written over a longer one keeps the old tail.
    seeds.add("lists", vok::overlayListBytes(vok::encodeReplaceList({{1, 2, 3}, {0, 0, 0}, {2, 1040, 2005}, {3, 7, 9}}),
                                             vok::encodeReplaceList({{2, 4, 5}})));
    seeds.add("lists",
              vok::encodeItemList({{1001, "Decoration 1001"}, {2005, std::string("\x80\xff\0x", 4)}, {7, ""}}));
}

/// Stored values with each scale, and words at the edges of the number parser.
void numbers(Seeds& seeds) {
    for (std::int32_t value : {0, 1, -1, 150, 384, -64, 2147483647, -2147483647 - 1, 12345678}) {
        for (unsigned char factor = 0; factor < 4; ++factor) {
            std::string bytes(5, '\0');
            for (int i = 0; i < 4; ++i)
                bytes[static_cast<std::size_t>(i)] = static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
            bytes[4] = static_cast<char>(factor);
            std::string scaled = bytes;
            vok::appendScaled(scaled, value, 256);
            seeds.add("numbers", scaled);
        }
    }
    for (const char* word : {"1.5D3", "-2.5e-3x", "+.5", "1e400", "1E-400", "0000000000000000000000001", "12abc"}) {
        seeds.add("numbers", std::string(5, '\0') + word);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: vok_fuzz_seeds FOLDER EXAMPLES_FOLDER LISTS_FOLDER\n";
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        fs::remove_all(folder);
        Seeds seeds(folder);
        fromExamples(seeds, argv[2]);
        generated<vok::df1::Format>(seeds, "df1");
        generated<vok::df2::Format>(seeds, "df2");
        generated<vok::df3::Format>(seeds, "df3");
        // The version test's catalog knows 1..1999 for DF1, 1500..3999 for DF2 and 3500..5999
        // for DF3: texts that come near a decision.
        for (int id : {1000, 1700, 2500, 3700, 4500}) {
            std::string text = "// seed\r\n";
            for (int i = 0; i < 11; ++i)
                text += "begin item " + std::to_string(i) + "\r\n  type_id " + std::to_string(id) + "\r\nend item\r\n";
            seeds.add("mis_version", text);
        }
        lists(seeds, argv[3]);
        numbers(seeds);
    } catch (const std::exception& error) {
        std::cerr << "vok_fuzz_seeds: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
