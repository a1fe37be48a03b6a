// vok detect, vok info and vok lists.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "lists/list_files.h"
#include "mission/core/item_counts.h"
#include "tests/cli/cli_fixture.h"

namespace vok {
namespace {

using testing::examplePath;
using testing::kExamples;
using testing::slurp;

constexpr MissionForm kForms[] = {MissionForm::Binary, MissionForm::Ascii};

class Vok : public testing::VokTest {
protected:
    std::vector<std::string> listFiles(const std::filesystem::path& folder) const {
        std::vector<std::string> files;
        for (int which = 1; which <= kListCount; ++which) files.push_back(slurp(folder / listFileName(which)));
        return files;
    }
};

// Every example, and every example saved as an ascii file of each version: items the target game
// does not know are kept, so only the file's first line can tell its version.
TEST_F(Vok, DetectNamesTheVersionOfEveryExampleAndOfEveryAsciiFileConvertedFromOne) {
    for (const auto& example : kExamples) {
        for (MissionForm form : kForms) {
            const std::string in = examplePath(example, form).string();
            SCOPED_TRACE(in);
            const auto run = vok({"detect", in});
            EXPECT_EQ(run.code, 0) << run.err;
            EXPECT_EQ(run.out, std::string(versionKey(example.version)) + "\n");
            for (DfType to : {DfType::Df1, DfType::Df2, DfType::Df3}) {
                const std::string key(versionKey(to));
                const std::string out = path(key + ".mis");
                ASSERT_EQ(vok({"convert", in, out, "--to", key, "--replace", "skip", "--quiet"}).code, 0);
                EXPECT_EQ(vok({"detect", out}).out, key + "\n");
            }
        }
    }
}

TEST_F(Vok, DetectAnswersUnknownWithExitOne) {
    std::string df3 = std::string("BMS\x0F", 4) + std::string(252, '\0');
    df3.replace(250, 4, ".ENV");
    const std::pair<std::string, std::string> cases[] = {
        {"v14.bms", std::string("BMS\x0E", 4) + std::string(300, '\0')},
        {"tiny.bms", "BMS"},
        {"empty.bms", ""},
        {"noitems.MIS", "// nothing\r\nbegin general_information\r\nend general_information\r\n"},
        {"lw.BMS", df3},
    };
    for (const auto& [name, bytes] : cases) {
        const auto file = dir.write(name, bytes);
        const auto run = vok({"detect", file.string()});
        if (name == "lw.BMS") {
            EXPECT_EQ(run.out, "df3\n");
            continue;
        }
        EXPECT_EQ(run.code, 1) << name;
        EXPECT_EQ(run.out, "unknown\n") << name;
    }
    // A file that cannot be read is a failure naming it, not "unknown".
    const auto run = vok({"detect", path("missing.bms")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(path("missing.bms")), std::string::npos);
    EXPECT_EQ(vok({"detect", path("a.txt")}).code, 2);
}

TEST_F(Vok, DetectOfAnAsciiFileUsesTheListsOfListsDir) {
    // The DF2 example without its first line, which would name its version.
    const std::string text = slurp(examplePath(kExamples[1], MissionForm::Ascii));
    const std::string mis = dir.write("untitled.mis", text.substr(text.find('\n') + 1)).string();
    const auto empty = dir / "empty";
    std::filesystem::create_directory(empty);
    const auto run = vok({"detect", mis, "--lists", empty.string()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("InitilizeItemLists"), std::string::npos);
    EXPECT_NE(run.err.find("DF1Items.vok"), std::string::npos) << run.err;
    // A binary file needs no lists.
    EXPECT_EQ(vok({"detect", examplePath(kExamples[1], MissionForm::Binary).string(), "--lists", empty.string()}).out,
              "df2\n");
    // The lists of another folder decide: with the DF2 types known to DF1 only, the file is DF1.
    const auto other = dir / "other";
    std::filesystem::create_directory(other);
    testing::copyStarterLists(other);
    std::vector<ItemListEntry> df2Types;
    for (const auto& entry : parseItemList(slurp(dir / "DF2Items.vok"), "x")) df2Types.push_back(entry);
    std::ofstream(other / "DF1Items.vok", std::ios::binary) << encodeItemList(df2Types);
    std::ofstream(other / "DF2Items.vok", std::ios::binary) << encodeItemList({{9000, "Nothing"}});
    std::ofstream(other / "DF3Items.vok", std::ios::binary) << encodeItemList({{9000, "Nothing"}});
    EXPECT_EQ(vok({"detect", mis, "--lists", other.string()}).out, "df1\n");
}

// ---------------------------------------------------------------------------------------------

/// A Delta Force 2 mission whose facts are known: categories by thousands (9001 is "Other"),
/// waypoints 1..128, groups 1..64 and area triggers (type 6013) by wpnumber 1..64.
Df2Mission knownMission() {
    Df2Mission m;
    m.header.signature = df2::MissionHeader::fileSignature;
    m.header.name.set("Night Raid");
    m.header.designer.set("Vok");
    m.header.terrain.set("desert");
    m.header.briefing.set("Hold the pass");
    struct Item {
        std::int32_t type, waypoint, group, wpnumber;
    };
    for (const Item& i : {Item{1001, 0, 0, 0}, Item{2005, 2, 5, 0}, Item{2005, 128, 64, 0}, Item{6013, 0, 0, 3},
                          Item{6013, 0, 0, 65}, Item{9001, 129, 0, 0}, Item{5040, 2, 5, 0}}) {
        auto& item = m.items.emplace_back();
        item.type_id = i.type;
        item.waypoint_id = static_cast<decltype(item.waypoint_id)>(i.waypoint);
        item.group_id = static_cast<decltype(item.group_id)>(i.group);
        item.wpnumber = static_cast<decltype(item.wpnumber)>(i.wpnumber);
    }
    recountItems(m.header, m.items);
    return m;
}

TEST_F(Vok, InfoSummarisesTheMissionAsJsonAndText) {
    SaveDF2BMS(dir / "known.bms", knownMission());
    const auto json = vok({"info", path("known.bms"), "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::parse(R"({
        "file": )" + nlohmann::json(path("known.bms")).dump() + R"(, "version": "df2", "form": "binary",
        "name": "Night Raid", "designer": "Vok", "terrain": "desert", "briefing": "Hold the pass",
        "items": 7, "categories": {"Decorations": 1, "Vehicles": 2, "Markers": 2, "Other": 1, "People": 1},
        "events": 0, "triggers": 0, "actions": 0,
        "waypoints": [2, 128], "groups": [5, 64], "area_triggers": [3]})"));

    EXPECT_EQ(vok({"info", path("known.bms")}).out, "File:          " + path("known.bms") + "\n" +
                                                         "Version:       Delta Force 2 (df2), binary\n"
                                                         "Name:          Night Raid\n"
                                                         "Designer:      Vok\n"
                                                         "Terrain:       desert\n"
                                                         "Briefing:      Hold the pass\n"
                                                         "Items:         7\n"
                                                         "  Decorations: 1\n"
                                                         "  Markers: 2\n"
                                                         "  Other: 1\n"
                                                         "  People: 1\n"
                                                         "  Vehicles: 2\n"
                                                         "Events:        0 (0 triggers, 0 actions)\n"
                                                         "Waypoints:     2 128\n"
                                                         "Groups:        5 64\n"
                                                         "Area triggers: 3\n");

    // Every example, in both forms, with its version recognised or given; DF1 has no briefing.
    for (const auto& example : kExamples) {
        for (MissionForm form : kForms) {
            const auto run = vok({"info", examplePath(example, form).string(), "--json"});
            ASSERT_EQ(run.code, 0) << run.err;
            const auto j = nlohmann::json::parse(run.out);
            EXPECT_EQ(j.at("version"), versionKey(example.version));
            EXPECT_EQ(j.at("form"), form == MissionForm::Binary ? "binary" : "ascii");
            EXPECT_GT(j.at("items").get<int>(), 0);
        }
    }
    EXPECT_NE(vok({"info", examplePath(kExamples[0], MissionForm::Binary).string()}).out.find("Briefing:      none\n"),
              std::string::npos);
    EXPECT_NE(vok({"info", examplePath(kExamples[1], MissionForm::Ascii).string(), "--from", "df2"}).out.find("(df2), ascii"),
              std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// vok lists.

TEST_F(Vok, ListsShowPrintsTheEntriesInFileOrder) {
    const auto entries = parseItemList(slurp(dir / "DF2Items.vok"), "x");
    std::string expected;
    for (const auto& entry : entries) expected += std::to_string(entry.ItemId) + "\t" + entry.Description + "\n";
    const auto run = vok({"lists", "show", "df2", "--lists", dir.path().string()});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, expected);

    const auto all = vok({"lists", "show"}).out;
    EXPECT_NE(all.find("# DF1Items.vok\n"), std::string::npos);
    EXPECT_NE(all.find("# DF2Items.vok\n" + expected + "# DF3Items.vok\n"), std::string::npos);

    EXPECT_EQ(vok({"lists", "show", "df1", "--replacements"}).out, "DF1 2031 -> DF2 2005\nDF1 2031 -> DF:LW 2050\n");

    // An identifier that stands twice is marked on each of its lines.
    std::ofstream(dir / "DF1Items.vok", std::ios::binary) << encodeItemList({{3001, "First"}, {5, "Five"}, {3001, "Second"}});
    EXPECT_EQ(vok({"lists", "show", "df1"}).out, "3001\tFirst\tduplicate\n5\tFive\n3001\tSecond\tduplicate\n");
}

TEST_F(Vok, ListsExportThenImportReproducesAllSixFilesByteForByte) {
    // Lists with awkward descriptions: every byte value, an empty text.
    std::string every;
    for (int b = 1; b < 256; ++b) every.push_back(static_cast<char>(b));
    const auto source = dir / "source";
    std::filesystem::create_directory(source);
    testing::copyStarterLists(source);
    std::ofstream(source / "DF3Items.vok", std::ios::binary)
        << encodeItemList({{7001, every}, {2, ""}, {7002, "Caf\xE9 \x80"}, {9999, "tab\tquote\"back\\"}});

    const auto text = dir / "text";
    ASSERT_EQ(vok({"lists", "export", text.string(), "--lists", source.string()}).code, 0);
    const auto copy = dir / "copy";
    const auto run = vok({"lists", "import", text.string(), "--lists", copy.string()});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(listFiles(copy), listFiles(source));
    // The text is UTF-8.
    EXPECT_NE(slurp(text / "DF3Items.txt").find("Caf\xC3\xA9 \xE2\x82\xAC"), std::string::npos);
}

TEST_F(Vok, ListsImportChecksEveryFileBeforeWritingAny) {
    const auto text = dir / "text";
    ASSERT_EQ(vok({"lists", "export", text.string()}).code, 0);
    const auto before = listFiles(dir.path());
    struct Case {
        const char* file;
        std::string content;  ///< empty: the file is removed
        const char* words;
    };
    const Case cases[] = {
        {"DF3Replace.txt", "2050\t1\n", "DF3Replace.txt"},
        {"DF2Items.txt", "1\tok\n2\t\xE2\x82\xA9\n", "line 2"},
        {"DF1Replace.txt", "# only a comment\n", "at least one entry"},
        {"DF2Replace.txt", "", "DF2Replace.txt"},
        {"DF3Items.txt", "2050\tTruck\n2051\tTank\n2050\tLorry\n", "line 1 and again on line 3"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(vok({"lists", "export", text.string()}).code, 0);
        if (c.content.empty()) {
            std::filesystem::remove(text / c.file);
        } else {
            std::ofstream(text / c.file, std::ios::binary) << c.content;
        }
        const auto run = vok({"lists", "import", text.string()});
        EXPECT_EQ(run.code, 1) << c.file;
        EXPECT_NE(run.err.find(c.words), std::string::npos) << run.err;
        EXPECT_EQ(listFiles(dir.path()), before) << c.file;
    }
}

TEST_F(Vok, ListsLearnAddsExactlyTheMissingTypesOnce) {
    const auto before = parseItemList(slurp(dir / "DF2Items.vok"), "x");
    Df2Mission mission;
    mission.header.signature = df2::MissionHeader::fileSignature;
    for (std::int32_t type : {2005, 2999, 1001, 2999, 4321, 70000, 0, 4321}) mission.items.emplace_back().type_id = type;
    recountItems(mission.header, mission.items);
    SaveDF2BMS(dir / "m.bms", mission);
    Df2Mission second;
    second.items.emplace_back().type_id = 6100;
    recountItems(second.header, second.items);
    SaveDF2MIS(dir / "n.mis", second, utcFromEpochSeconds(0));

    const auto run = vok({"lists", "learn", "df2", path("m.bms"), path("n.mis"), "--lists", dir.path().string()});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "added 2999\tVehicle 2999\nadded 4321\tObject 4321\nadded 6100\tMarker 6100\n");
    EXPECT_NE(run.err.find("70000"), std::string::npos);

    auto expected = before;
    expected.push_back({2999, "Vehicle 2999"});
    expected.push_back({4321, "Object 4321"});
    expected.push_back({6100, "Marker 6100"});
    std::string shown;
    for (const auto& entry : expected) shown += std::to_string(entry.ItemId) + "\t" + entry.Description + "\n";
    EXPECT_EQ(vok({"lists", "show", "df2"}).out, shown);

    const std::string file = slurp(dir / "DF2Items.vok");
    const auto again = vok({"lists", "learn", "df2", path("m.bms"), path("n.mis")});
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out.find("added"), std::string::npos) << again.out;
    EXPECT_EQ(slurp(dir / "DF2Items.vok"), file);
}

TEST_F(Vok, ListsLearnFillsTheDescriptionInUseInsteadOfAddingAnEntry) {
    // The programs read an identifier's last entry: 1500 (last entry empty) and 1700 are missing
    // and get the placeholder in that entry, 1600 is there; none gets a further entry.
    std::ofstream(dir / "DF1Items.vok", std::ios::binary)
        << encodeItemList({{1001, "Tree"}, {1500, "Bush"}, {1500, ""}, {1600, ""}, {1600, "Fern"}, {1700, ""}});
    Df1Mission mission;
    mission.header.signature = df1::MissionHeader::fileSignature;
    for (std::int32_t type : {1500, 1600, 1700}) mission.items.emplace_back().type_id = type;
    recountItems(mission.header, mission.items);
    SaveDF1BMS(dir / "m.bms", mission);
    const auto run = vok({"lists", "learn", "df1", path("m.bms")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "added 1500\tDecoration 1500\nadded 1700\tDecoration 1700\n");
    EXPECT_EQ(parseItemList(slurp(dir / "DF1Items.vok"), "x"),
              (std::vector<ItemListEntry>{{1001, "Tree"}, {1500, "Bush"}, {1500, "Decoration 1500"}, {1600, ""},
                                          {1600, "Fern"}, {1700, "Decoration 1700"}}));
}

TEST_F(Vok, ListsLearnRefusesAMissionOfAnotherVersion) {
    const std::string file = slurp(dir / "DF3Items.vok");
    const auto run = vok({"lists", "learn", "df3", examplePath(kExamples[0], MissionForm::Binary).string()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("df1_harbour.bms"), std::string::npos) << run.err;
    EXPECT_EQ(slurp(dir / "DF3Items.vok"), file);
}

}  // namespace
}  // namespace vok
