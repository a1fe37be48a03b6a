// vok in-process, one row per command line: its exit status, a text it prints (standard output or
// error) and the files it writes or changes; every other file stays as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/cli/cli_fixture.h"

namespace vok {
namespace {

using testing::examplePath;
using testing::kExamples;
using testing::slurp;
namespace fs = std::filesystem;

/// An ascii example whose line 8, inside general_information, is a lone word: a reader fault.
std::string faultyAscii(const testing::Example& example) {
    std::string text = slurp(examplePath(example, MissionForm::Ascii));
    std::size_t start = 0;
    for (int line = 1; line < 8; ++line) start = text.find('\n', start) + 1;
    return text.replace(start, text.find('\r', start) - start, "  designer");
}

class Table : public testing::VokTest {
protected:
    Table() {
        dir.write("unknown.bms", std::string("BMS\x0E", 4) + std::string(300, '\0'));
        dir.write("short.bms", std::string("BMS\x0F", 4) + std::string(30, 'x'));
        dir.write("plain.mis", "// no items at all\r\n");
        dir.write("NoItems.MIS", "// nothing\r\nbegin general_information\r\nend general_information\r\n");
        dir.write("out.bms", "precious");
        dir.write("broken.mis", "begin general_information\r\n  name \"x\"\r\n");  // ends inside the block
        dir.write("passed.mis",
                  "begin general_information\r\nend general_information\r\n"
                  "begin item 0\r\n  type_id 2005\r\n  colour 3\r\nend item\r\n");
        for (std::size_t i = 0; i < 3; ++i)
            dir.write("bad" + std::to_string(i + 1) + ".mis", faultyAscii(kExamples[i]));
        // Land Warrior lacks 5040, 1040 and 5041 in the starter lists; 2031 has a replacement.
        SaveDF1BMS(dir / "m.bms",
                   testing::missionWith<Df1Mission>({{5040}, {1001}, {5040}, {1040}, {2031}, {5041}, {5040}}));
        // The Delta Force 2 example with a num_events of 5 for its 2 events.
        std::string counts = slurp(ex(1, ".bms"));
        counts[168] = 5;
        dir.write("counts.bms", counts);
        // Batches: inputs and a folder for the outputs that already holds a hard link to one of them.
        for (const char* name : {"in", "o", "batch"}) fs::create_directory(dir / name);
        for (const char* name : {"m.bms", "a.bms"}) fs::copy_file(ex(1, ".bms"), dir / "in" / name);
        for (const char* name : {"m.mis", "b.mis"}) fs::copy_file(ex(1, ".mis"), dir / "in" / name);
        fs::create_hard_link(dir / "in" / "b.mis", dir / "o" / "a.mis");
        // Campaigns: a tree of missions, and two missions that lack the same types in Land Warrior.
        fs::create_directories(dir / "tree" / "sub");
        fs::copy_file(ex(0, ".bms"), dir / "tree" / "x.BMS");
        fs::copy_file(ex(0, ".mis"), dir / "tree" / "sub" / "y.mis");
        dir.write("tree/notes.txt", "not a mission");
        fs::create_directory(dir / "camp");
        for (const char* name : {"m1.bms", "m2.bms"}) fs::copy_file(dir / "m.bms", dir / "camp" / name);
        dir.write("some.txt", "# answers\n5040\t2050\n1040\tremove\n");
        dir.write("all.txt", "5040\t2050\n1040\tremove\n5041\tskip\n");
        dir.write("over.txt", "5040\t2050\n1040\tremove\n5041\tskip\n2031\tremove\n");
        dir.write("faulty.txt", "5040\t2050\n1040\tdelete\n");
        // The Delta Force 2 example with texts the ascii form cannot carry, in both forms.
        auto lossy = std::get<Df2Mission>(openMission(ex(1, ".bms"), DfType::Df2, MissionForm::Binary));
        lossy.header.terrain.set("red sand");
        lossy.waypoints[4].waypoint_text.set("x");
        for (MissionForm form : testing::kForms)
            saveMission(dir / (std::string("lossy") + testing::extensionOf(form)), lossy, form, {});
        // List text files, each with one fault.
        const std::pair<const char*, const char*> faults[] = {
            {"DF3Replace.txt", "2050\t1\n"},
            {"DF2Items.txt", "1\tok\n2\t\xE2\x82\xA9\n"},
            {"DF1Replace.txt", "# only a comment\n"},
            {"DF3Items.txt", "2050\tTruck\n2051\tTank\n2050\tLorry\n"},
            {"DF2Replace.txt", nullptr},
            {"DF1Replace.txt", "2031\t9\t2005\n"},  // what the programs cannot use
            {"DF2Replace.txt", "2005\t3\t0\n"},
            {"DF1Items.txt", "7\tSeven\n8\t\n"}};
        for (std::size_t i = 0; i < std::size(faults); ++i) {
            const auto text = dir / ("text" + std::to_string(i));
            EXPECT_EQ(vok({"lists", "export", text.string()}).code, 0);
            if (faults[i].second == nullptr)
                fs::remove(text / faults[i].first);
            else
                std::ofstream(text / faults[i].first, std::ios::binary) << faults[i].second;
        }
    }

    static std::string ex(std::size_t example, const char* extension) {
        return examplePath(kExamples[example],
                           std::string_view(extension) == ".bms" ? MissionForm::Binary : MissionForm::Ascii);
    }
};

TEST_F(Table, ExitStatusMessageAndFilesWritten) {
    const auto p = [&](std::string_view name) { return path(name); };
    const std::string df1 = ex(0, ".bms"), df2 = ex(1, ".bms"), df3 = ex(2, ".mis"), lw = ex(2, ".bms");
    const std::string notCarried =
        "  Not carried: terrain \"red sand\" (an unquoted text holding a blank: only its first word is read back; "
        "it comes back as \"red\")\n  Not carried: waypoint_text of 1 waypoint (the ascii form has no line for it)\n";
    struct Row {
        std::vector<std::string> args;
        int code;
        std::string printed;                    ///< found on standard output or error; empty: standard error is empty
        std::vector<std::string> written = {};  ///< new or changed files, below the folder
    };
    // clang-format off
    const Row rows[] = {
        // Usage errors.
        {{}, 2, "A subcommand is required"},
        {{"convert"}, 2, "files is required"},
        {{"convert", df2}, 2, "convert takes IN and OUT"},
        {{"convert", df2, p("o.bms"), p("third.bms")}, 2, "convert takes IN and OUT"},
        {{"convert", df2, p("o.txt")}, 2, "o.txt: the extension must be .bms or .mis"},
        {{"convert", p("in.dat"), p("o.bms")}, 2, "in.dat: the extension must be .bms or .mis"},
        {{"convert", df2, p("o.bms"), "--to", "df4"}, 2, "df4"},
        {{"convert", df2, p("o.bms"), "--from", "lw"}, 2, "lw"},
        {{"convert", df2, p("o.bms"), "--replace", "ask"}, 2, "ask"},
        {{"convert", df2, p("o.bms"), "--form", "mis"}, 2, "--form goes with -o DIR"},
        {{"convert", df2, "--form", "doc", "-o", p("batch")}, 2, "doc"},
        {{"convert", df2, p("x.txt"), "-o", p("batch")}, 2, "x.txt: the extension"},
        {{"convert", df2, p("o.bms"), "--no-such-option"}, 2, "--no-such-option"},
        {{"transmogrify", df2}, 2, "A subcommand is required"},
        {{"lists"}, 2, "A subcommand is required"},
        {{"lists", "show", "df5"}, 2, "df5"},
        {{"detect", p("a.txt")}, 2, "a.txt: the extension"},
        {{"check"}, 2, "file is required"},
        {{"check", df1, "--from", "df4"}, 2, "df4"},
        {{"convert", "--help"}, 0, "--replace"},
        {{"help"}, 0, "convert, recognise, summarise"},
        {{"help", "convert"}, 0, "--replace"},
        {{"help", "lists", "learn"}, 0, "lists learn"},
        // Failures name the file and leave every output alone.
        {{"convert", p("missing.bms"), p("out.bms")}, 1, p("missing.bms")},
        {{"convert", p("unknown.bms"), p("out.bms")}, 1,
         p("unknown.bms") + ": the game version could not be recognised; give it with --from df1|df2|df3"},
        {{"convert", p("short.bms"), p("out.bms")}, 1, p("short.bms")},
        {{"convert", p("plain.mis"), p("out.bms")}, 1, p("plain.mis")},
        {{"convert", df2, p("no-folder/out.bms")}, 1, p("no-folder/out.bms")},
        {{"convert", df2, p("out.bms"), "--to", "df3", "--lists", p("nowhere")}, 1, "InitilizeItemLists"},
        {{"convert", p("m.bms"), p("out.bms"), "--to", "df3"}, 1, p("m.bms") + ": 3 item types are missing in Delta "
         "Force Land Warrior and no replacement list entry covers them:\n  5040  Person 5040  (3 items)\n  1040  "
         "Decoration 1040  (1 item)\n  5041  Person 5041  (1 item)\nvok: add replacements"},
        {{"convert", p("m.bms"), p("o.mis"), "--to", "df3", "--replace", "fail"}, 1, "3 item types are missing"},
        {{"convert", p("bad1.mis"), p("out.bms"), "--from", "df1"}, 1, p("bad1.mis") + ":\nWarning!: Error in OpenDF1MIS\n"},
        {{"convert", p("bad2.mis"), p("out.bms")}, 1, "Warning!: Error in OpenDF2MIS\n"},
        {{"convert", p("bad3.mis"), p("out.bms"), "--from", "df3"}, 1, "At Line: 8\n"},
        {{"info", p("bad2.mis"), "--from", "df2"}, 1, "OpenDF2MIS"},
        {{"lists", "learn", "df3", df1}, 1, "df1_harbour.bms: is a Delta Force 1 mission, not Delta Force Land Warrior"},
        {{"lists", "learn", "df1", ex(1, ".mis")}, 1, "df2_night_raid.mis: is a Delta Force 2 mission, not Delta Force 1"},
        // Conversions; the terrain given is reported when the ascii form cannot carry it.
        {{"convert", df2, p("o.mis")}, 0, "", {"o.mis"}},
        {{"convert", p("m.bms"), p("out.bms"), "--to", "df3", "--replace", "skip"}, 0, "Skipped: 5040", {"out.bms"}},
        {{"convert", p("in/m.bms"), p("in/./m.bms")}, 0, ""},  // IN as OUT: an explicit rewrite
        {{"convert", df2, p("a.mis"), "--terrain", "Sandy Ridge"}, 0, "terrain \"Sandy Ridge\" (", {"a.mis"}},
        {{"convert", df1, p("a.mis"), "--to", "df2", "--replace", "skip", "--terrain", "a name longer than sixteen"},
         0, "terrain \"a name longer th\" (", {"a.mis"}},
        // A terrain name is stored in Windows-1252, as the game shows it; what it cannot hold is refused.
        {{"convert", df2, p("a.mis"), "--terrain", "For\u00eat noire"}, 0, "terrain \"For\u00eat noire\" (", {"a.mis"}},
        {{"convert", df2, p("a.mis"), "--terrain", "\u0141\u00f3d\u017a"}, 2, "--terrain: The terrain name can hold only "
         "characters of the Windows-1252 code page; \"\u0141\" is not one of them."},
        // What a conversion or an ascii save could not carry, unless --quiet.
        {{"convert", p("lossy.bms"), p("a.mis")}, 0,
         "vok: " + p("a.mis") + ": saved as a Delta Force 2 ascii mission\n" + notCarried, {"a.mis"}},
        {{"convert", p("lossy.bms"), p("a.mis"), "--quiet"}, 0, "", {"a.mis"}},
        {{"convert", p("lossy.bms"), p("a.bms")}, 0, "", {"a.bms"}},  // the binary form carries everything
        {{"convert", p("lossy.mis"), p("a.mis"), "--from", "df2"}, 0, "", {"a.mis"}},  // nothing more is lost
        {{"convert", p("lossy.bms"), p("a.mis"), "--to", "df3", "--replace", "skip", "--terrain", "red sand"}, 0,
         " does not know it (1 item)\n" + notCarried, {"a.mis"}},
        {{"convert", lw, p("a.bms"), "--to", "df1", "--replace", "skip"}, 0,
         "vok: " + p("a.bms") + ": converted from Delta Force Land Warrior to Delta Force 1\n  Dropped: briefing", {"a.bms"}},
        {{"convert", lw, p("a.bms"), "--to", "df1", "--replace", "skip", "-q"}, 0, "", {"a.bms"}},
        {{"convert", lw, p("a.bms"), "--to", "df1", "--replace", "REMOVE"}, 0,
         "  Removed: 7002 \"Effect 7002\" set to type 0 (1 item)\n", {"a.bms"}},
        // Batches: each failure is reported and the others go on; nothing is written over an input
        // nor twice.
        {{"convert", df1, p("short.bms"), p("unknown.bms"), df3, "--to", "df2", "--form", "bms", "-o", p("batch"),
          "--replace", "skip"}, 1, p("unknown.bms"), {"batch/df1_harbour.bms", "batch/df3_mountain_pass.bms"}},
        {{"convert", ex(0, ".mis"), df2, "-o", p("batch")}, 0, "", {"batch/df1_harbour.mis", "batch/df2_night_raid.bms"}},
        {{"convert", p("lossy.bms"), df2, "--form", "mis", "-o", p("batch")}, 0,
         "vok: " + p("batch/lossy.mis") + ": saved as a Delta Force 2 ascii mission\n" + notCarried,
         {"batch/df2_night_raid.mis", "batch/lossy.mis"}},
        {{"convert", df2, "-o", p("new/deeper")}, 0, "", {"new/deeper/df2_night_raid.bms"}},
        {{"convert", df2, "-o", p("out.bms")}, 1, p("out.bms") + ": the folder cannot be made"},
        {{"convert", p("in/m.bms"), p("in/m.mis"), "--form", "mis", "-o", p("o")}, 1,
         p("in/m.bms") + " and " + p("in/m.mis") + " would both be written to " + p("o/m.mis")},
        {{"convert", p("in/./m.bms"), "-o", p("in/../in")}, 1, p("in/../in/m.bms") + ", the output of"},
        {{"convert", p("in/a.bms"), p("in/b.mis"), "--form", "mis", "-o", p("o")}, 1,
         p("o/a.mis") + ", the output of " + p("in/a.bms") + ", is the input " + p("in/b.mis")},
        // Campaigns: folders give their mission files (sub-folders with --recursive, the tree kept);
        // missing types are listed once for the whole batch and nothing is written; answers from a
        // file come first.
        {{"convert", p("in"), "-o", p("batch")}, 0, "", {"batch/a.bms", "batch/b.mis", "batch/m.bms", "batch/m.mis"}},
        {{"convert", p("tree"), "-o", p("batch")}, 0, "", {"batch/x.bms"}},
        {{"convert", p("tree"), "--recursive", "--form", "mis", "-o", p("new")}, 0, "", {"new/sub/y.mis", "new/x.mis"}},
        {{"convert", p("tree"), "-r"}, 2, "--recursive and --replace-with go with -o DIR"},
        {{"convert", p("camp"), "--to", "df3", "-o", p("new")}, 1, "vok: 3 item types are missing in Delta Force "
         "Land Warrior in 2 missions and no replacement list entry covers them:\n"
         "  type  description      version  items  missions  files\n"
         "  5040  Person 5040      df1      6      2         " + p("camp/m1.bms") + ", " + p("camp/m2.bms") + "\n"
         "  1040  Decoration 1040  df1      2      2         "},
        {{"convert", p("camp"), p("m.bms"), "--to", "df3", "-o", p("new")}, 1, "items  missions  files\n  5040  Person 5040  "
         "    df1      9      3         " + p("camp/m1.bms") + ", " + p("camp/m2.bms") + ", " + p("m.bms") + "\n"},
        {{"convert", p("camp"), "--to", "df3", "-o", p("new")}, 1, "vok: " + p("camp/m2.bms") + ": not converted: "
         "uses 3 of the missing item types\n"},
        {{"convert", p("camp"), "--to", "df3", "--replace-with", p("some.txt"), "-o", p("new")}, 1,
         "vok: 1 item type is missing in Delta Force Land Warrior in 2 missions"},
        {{"convert", p("camp"), "--to", "df3", "--replace-with", p("all.txt"), "-o", p("new")}, 0,
         "  Replaced: 5040", {"new/m1.bms", "new/m2.bms"}},
        {{"convert", p("camp"), "--to", "df3", "--replace-with", p("over.txt"), "-o", p("new")}, 0,
         "  Removed: 2031", {"new/m1.bms", "new/m2.bms"}},
        {{"convert", p("camp"), "--to", "df3", "--replace-with", p("faulty.txt"), "-o", p("new")}, 1,
         p("faulty.txt")},
        // detect and info.
        {{"detect", df2}, 0, "df2\n"},
        {{"detect", df3}, 0, "df3\n"},
        {{"detect", p("unknown.bms")}, 1, "unknown\n"},
        {{"detect", p("NoItems.MIS")}, 1, "unknown\n"},
        {{"detect", p("missing.bms")}, 1, p("missing.bms")},
        {{"detect", df3, "--lists", p("nowhere")}, 1, "InitilizeItemLists"},
        {{"detect", df2, "--lists", p("nowhere")}, 0, "df2\n"},  // a binary file needs no lists
        {{"info", df1}, 0, "Briefing:      none\n"},
        {{"info", ex(1, ".mis"), "--from", "df2"}, 0, "Delta Force 2 (df2), ascii"},
        // check: exit 0 when the file reads, 1 when it cannot or, with --strict, when anything was found.
        {{"check", df2}, 0, df2 + ": Delta Force 2, binary: nothing found\n"},
        {{"check", df2, "--strict"}, 0, "nothing found"},
        {{"check", p("passed.mis"), "--from", "df2"}, 0,
         ": Delta Force 2, ascii: 1 finding\n  line 5: unknown keyword \"colour\" in the item block [ignored]\n"},
        {{"check", p("passed.mis"), "--from", "df2", "--strict"}, 1, "1 finding"},
        {{"check", p("broken.mis"), "--from", "df1"}, 1, "At Line: 2"},
        {{"check", p("plain.mis")}, 1, p("plain.mis") + ": The file holds no mission"},
        {{"check", df1, "--lists", p("nowhere")}, 1, "InitilizeItemLists"},
        // lists
        {{"lists", "show", "df1", "--replacements"}, 0, "DF1 2031 -> DF2 2005\nDF1 2031 -> DF:LW 2050\n"},
        {{"lists", "import", p("text0")}, 1, "DF3Replace.txt"},
        {{"lists", "import", p("text1")}, 1, "line 2"},
        {{"lists", "import", p("text2")}, 1, "at least one entry"},
        {{"lists", "import", p("text3")}, 1, "line 1 and again on line 3"},
        {{"lists", "import", p("text4")}, 1, "DF2Replace.txt"},
        {{"lists", "import", p("text5")}, 1, "DF1Replace.txt: The list file is faulty: the target version 9 is not 1, 2 or 3 at line 1"},
        {{"lists", "import", p("text6")}, 1, "DF2Replace.txt: The list file is faulty: item types start at 1 at line 1"},
        {{"lists", "import", p("text7")}, 1, "DF1Items.txt: The list file is faulty: the description is empty"},
        // Counts that do not match the records are the input's fault, told by info too.
        {{"info", p("counts.bms")}, 0, "Counts:        do not add up: num_events is 5 but the mission holds 2 event records\n"},
        {{"convert", p("counts.bms"), p("o.bms")}, 1, p("counts.bms") + ": The mission's counts do not match its records"},
    };
    // clang-format on
    const auto before = testing::filesIn(dir.path());
    for (const Row& row : rows) {
        std::string line;
        for (const auto& arg : row.args) line += arg + " ";
        SCOPED_TRACE(line);
        const auto run = vok(row.args);
        EXPECT_EQ(run.code, row.code) << run.err;
        // Usage errors go to standard error. Paths are compared with one kind of separator: vok
        // joins a folder and a name with the system's own.
        const auto slashes = [](std::string text) {
            if (fs::path::preferred_separator == '\\') std::replace(text.begin(), text.end(), '\\', '/');
            return text;
        };
        EXPECT_NE(slashes(row.code == 2 ? run.err : run.out + run.err).find(slashes(row.printed)), std::string::npos)
            << run.out << run.err;
        EXPECT_EQ(run.err.find('\r'), std::string::npos);
        EXPECT_TRUE(!row.printed.empty() || run.err.empty()) << run.err;
        std::vector<std::string> written;  // and put back as it was
        for (const auto& [file, bytes] : testing::filesIn(dir.path())) {
            const auto old = before.find(file);
            if (old != before.end() && old->second == bytes) continue;
            written.push_back(file.lexically_relative(dir.path()).generic_string());
            if (old == before.end()) fs::remove(file);
            if (old != before.end()) std::ofstream(file, std::ios::binary) << old->second;
        }
        EXPECT_EQ(written, row.written);
    }
}

}  // namespace
}  // namespace vok
