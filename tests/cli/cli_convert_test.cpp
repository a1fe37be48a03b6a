// vok convert: forms, versions, replacement policies, terrain, batches and failures.
#include <gtest/gtest.h>

#include <map>

#include "conversion/convert.h"
#include "mission/core/item_counts.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/scripted_chooser.h"

namespace vok {
namespace {

using testing::examplePath;
using testing::extensionOf;
using testing::kExamples;
using testing::slurp;

constexpr MissionForm kForms[] = {MissionForm::Binary, MissionForm::Ascii};

class Convert : public testing::VokTest {
protected:
    /// The bytes the library writes for `mission` in `form`, dated like vok's output.
    std::string expectedBytes(const AnyMission& mission, MissionForm form) const {
        const auto file = dir / (std::string("expected") + extensionOf(form));
        saveMission(file, mission, form, utcFromEpochSeconds(testing::kEpoch));
        return slurp(file);
    }

    /// What the converter does with `--replace remove` and the default terrain answer.
    AnyMission convertedExample(const std::filesystem::path& in, DfType from, DfType to) {
        ListStore lists(dir.path());
        lists.InitilizeItemLists();
        testing::ScriptedChooser removeAll({}, ReplacementAnswer::remove());
        AnyMission mission = convertMission(openMission(in, from, *formOfPath(in)), to, lists, removeAll);
        setTerrain(mission, suggestedTerrain(mission, from));
        return mission;
    }
};

TEST_F(Convert, EveryExampleInAllFourFormPairsOfItsVersion) {
    for (const auto& example : kExamples) {
        for (MissionForm inForm : kForms) {
            const auto in = examplePath(example, inForm);
            const AnyMission mission = openMission(in, example.version, inForm);
            for (MissionForm outForm : kForms) {
                for (bool giveVersion : {false, true}) {
                    const std::string out = path(std::string("out") + extensionOf(outForm));
                    std::vector<std::string> args = {"convert", in.string(), out};
                    if (giveVersion) args.insert(args.end(), {"--from", std::string(versionKey(example.version))});
                    const auto run = vok(args);
                    ASSERT_EQ(run.code, 0) << run.err;
                    EXPECT_EQ(run.err, "") << "nothing to report within one version";
                    EXPECT_EQ(slurp(out), expectedBytes(mission, outForm)) << in << " -> " << out;
                    if (inForm == MissionForm::Binary && outForm == MissionForm::Binary) {
                        EXPECT_EQ(slurp(out), slurp(in)) << "a binary mission comes back byte for byte";
                    }
                }
            }
        }
    }
}

TEST_F(Convert, AConversionReportsWhatItCouldNotCarryUnlessQuiet) {
    const std::string in = examplePath(kExamples[2], MissionForm::Binary).string();
    const auto run = vok({"convert", in, path("o.bms"), "--to", "df1", "--replace", "skip"});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.err.find("o.bms: converted from Delta Force Land Warrior to Delta Force 1\n  Dropped: briefing"),
              std::string::npos)
        << run.err;
    const auto quiet = vok({"convert", in, path("o.bms"), "--to", "df1", "--replace", "skip", "--quiet"});
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.err, "");
}

// ---------------------------------------------------------------------------------------------
// Replacement policies and the terrain.

Df1Mission df1With(std::initializer_list<std::int32_t> types) {
    Df1Mission m;
    m.header.signature = df1::MissionHeader::fileSignature;
    m.header.terrain.set("harbour");
    for (std::int32_t type : types) m.items.emplace_back().type_id = type;
    recountItems(m.header, m.items);
    return m;
}

std::vector<std::int32_t> typesIn(const AnyMission& mission) {
    return std::visit(
        [](const auto& m) {
            std::vector<std::int32_t> types;
            for (const auto& item : m.items) types.push_back(item.type_id);
            return types;
        },
        mission);
}

TEST_F(Convert, FailListsEveryMissingTypeOnceAndWritesNothing) {
    // In the starter lists Land Warrior lacks 5040, 1040 and 5041; 2031 has a replacement.
    const auto in = dir / "m.bms";
    SaveDF1BMS(in, df1With({5040, 1001, 5040, 1040, 2031, 5041, 5040}));
    for (MissionForm outForm : kForms) {
        const std::string out = path(std::string("out") + extensionOf(outForm));
        const auto run = vok({"convert", in.string(), out, "--to", "df3"});
        EXPECT_EQ(run.code, 1);
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_NE(run.err.find(in.string()), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("3 item types are missing in Delta Force Land Warrior"), std::string::npos) << run.err;
        for (const char* line : {"\n  5040  Person 5040  (3 items)\n", "\n  1040  Decoration 1040  (1 item)\n",
                                 "\n  5041  Person 5041  (1 item)\n"}) {
            const auto first = run.err.find(line);
            EXPECT_NE(first, std::string::npos) << line << run.err;
            EXPECT_EQ(run.err.find(line, first + 1), std::string::npos) << "listed twice: " << line;
        }
        EXPECT_EQ(run.err.find("  2031 "), std::string::npos);
        EXPECT_EQ(run.err.find("  1001 "), std::string::npos);
    }
    // An existing output stays as it was.
    const auto existing = dir.write("existing.bms", "old bytes");
    EXPECT_EQ(vok({"convert", in.string(), existing.string(), "--to", "df3", "--replace", "fail"}).code, 1);
    EXPECT_EQ(slurp(existing), "old bytes");
}

TEST_F(Convert, SkipKeepsMissingTypesAndRemoveSetsThemToZero) {
    const auto in = dir / "m.bms";
    SaveDF1BMS(in, df1With({5040, 1001, 2031, 1040}));
    ASSERT_EQ(vok({"convert", in.string(), path("skip.bms"), "--to", "df3", "--replace", "skip"}).code, 0);
    EXPECT_EQ(typesIn(openMission(dir / "skip.bms", DfType::Df3, MissionForm::Binary)),
              (std::vector<std::int32_t>{5040, 1001, 2050, 1040}));
    const auto run = vok({"convert", in.string(), path("remove.mis"), "--to", "df3", "--replace", "REMOVE"});
    ASSERT_EQ(run.code, 0);
    const AnyMission removed = openMission(dir / "remove.mis", DfType::Df3, MissionForm::Ascii);
    EXPECT_EQ(typesIn(removed), (std::vector<std::int32_t>{0, 1001, 2050, 0}));
    EXPECT_NE(run.err.find("Removed: 5040 \"Person 5040\""), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Replaced: 2031 \"Vehicle 2031\" by 2050 \"Vehicle 2050\" (1 item)"), std::string::npos);
}

TEST_F(Convert, TerrainIsTheWindowsDefaultAnswerOrTheGivenOne) {
    struct Case {
        std::size_t example;
        const char* to;
        std::vector<std::string> extra;
        const char* terrain;
    };
    const Case cases[] = {
        {1, "df3", {}, "DF2desert"},
        {0, "df3", {}, "DF1harbour"},
        {2, "df2", {}, "alpine"},
        {1, "df1", {}, "desert"},
        {1, "df2", {}, "desert"},
        {1, "df3", {"--terrain", "snow"}, "snow"},
        {1, "df2", {"--terrain", "Sandy Ridge"}, "Sandy Ridge"},
        {0, "df2", {"--terrain", "a name longer than sixteen"}, "a name longer th"},
    };
    for (const auto& c : cases) {
        const auto& example = kExamples[c.example];
        std::vector<std::string> args = {"convert", examplePath(example, MissionForm::Binary).string(), path("t.bms"),
                                         "--to", c.to, "--replace", "skip"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ASSERT_EQ(vok(args).code, 0);
        const AnyMission m = openMission(dir / "t.bms", *parseVersionKey(c.to), MissionForm::Binary);
        EXPECT_EQ(std::visit([](const auto& x) { return x.header.terrain.text(); }, m), c.terrain) << c.to;
    }
}

// ---------------------------------------------------------------------------------------------
// Batches.

TEST_F(Convert, ABatchConvertsEveryExampleIntoEachVersion) {
    const std::vector<std::vector<std::string>> batches = {
        {examplePath(kExamples[0], MissionForm::Binary).string(), examplePath(kExamples[1], MissionForm::Ascii).string(),
         examplePath(kExamples[2], MissionForm::Binary).string()},
        {examplePath(kExamples[0], MissionForm::Ascii).string(), examplePath(kExamples[1], MissionForm::Binary).string(),
         examplePath(kExamples[2], MissionForm::Ascii).string()},
    };
    for (DfType to : {DfType::Df1, DfType::Df2, DfType::Df3}) {
        for (MissionForm outForm : kForms) {
            for (const auto& inputs : batches) {
                const auto outDir = dir / ("batch-" + std::string(versionKey(to)));
                std::filesystem::remove_all(outDir);
                std::filesystem::create_directory(outDir);
                std::vector<std::string> args = {"convert"};
                args.insert(args.end(), inputs.begin(), inputs.end());
                args.insert(args.end(), {"--to", std::string(versionKey(to)), "--form", outForm == MissionForm::Binary ? "bms" : "mis",
                                         "-o", outDir.string(), "--replace", "remove"});
                const auto run = vok(args);
                ASSERT_EQ(run.code, 0) << run.err;
                for (std::size_t i = 0; i < inputs.size(); ++i) {
                    const auto out = outDir / (std::string(kExamples[i].stem) + extensionOf(outForm));
                    ASSERT_TRUE(std::filesystem::exists(out)) << out;
                    const AnyMission expected = to == kExamples[i].version
                                                    ? openMission(inputs[i], to, *formOfPath(inputs[i]))
                                                    : convertedExample(inputs[i], kExamples[i].version, to);
                    EXPECT_EQ(slurp(out), expectedBytes(expected, outForm)) << out;
                }
            }
        }
    }
}

TEST_F(Convert, ABatchReportsAFaultyFileAndConvertsTheRest) {
    const auto outDir = dir / "out";
    std::filesystem::create_directory(outDir);
    const auto broken = dir.write("broken.bms", std::string("BMS\x0F", 4) + std::string(100, '\x01'));
    const auto unknown = dir.write("unknown.bms", std::string("BMS\x0E", 4) + std::string(100, '\0'));
    const std::string good1 = examplePath(kExamples[0], MissionForm::Binary).string();
    const std::string good2 = examplePath(kExamples[2], MissionForm::Ascii).string();
    const auto run = vok({"convert", good1, broken.string(), unknown.string(), good2, "--to", "df2", "--form", "bms",
                          "-o", outDir.string(), "--replace", "skip"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find(broken.string()), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(unknown.string()), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(outDir / "df1_harbour.bms"));
    EXPECT_TRUE(std::filesystem::exists(outDir / "df3_mountain_pass.bms"));
    EXPECT_FALSE(std::filesystem::exists(outDir / "broken.bms"));
    EXPECT_FALSE(std::filesystem::exists(outDir / "unknown.bms"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outDir), std::filesystem::directory_iterator()), 2);
}

TEST_F(Convert, ABatchKeepsEachInputsFormWithoutForm) {
    const auto outDir = dir / "out";
    std::filesystem::create_directory(outDir);
    const auto run = vok({"convert", examplePath(kExamples[0], MissionForm::Ascii).string(),
                          examplePath(kExamples[1], MissionForm::Binary).string(), "-o", outDir.string()});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(outDir / "df1_harbour.mis"));
    EXPECT_EQ(slurp(outDir / "df2_night_raid.bms"), slurp(examplePath(kExamples[1], MissionForm::Binary)));
}

TEST_F(Convert, ABatchNeverWritesOverItsOwnInputNorOneFileTwice) {
    namespace fs = std::filesystem;
    const auto in = dir / "in";
    const auto out = dir / "out";
    fs::create_directories(in);
    fs::create_directories(out);
    for (const char* name : {"m.bms", "a.bms"}) fs::copy_file(examplePath(kExamples[1], MissionForm::Binary), in / name);
    for (const char* name : {"m.mis", "b.mis"}) fs::copy_file(examplePath(kExamples[1], MissionForm::Ascii), in / name);
    fs::create_hard_link(in / "b.mis", out / "a.mis");
    const auto files = [&] {
        std::map<fs::path, std::string> all;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            if (entry.is_regular_file()) all[entry.path()] = slurp(entry.path());
        }
        return all;
    };
    const auto before = files();

    const struct {
        const char* name;
        std::vector<std::string> args;
        std::vector<fs::path> named;
    } cases[] = {
        {"two inputs, one output", {"convert", (in / "m.bms").string(), (in / "m.mis").string(), "--form", "mis", "-o", out.string()},
         {in / "m.bms", in / "m.mis"}},
        {"the output is the input, spelt otherwise", {"convert", (in / "." / "m.bms").string(), "-o", (in / ".." / "in").string()},
         {in / "." / "m.bms", in / ".." / "in" / "m.bms"}},
        {"the output is a hard link of another input", {"convert", (in / "a.bms").string(), (in / "b.mis").string(), "--form", "mis", "-o", out.string()},
         {out / "a.mis", in / "b.mis"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = vok(c.args);
        EXPECT_EQ(run.code, 1);
        for (const auto& file : c.named) EXPECT_NE(run.err.find(file.string()), std::string::npos) << file << "\n" << run.err;
        EXPECT_TRUE(files() == before) << "a file was written";
    }
    // Naming one file as IN and OUT is an explicit rewrite.
    EXPECT_EQ(vok({"convert", (in / "m.bms").string(), (in / "." / "m.bms").string()}).code, 0);
}

// ---------------------------------------------------------------------------------------------
// Exit codes and messages.

TEST_F(Convert, UsageErrorsExitWithTwoAndWriteNothing) {
    const std::string in = examplePath(kExamples[1], MissionForm::Binary).string();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"convert"},
        {"convert", in},
        {"convert", in, path("out.txt")},
        {"convert", path("in.dat"), path("out.bms")},
        {"convert", in, path("out.bms"), "--to", "df4"},
        {"convert", in, path("out.bms"), "--from", "lw"},
        {"convert", in, path("out.bms"), "--replace", "ask"},
        {"convert", in, path("out.bms"), path("third.bms")},
        {"convert", in, path("out.bms"), "--form", "mis"},
        {"convert", in, "--form", "doc", "-o", dir.path().string()},
        {"convert", in, path("x.txt"), "-o", dir.path().string()},
        {"convert", in, path("out.bms"), "--no-such-option"},
        {"transmogrify", in},
        {"lists"},
        {"lists", "show", "df5"},
    };
    for (const auto& args : cases) {
        const auto run = vok(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(run.code, 2) << line << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << line;
        EXPECT_FALSE(exists("out.bms")) << line;
    }
    EXPECT_EQ(vok({"--help"}).code, 0);
    EXPECT_EQ(vok({"convert", "--help"}).code, 0);
}

TEST_F(Convert, FailuresExitWithOneNameTheFileAndLeaveOutputsAlone) {
    const std::string good = examplePath(kExamples[1], MissionForm::Binary).string();
    dir.write("unknown.bms", std::string("BMS\x0E", 4) + std::string(300, '\0'));
    dir.write("short.bms", std::string("BMS\x0F", 4) + std::string(30, 'x'));
    dir.write("plain.mis", "// no items at all\r\n");
    const std::string existing = "precious";
    struct Case {
        std::vector<std::string> args;
        std::string named;  ///< the file the message must name
    };
    const std::vector<Case> cases = {
        {{"convert", path("missing.bms"), path("out.bms")}, path("missing.bms")},
        {{"convert", path("unknown.bms"), path("out.bms")}, path("unknown.bms")},
        {{"convert", path("short.bms"), path("out.bms")}, path("short.bms")},
        {{"convert", path("plain.mis"), path("out.bms")}, path("plain.mis")},
        {{"convert", good, path("no-folder/out.bms")}, path("no-folder/out.bms")},
        {{"convert", good, path("out.bms"), "--to", "df3", "--lists", path("nowhere")}, "InitilizeItemLists"},
    };
    for (const auto& c : cases) {
        dir.write("out.bms", existing);
        const auto run = vok(c.args);
        EXPECT_EQ(run.code, 1) << c.named << "\n" << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_EQ(slurp(dir / "out.bms"), existing);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
                  10) << "no file left behind";  // six lists, three inputs and out.bms
    }
    // An unrecognised file converts when its version is given.
    EXPECT_NE(vok({"convert", path("unknown.bms"), path("out.bms")}).err.find("--from"), std::string::npos);
}

struct FaultyAscii {
    std::size_t example;
    const char* reader;
};

class FaultyAsciiMission : public testing::VokTest, public ::testing::WithParamInterface<FaultyAscii> {};

TEST_P(FaultyAsciiMission, CarriesTheConvertersMessageAndLine) {
    const auto& example = kExamples[GetParam().example];
    // Line 8 of every example lies inside general_information; a lone word there is a fault.
    std::string text = slurp(examplePath(example, MissionForm::Ascii));
    std::size_t start = 0;
    for (int line = 1; line < 8; ++line) start = text.find('\n', start) + 1;
    const std::size_t end = text.find('\r', start);
    text.replace(start, end - start, "  designer");
    const auto bad = dir.write("bad.mis", text);
    dir.write("out.bms", "precious");

    for (bool giveVersion : {true, false}) {
        std::vector<std::string> args = {"convert", bad.string(), path("out.bms")};
        if (giveVersion) args.insert(args.end(), {"--from", std::string(versionKey(example.version))});
        const auto run = vok(args);
        EXPECT_EQ(run.code, 1);
        EXPECT_NE(run.err.find(bad.string()), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(std::string("Warning!: Error in ") + GetParam().reader + "\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("At Line: 8\n"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\r'), std::string::npos);
        EXPECT_EQ(slurp(dir / "out.bms"), "precious");
    }
    EXPECT_EQ(vok({"info", bad.string(), "--from", std::string(versionKey(example.version))}).code, 1);
}

INSTANTIATE_TEST_SUITE_P(Readers, FaultyAsciiMission,
                         ::testing::Values(FaultyAscii{0, "OpenDF1MIS"}, FaultyAscii{1, "OpenDF2MIS"},
                                           FaultyAscii{2, "OpenDF3MIS"}),
                         [](const auto& info) { return std::string(info.param.reader); });

TEST_F(Convert, SourceDateEpochGivesReproducibleAsciiOutput) {
    const std::string in = examplePath(kExamples[1], MissionForm::Binary).string();
    ASSERT_EQ(vok({"convert", in, path("a.mis"), "--to", "df3", "--replace", "skip"}).code, 0);
    ASSERT_EQ(vok({"convert", in, path("b.mis"), "--to", "df3", "--replace", "skip"}).code, 0);
    EXPECT_EQ(slurp(dir / "a.mis"), slurp(dir / "b.mis"));
    EXPECT_NE(slurp(dir / "a.mis").find("// This File Was Created On Tuesday, November 14 2023 at 10:13:20 PM\r\n"),
              std::string::npos);

    environment.sourceDateEpoch = 0;
    ASSERT_EQ(vok({"convert", in, path("c.mis")}).code, 0);
    EXPECT_NE(slurp(dir / "c.mis").find("Created On Thursday, January 1 1970 at 12:00:00 AM\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vok
