// vok detect, vok info and vok lists.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "lists/list_files.h"
#include "mission/core/item_counts.h"
#include "tests/cli/cli_fixture.h"
#include "tests/lists/list_bytes.h"

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

TEST_F(Vok, DetectNamesTheVersionOfEveryExample) {
    for (const auto& example : kExamples) {
        for (MissionForm form : kForms) {
            const auto run = vok({"detect", examplePath(example, form).string()});
            EXPECT_EQ(run.code, 0) << run.err;
            EXPECT_EQ(run.out, std::string(versionKey(example.version)) + "\n");
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
    const std::string mis = examplePath(kExamples[1], MissionForm::Ascii).string();
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

/// The facts of a mission, gathered here from the model.
struct Facts {
    std::string name, designer, terrain, briefing;
    std::size_t items = 0, events = 0, triggers = 0, actions = 0;
    std::map<std::string, std::size_t> categories;
    std::set<int> waypoints, groups, areaTriggers;
};

Facts factsOf(const AnyMission& mission) {
    static const char* kCategories[] = {"Other", "Decorations", "Vehicles", "Buildings",
                                        "Objects", "People", "Markers", "Effects"};
    Facts f;
    std::visit(
        [&f](const auto& m) {
            f.name = m.header.name.text();
            f.designer = m.header.designer.text();
            f.terrain = m.header.terrain.text();
            if constexpr (requires { m.header.briefing; }) f.briefing = m.header.briefing.text();
            f.items = m.items.size();
            for (const auto& item : m.items) {
                const int block = item.type_id >= 0 && item.type_id < 8000 ? item.type_id / 1000 : 0;
                ++f.categories[kCategories[block]];
                if (item.waypoint_id >= 1 && item.waypoint_id <= 128) f.waypoints.insert(item.waypoint_id);
                if (item.group_id >= 1 && item.group_id <= 64) f.groups.insert(item.group_id);
                if (item.type_id == 6013 && item.wpnumber >= 1 && item.wpnumber <= 64) f.areaTriggers.insert(item.wpnumber);
            }
            f.events = m.events.size();
            f.triggers = m.triggers.size();
            f.actions = m.actions.size();
        },
        mission);
    return f;
}

TEST_F(Vok, InfoJsonCarriesTheFactsOfTheMission) {
    for (const auto& example : kExamples) {
        for (MissionForm form : kForms) {
            const auto file = examplePath(example, form);
            const auto run = vok({"info", file.string(), "--json"});
            ASSERT_EQ(run.code, 0) << run.err;
            const auto j = nlohmann::json::parse(run.out);
            const Facts f = factsOf(openMission(file, example.version, form));
            EXPECT_EQ(j.at("file"), file.string());
            EXPECT_EQ(j.at("version"), versionKey(example.version));
            EXPECT_EQ(j.at("form"), form == MissionForm::Binary ? "binary" : "ascii");
            EXPECT_EQ(j.at("name"), f.name);
            EXPECT_EQ(j.at("designer"), f.designer);
            EXPECT_EQ(j.at("terrain"), f.terrain);
            EXPECT_EQ(j.at("briefing"), f.briefing);
            EXPECT_EQ(j.at("items"), f.items);
            EXPECT_EQ((j.at("categories").get<std::map<std::string, std::size_t>>()), f.categories);
            EXPECT_EQ(j.at("events"), f.events);
            EXPECT_EQ(j.at("triggers"), f.triggers);
            EXPECT_EQ(j.at("actions"), f.actions);
            EXPECT_EQ(j.at("waypoints").get<std::set<int>>(), f.waypoints);
            EXPECT_EQ(j.at("groups").get<std::set<int>>(), f.groups);
            EXPECT_EQ(j.at("area_triggers").get<std::set<int>>(), f.areaTriggers);
            EXPECT_FALSE(f.groups.empty());
            EXPECT_FALSE(f.areaTriggers.empty());
        }
    }
}

TEST_F(Vok, InfoTextSummarisesTheMission) {
    const auto file = examplePath(kExamples[1], MissionForm::Binary);
    const auto run = vok({"info", file.string()});
    ASSERT_EQ(run.code, 0);
    const Facts f = factsOf(openMission(file, kDf2, MissionForm::Binary));
    for (const std::string& line : std::vector<std::string>{"Version:       Delta Force 2 (df2), binary", "Name:          " + f.name,
                                   "Designer:      " + f.designer, "Terrain:       " + f.terrain,
                                   "Briefing:      " + f.briefing, "Items:         " + std::to_string(f.items),
                                   "Events:        " + std::to_string(f.events) + " (" + std::to_string(f.triggers) +
                                       " triggers, " + std::to_string(f.actions) + " actions)"}) {
        EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
    }
    // Delta Force 1 has no briefing; a mission without one says so.
    EXPECT_NE(vok({"info", examplePath(kExamples[0], MissionForm::Binary).string()}).out.find("Briefing:      none\n"),
              std::string::npos);
    // --from reads a file as the given version.
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
}

TEST_F(Vok, ListsExportThenImportReproducesAllSixFilesByteForByte) {
    // Lists with awkward descriptions: every byte value, a duplicate identifier, an empty text.
    std::string every;
    for (int b = 1; b < 256; ++b) every.push_back(static_cast<char>(b));
    const auto source = dir / "source";
    std::filesystem::create_directory(source);
    testing::copyStarterLists(source);
    std::ofstream(source / "DF3Items.vok", std::ios::binary)
        << encodeItemList({{7001, every}, {2, ""}, {7001, "Caf\xE9 \x80"}, {9999, "tab\tquote\"back\\"}});

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
    mission.header.signature = df2::kSignature;
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

TEST_F(Vok, ListsLearnFillsAnEmptyDescriptionInsteadOfAddingASecondEntry) {
    std::ofstream(dir / "DF1Items.vok", std::ios::binary) << encodeItemList({{1001, "Tree"}, {1500, ""}});
    Df1Mission mission;
    mission.header.signature = df1::kSignature;
    mission.items.emplace_back().type_id = 1500;
    recountItems(mission.header, mission.items);
    SaveDF1BMS(dir / "m.bms", mission);
    ASSERT_EQ(vok({"lists", "learn", "df1", path("m.bms")}).code, 0);
    EXPECT_EQ(parseItemList(slurp(dir / "DF1Items.vok"), "x"),
              (std::vector<ItemListEntry>{{1001, "Tree"}, {1500, "Decoration 1500"}}));
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
