// vok convert of every example into every version and form, vok check and vok info at the edges of
// every range, and vok lists.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <nlohmann/json.hpp>
#include <thread>

#include "conversion/convert.h"
#include "lists/learned_uses.h"
#include "lists/list_files.h"
#include "lists/list_text.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/scripted_chooser.h"

namespace vok {
namespace {

using testing::examplePath;
using testing::extensionOf;
using testing::kExamples;
using testing::kForms;
using testing::slurp;

class Commands : public testing::VokTest {
protected:
    /// The bytes the converter writes for `in` as version `to` in `form`, keeping missing types.
    std::string convertedBytes(const std::string& in, DfType from, DfType to, MissionForm form) const {
        AnyMission mission = openMission(in, from, *formOfPath(in));
        if (to != from) {
            ListStore lists(dir.path());
            lists.InitilizeItemLists();
            testing::ScriptedChooser skipAll;
            mission = convertMission(mission, to, lists, skipAll);
            setTerrain(mission, suggestedTerrain(mission, from));
        }
        const auto file = dir / (std::string("expected") + extensionOf(form));
        saveMission(file, mission, form, utcFromEpochSeconds(testing::kEpoch));
        return slurp(file);
    }
    void writeList(const char* name, const std::vector<ItemListEntry>& entries) const {
        dir.write(name, encodeItemList(entries));
    }
};

// Missing item types are kept, so an ascii output's version shows only in its first line.
TEST_F(Commands, EveryExampleIntoEveryVersionAndFormThenDetect) {
    for (const auto& example : kExamples) {
        for (MissionForm inForm : kForms) {
            const std::string in = examplePath(example, inForm);
            for (DfType to : kAllVersions) {
                for (MissionForm outForm : kForms) {
                    const std::string key(versionKey(to)), out = path(key + extensionOf(outForm));
                    SCOPED_TRACE(in + " -> " + out);
                    const auto run = vok({"convert", in, out, "--to", key, "--replace", "skip", "-q", "--from",
                                          std::string(versionKey(example.version))});
                    ASSERT_EQ(run.code, 0) << run.err;
                    EXPECT_EQ(slurp(out), convertedBytes(in, example.version, to, outForm));
                    EXPECT_EQ(vok({"detect", out}).out, key + "\n");
                }
            }
        }
    }
}

// Each range's last value and the first one past it. The header's four counts are written by hand
// from the type ranges (a: 2000-2999 and 4000-4999, b: below 2000 and 3000-3999, c: 6000 and above,
// d: 5000-5999), so that an item counted in the wrong slot is a finding.
TEST_F(Commands, CheckAndInfoAtTheEdgesOfEveryRange) {
    std::vector<ItemListEntry> known;
    for (int type :
         {999, 1000, 1999, 2000, 2999, 3000, 3999, 4000, 4999, 5000, 5999, 6000, 6013, 7000, 7999, 8000, 32767}) {
        known.push_back({static_cast<std::int16_t>(type), "x"});
    }
    writeList("DF2Items.vok", known);
    auto m = testing::missionWith<Df2Mission>(
        {{1999, 64, 128}, {2000, 65, 129}, {6013, 0, 0, 64}, {6013, 0, 0, 65}, {999, 1, 1}, {1000}, {2999},
         {3000},          {3999},          {4000},           {4999},           {5000},      {5999}, {6000},
         {7000},          {7999},          {8000},           {32767},          {32768},     {0},    {2031},
         {6013, 0, 0, 1}, {6013}});
    setItemCounts(m.header, {5, 6, 10, 2});
    m.waypoints[0].attrib = m.waypoints[127].attrib = 1;
    m.header.name.set("Night Raid");
    m.header.designer.set("Vok");
    m.header.terrain.set("desert");
    m.header.briefing.set("Hold the pass");
    SaveDF2BMS(dir / "edges.bms", m);

    const auto run = vok({"check", path("edges.bms"), "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    std::vector<std::tuple<std::string, std::string, std::int64_t, std::string>> found;
    for (const auto& f : nlohmann::json::parse(run.out)) {
        if (f["kind"] != "ascii-loss") found.emplace_back(f["kind"], f["record"], f["number"], f["message"]);
    }
    EXPECT_EQ(
        found,
        (decltype(found){
            {"unknown-item-type", "item", 19, "item type 32768 lies outside the range of the item lists (item 19)"},
            {"unknown-item-type", "item", 21, "item type 2031 is not in DF2Items.vok (item 21)"},
            {"group-out-of-range", "item", 2,
             "group_id 65 is above 64; the ascii form has no group block for it (item 2)"},
            {"waypoint-out-of-range", "item", 2, "waypoint_id 129 is above 128; there is no such waypoint (item 2)"},
            {"area-trigger-out-of-range", "item", 4,
             "area trigger 65 is above 64; the ascii form has no area trigger block for it (item 4)"}}));

    const auto json = vok({"info", path("edges.bms"), "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out),
              nlohmann::json::parse(R"({"file": )" + nlohmann::json(path("edges.bms")).dump() + R"(,
        "version": "df2", "form": "binary", "name": "Night Raid", "designer": "Vok", "terrain": "desert",
        "briefing": "Hold the pass", "items": 23, "categories": {"Decorations": 2, "Vehicles": 3, "Buildings": 2,
        "Objects": 2, "People": 2, "Markers": 5, "Effects": 2, "Other": 5}, "events": 0, "triggers": 0,
        "actions": 0, "waypoints": [1, 128], "groups": [1, 64], "area_triggers": [1, 64]})"));
    EXPECT_EQ(vok({"info", path("edges.bms")}).out,
              "File:          " + path("edges.bms") +
                  "\nVersion:       Delta Force 2 (df2), binary\n"
                  "Name:          Night Raid\nDesigner:      Vok\nTerrain:       desert\nBriefing:      Hold the pass\n"
                  "Items:         23\n  Buildings: 2\n  Decorations: 2\n  Effects: 2\n  Markers: 5\n  Objects: 2\n"
                  "  Other: 5\n  People: 2\n  Vehicles: 3\nEvents:        0 (0 triggers, 0 actions)\n"
                  "Waypoints:     1 128\nGroups:        1 64\nArea triggers: 1 64\n");
}

#if !defined(_WIN32)
// A FIFO (or any input that can be read only once) is read once: its version is told from the
// bytes read for the mission.
TEST_F(Commands, AnInputThatCanBeReadOnlyOnceIsReadOnce) {
    const std::string bytes = slurp(examplePath(kExamples[1], MissionForm::Binary));
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"detect", path("fifo.bms")}, "df2\n"},
        {{"info", path("fifo.bms")}, "Version:       Delta Force 2 (df2), binary\n"},
        {{"check", path("fifo.bms")}, ": Delta Force 2, binary: "},
        {{"convert", path("fifo.bms"), path("from-fifo.bms")}, ""},
        {{"lists", "learn", "df2", path("fifo.bms")}, "DF2Items.vok"},
    };
    for (const auto& [args, printed] : rows) {
        SCOPED_TRACE(args[0]);
        ASSERT_EQ(::mkfifo(path("fifo.bms").c_str(), 0600), 0);
        std::thread writer([&] { std::ofstream(path("fifo.bms"), std::ios::binary) << bytes; });
        const auto run = vok(args);
        writer.join();
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_NE(run.out.find(printed), std::string::npos) << run.out;
        std::filesystem::remove(path("fifo.bms"));
    }
    EXPECT_EQ(slurp(path("from-fifo.bms")), bytes);
}
#endif

TEST_F(Commands, ListsShowPrintsTheEntriesInFileOrderMarkingDuplicates) {
    writeList("DF1Items.vok", {{3001, "First"}, {5, "Five"}, {3001, "Second"}});
    writeList("DF2Items.vok", {{7, "Seven"}, {2, "Caf\xE9"}});
    EXPECT_EQ(vok({"lists", "show", "df1"}).out, "3001\tFirst\tduplicate\n5\tFive\n3001\tSecond\tduplicate\n");
    const auto all = vok({"lists", "show", "--lists", dir.path().string()}).out;
    EXPECT_NE(all.find("# DF1Items.vok\n"), std::string::npos);
    EXPECT_NE(all.find("# DF2Items.vok\n7\tSeven\n2\tCaf\xC3\xA9\n# DF3Items.vok\n"), std::string::npos) << all;
}

TEST_F(Commands, ListsExportThenImportReproducesAllSixFilesByteForByte) {
    std::string every;  // every byte value but 0
    for (int b = 1; b < 256; ++b) every.push_back(static_cast<char>(b));
    writeList("DF3Items.vok", {{7001, every}, {7002, "Caf\xE9 \x80"}, {9999, "tab\tquote\"back\\"}});
    const auto text = dir / "text", copy = dir / "copy";
    ASSERT_EQ(vok({"lists", "export", text.string()}).code, 0);
    const auto run = vok({"lists", "import", text.string(), "--lists", copy.string()});
    ASSERT_EQ(run.code, 0) << run.err;
    for (int which = 1; which <= kListCount; ++which) {
        EXPECT_EQ(slurp(copy / listFileName(which)), slurp(dir / listFileName(which)));
    }
    EXPECT_NE(slurp(text / "DF3Items.txt").find("Caf\xC3\xA9 \xE2\x82\xAC"), std::string::npos) << "UTF-8";

    // An import that ends between its renames (its record is in place, no list yet) is finished by
    // the next vok that opens the lists, which says so once.
    writeList("DF1Items.vok", {{1, "Changed since the export"}});
    testing::FailingFileSystem killed;
    killed.failAt = testing::FailingFileSystem::FailAt::Rename;
    killed.renamesBeforeFailure = 1;
    killed.atFailure = [] { throw std::runtime_error("killed"); };
    EXPECT_THROW(importListTexts(text, dir.path(), killed), std::runtime_error);
    std::filesystem::remove(ListFolderLock::pathIn(dir.path()));  // as it goes stale
    const auto first = vok({"lists", "show", "df3"}), second = vok({"lists", "show", "df3"});
    EXPECT_NE(first.err.find("An import of the lists was interrupted; it has been finished"), std::string::npos)
        << first.err;
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(first.out, second.out);
    for (int which = 1; which <= kListCount; ++which) {
        EXPECT_EQ(slurp(dir / listFileName(which)), slurp(copy / listFileName(which)));
    }
}

// The programs read an identifier's last entry: an identifier whose last entry is empty is missing
// and gets the placeholder in that entry; one whose last entry has a text is there.
TEST_F(Commands, ListsLearnAddsEachMissingTypeOnce) {
    writeList("DF2Items.vok", {{1001, "Tree"}, {1500, "Bush"}, {1500, ""}, {1600, ""}, {1600, "Fern"}});
    SaveDF2BMS(dir / "m.bms",
               testing::missionWith<Df2Mission>({{1500}, {2999}, {1001}, {2999}, {4321}, {70000}, {0}, {1600}}));
    SaveDF2MIS(dir / "n.mis", testing::missionWith<Df2Mission>({{6100}}), utcFromEpochSeconds(0));

    const auto run = vok({"lists", "learn", "df2", path("m.bms"), path("n.mis")});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out,
              "added 1500\tDecoration 1500\nadded 2999\tVehicle 2999\nadded 4321\tObject 4321\n"
              "added 6100\tMarker 6100\n");
    EXPECT_NE(run.err.find("70000"), std::string::npos);
    const std::vector<ItemListEntry> learnt = {
        {1001, "Tree"}, {1500, "Bush"},         {1500, "Decoration 1500"}, {1600, ""},
        {1600, "Fern"}, {2999, "Vehicle 2999"}, {4321, "Object 4321"},     {6100, "Marker 6100"}};
    EXPECT_EQ(parseItemList(slurp(dir / "DF2Items.vok"), "x"), learnt);
    // Which mission used which type, and how often, for the list editor; another version's lines stay.
    const std::string m = displayPath(dir / "m.bms"), n = displayPath(dir / "n.mis");
    const std::vector<LearnedUse> uses = {{DfType::Df2, 1001, 1, m}, {DfType::Df2, 1500, 1, m},
                                          {DfType::Df2, 1600, 1, m}, {DfType::Df2, 2999, 2, m},
                                          {DfType::Df2, 4321, 1, m}, {DfType::Df2, 6100, 1, n}};
    EXPECT_EQ(readLearnedUses(dir.path()), uses);
    writeLearnedUses(dir.path(), DfType::Df1, {{DfType::Df1, 7, 3, "a\tb.bms"}});
    EXPECT_EQ(vok({"lists", "learn", "df2", path("m.bms"), path("n.mis")}).out,
              "nothing to add: DF2Items.vok knows every item type\n");
    EXPECT_EQ(parseItemList(slurp(dir / "DF2Items.vok"), "x"), learnt);
    auto both = uses;
    both.insert(both.begin(), {DfType::Df1, 7, 3, "a b.bms"});
    EXPECT_EQ(readLearnedUses(dir.path()), both);
}

}  // namespace
}  // namespace vok
