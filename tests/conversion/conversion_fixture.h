#pragma once
// Small item and replacement lists in a folder of their own, for the conversion and check tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/convert.h"
#include "tests/support/temp_dir.h"

namespace vok::testing {

/// The report as text, one "Kind: text" line per line.
inline std::string textOf(const ConversionReport& report) {
    std::string text;
    for (const auto& line : report.lines) text += std::string(reportKindLabel(line.kind)) + ": " + line.text + "\n";
    return text;
}

/// Each version has a vehicle the others lack (DF1 2031, DF2 2005, DF3 2050), with a replacement
/// into each other version. DF1 lists a replacement for 1001, which every version knows (never
/// used), and one of 1040 into 9999, which DF2 does not know (used unchecked). DF2 describes 4000
/// with an empty text: it does not exist. Land Warrior's effect 7001 becomes 4000 in DF1.
class ConversionLists : public ::testing::Test {
  protected:
    void SetUp() override { writeLists(); }

    /// Writes the lists afresh and loads them (which forgets the run's replacements).
    void writeLists() {
        write(DfType::Df1, {{1001, "Tree"}, {1040, "Crate"}, {2031, "Jeep"}, {5001, "Soldier"}},
              {{2, 2031, 2005}, {3, 2031, 2050}, {2, 1001, 2999}, {2, 1040, 9999}});
        write(DfType::Df2, {{1001, "Tree"}, {2005, "Humvee"}, {5001, "Soldier"}, {6013, "Area Trigger"}, {4000, ""}},
              {{1, 2005, 2031}, {3, 2005, 2050}});
        write(DfType::Df3, {{1001, "Tree"}, {2050, "Truck"}, {5001, "Soldier"}, {7001, "Smoke"}},
              {{1, 2050, 2031}, {2, 2050, 2005}, {1, 7001, 4000}});
        store.InitilizeItemLists();
    }

    TempDir dir;
    ListStore store{dir.path()};

  private:
    void write(DfType version, const std::vector<ItemListEntry>& items, std::vector<ReplaceEntry> replacements) {
        replacements.insert(replacements.begin(), ReplaceEntry{});  // a list holds at least one entry
        dir.write(listFileName(itemListOf(version)), encodeItemList(items));
        dir.write(listFileName(replaceListOf(version)), encodeReplaceList(replacements));
    }
};

}  // namespace vok::testing
