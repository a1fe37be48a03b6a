// vok check (findings as text and JSON, exit statuses) and the report of what an ascii save
// cannot carry.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "mission/core/error.h"
#include "mission/core/item_counts.h"
#include "tests/cli/cli_fixture.h"

namespace vok {
namespace {

using testing::examplePath;
using testing::kExamples;
using testing::slurp;

class Check : public testing::VokTest {
  protected:
    /// The Delta Force 1 example with an item type its list lacks, a group above 64 and a
    /// waypoint text, as a binary file.
    std::string faultyMission() const {
        auto mission = std::get<Df1Mission>(
            openMission(examplePath(kExamples[0], MissionForm::Binary), DfType::Df1, MissionForm::Binary));
        mission.items[0].type_id = 2999;
        mission.items[1].group_id = 70;
        mission.items[2].group_id = 70;
        mission.waypoints[2].waypoint_text.set("route");
        recountItems(mission.header, mission.items);
        saveMission(dir / "faulty.bms", mission, MissionForm::Binary, Timestamp{});
        return path("faulty.bms");
    }

    /// The Delta Force 1 example as another tool might write it: its first event names three more
    /// triggers than the file holds.
    std::string otherToolsMission() const {
        const auto source = examplePath(kExamples[0], MissionForm::Binary);
        const auto mission = std::get<Df1Mission>(openMission(source, DfType::Df1, MissionForm::Binary));
        std::string bytes = slurp(source);
        const std::size_t firstEvent = 268 + mission.items.size() * 96 + 128 * 136 + 2688 + 12;
        bytes[firstEvent + 21] = static_cast<char>(mission.events[0].num_triggers + 3);
        dir.write("other.bms", bytes);
        return path("other.bms");
    }
};

TEST_F(Check, JsonGivesOneObjectPerFindingWithKindWhereAndMessage) {
    const auto run = vok({"check", faultyMission(), "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    const auto findings = nlohmann::json::parse(run.out);
    ASSERT_TRUE(findings.is_array());
    std::vector<std::tuple<std::string, std::string, std::int64_t>> where;
    for (const auto& f : findings) {
        ASSERT_EQ(f.size(), 4u) << f.dump();
        where.emplace_back(f.at("kind"), f.at("record"), f.at("number"));
        EXPECT_FALSE(f.at("message").get<std::string>().empty());
    }
    EXPECT_EQ(where, (decltype(where){{"unknown-item-type", "item", 1},
                                      {"group-out-of-range", "item", 2},
                                      {"ascii-loss", "waypoint", 3}}));
    EXPECT_EQ(findings[0]["message"], "item type 2999 is not in DF1Items.vok (item 1)");
    EXPECT_EQ(findings[1]["message"],
              "group_id 70 is above 64; the ascii form has no group block for it (2 items: 2 and 3)");
    EXPECT_EQ(findings[2]["message"],
              "waypoint_text of 1 waypoint (the ascii form has no line for it): waypoint 3");

    const auto clean = vok({"check", examplePath(kExamples[0], MissionForm::Ascii).string(), "--json"});
    EXPECT_EQ(clean.code, 0);
    EXPECT_EQ(nlohmann::json::parse(clean.out), nlohmann::json::array());
}

TEST_F(Check, TextNamesTheFileVersionAndEachFindingWithItsKind) {
    const std::string file = faultyMission();
    const auto run = vok({"check", file});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out,
              file +
                  ": Delta Force 1, binary: 3 findings\n"
                  "  item 1: item type 2999 is not in DF1Items.vok (item 1) [unknown-item-type]\n"
                  "  item 2: group_id 70 is above 64; the ascii form has no group block for it (2 items: "
                  "2 and 3) [group-out-of-range]\n"
                  "  waypoint 3: waypoint_text of 1 waypoint (the ascii form has no line for it): "
                  "waypoint 3 [ascii-loss]\n");
    const std::string clean = examplePath(kExamples[2], MissionForm::Binary).string();
    EXPECT_EQ(vok({"check", clean}).out, clean + ": Delta Force Land Warrior, binary: nothing found\n");
}

TEST_F(Check, ExitIsZeroWhenTheFileReadsOneWithStrictFindingsOrAnUnreadableFileTwoForUsage) {
    const std::string cleanFile = examplePath(kExamples[0], MissionForm::Binary).string();
    dir.write("broken.mis", "begin general_information\r\n  name \"x\"\r\n");  // ends inside the block
    dir.write("empty.mis", "// a comment and nothing else\r\n");
    dir.write("passed.mis", "begin general_information\r\nend general_information\r\n"
                            "begin item 0\r\n  type_id 2005\r\n  colour 3\r\nend item\r\n");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string printed;  ///< on standard output (0) or standard error (otherwise)
    };
    const Case cases[] = {
        {{"check", cleanFile}, 0, "nothing found"},
        {{"check", cleanFile, "--strict"}, 0, "nothing found"},
        {{"check", faultyMission(), "--strict"}, 1, "3 findings"},
        {{"check", path("broken.mis"), "--from", "df1"}, 1, "At Line: 2"},
        {{"check", path("empty.mis")}, 1, "empty.mis: The file holds no mission"},
        {{"check", path("passed.mis"), "--from", "df2"},
         0,
         "1 finding\n  line 5: unknown keyword \"colour\" in the item block [ignored]\n"},
        {{"check", path("passed.mis"), "--from", "df2", "--strict"}, 1, "1 finding"},
        {{"check", path("missing.bms")}, 1, "missing.bms"},
        {{"check", cleanFile, "--lists", path("no-lists")}, 1, "InitilizeItemLists"},
        {{"check", path("mission.txt")}, 2, "the extension must be .bms or .mis"},
        {{"check", cleanFile, "--from", "df4"}, 2, "df4"},
        {{"check"}, 2, "file is required"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "no file");
        const auto run = vok(c.args);
        EXPECT_EQ(run.code, c.code) << run.err;
        const std::string& printed =
            c.code == 0 || (c.code == 1 && c.args.back() == "--strict") ? run.out : run.err;
        EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
    }
}

// A file whose events name more triggers than it holds: when the core reads it, check names the
// counts (and that the mission cannot be saved); when the core refuses it, check fails naming them.
TEST_F(Check, EventsWhoseTriggerCountsDoNotAddUpAreNamed) {
    const std::string file = otherToolsMission();
    bool readable = true;
    try {
        openMission(file, DfType::Df1, MissionForm::Binary);
    } catch (const Error&) {
        readable = false;
    }
    const auto run = vok({"check", file});
    const auto strict = vok({"check", file, "--strict"});
    if (readable) {
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_NE(run.out.find("  mission: the events name 6 triggers but the mission holds 3 [event-counts]\n"),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("the mission cannot be saved in either form until its counts agree"), std::string::npos);
        EXPECT_EQ(strict.code, 1);
    } else {
        EXPECT_EQ(run.code, 1);
        EXPECT_EQ(strict.code, 1);
        EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("the events name 6 triggers"), std::string::npos) << run.err;
    }
}

// ---------------------------------------------------------------------------------------------
// vok convert: what the ascii form cannot carry, in the report on standard error.

class AsciiReport : public testing::VokTest {
  protected:
    std::string lossyMission() const {
        auto mission = std::get<Df2Mission>(
            openMission(examplePath(kExamples[1], MissionForm::Binary), DfType::Df2, MissionForm::Binary));
        mission.header.terrain.set("red sand");
        mission.waypoints[4].waypoint_text.set("x");
        saveMission(dir / "lossy.bms", mission, MissionForm::Binary, Timestamp{});
        return path("lossy.bms");
    }

    static constexpr const char* kTerrain =
        "  Not carried: terrain \"red sand\" (an unquoted text holding a blank: only its first word is read "
        "back; it "
        "comes back as \"red\")\n";
    static constexpr const char* kWaypoint =
        "  Not carried: waypoint_text of 1 waypoint (the ascii form has no line for it)\n";
};

TEST_F(AsciiReport, AnAsciiSaveSaysWhatItCannotCarryUnlessQuiet) {
    const std::string in = lossyMission();
    const auto run = vok({"convert", in, path("out.mis")});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "vok: " + path("out.mis") + ": saved as a Delta Force 2 ascii mission\n" + kTerrain +
                           kWaypoint);

    EXPECT_EQ(vok({"convert", in, path("quiet.mis"), "--quiet"}).err, "");
    EXPECT_EQ(vok({"convert", in, path("out.bms")}).err, "") << "the binary form carries everything";
    EXPECT_EQ(vok({"convert", path("out.mis"), path("again.mis"), "--from", "df2"}).err, "")
        << "what came through the ascii form loses nothing more";
}

TEST_F(AsciiReport, AConversionToTheAsciiFormReportsBothInOneReport) {
    const std::string in = lossyMission();
    const auto run =
        vok({"convert", in, path("lw.mis"), "--to", "df3", "--replace", "skip", "--terrain", "red sand"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.err.starts_with("vok: " + path("lw.mis") +
                                    ": converted from Delta Force 2 to Delta Force Land "
                                    "Warrior\n  Set: environment_file"))
        << run.err;
    EXPECT_TRUE(
        run.err.ends_with(std::string("  Skipped: 6020 \"Marker 6020\" kept, though Delta Force Land Warrior "
                                      "does not know it (1 item)\n") +
                          kTerrain + kWaypoint))
        << run.err;

    // A batch reports each file the same way.
    std::filesystem::create_directory(dir / "out");
    const auto batch = vok({"convert", in, examplePath(kExamples[1], MissionForm::Binary).string(), "--form",
                            "mis", "-o", path("out")});
    EXPECT_EQ(batch.code, 0);
    EXPECT_EQ(batch.err, "vok: " + (dir / "out" / "lossy.mis").string() +
                             ": saved as a Delta Force 2 ascii mission\n" + kTerrain + kWaypoint);
}

}  // namespace
}  // namespace vok
