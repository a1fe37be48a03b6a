#pragma once
// A folder with six small list files, for the store and list sharing tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "lists/list_store.h"
#include "tests/lists/list_bytes.h"
#include "tests/support/temp_dir.h"

namespace vok::testing {

class ListFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write("DF1Items.vok", itemListBytes({{5, "Five"}, {2, "Two"}, {7, "Seven"}, {1040, "Crate"}}));
        dir.write("DF2Items.vok",
                  itemListBytes({{3001, "First"}, {2005, "Jeep"}, {3001, "Second"}, {4000, ""}}));
        dir.write("DF3Items.vok", itemListBytes({{2050, "Truck"}}));
        dir.write("DF1Replace.vok", replaceListBytes({{0, 0, 0}, {2, 1041, 2005}}));
        dir.write("DF2Replace.vok", replaceListBytes({{1, 2005, 1040}}));
        dir.write("DF3Replace.vok", replaceListBytes({{0, 0, 0}}));
    }

    std::filesystem::path file(int which) const { return dir / listFileName(which); }

    /// The six files as they are now.
    std::vector<std::string> snapshot() const {
        std::vector<std::string> files;
        for (int which = 1; which <= kListCount; ++which) files.push_back(slurp(file(which)));
        return files;
    }

    std::set<std::string> namesInFolder() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    static std::set<std::string> theSixFiles() {
        std::set<std::string> names;
        for (int which = 1; which <= kListCount; ++which) names.insert(std::string(listFileName(which)));
        return names;
    }

    TempDir dir;
};

}  // namespace vok::testing
