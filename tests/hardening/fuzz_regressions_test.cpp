// Every input that once broke a fuzz property (fuzz/regressions/<property>/) and every committed
// seed (fuzz/seeds/<property>/) is checked against its property again, in every build: the
// sanitizer builds catch what the fuzzers caught, without libFuzzer.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fuzz/properties.h"
#include "tests/support/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;

struct FuzzInput {
    std::string property;
    fs::path file;
};

std::vector<FuzzInput> committedInputs() {
    std::vector<FuzzInput> inputs;
    for (const char* kind : {"regressions", "seeds"}) {
        const fs::path root = fs::path(VOK_SOURCE_DIR) / "fuzz" / kind;
        if (!fs::is_directory(root)) continue;
        for (const auto& folder : fs::directory_iterator(root)) {
            if (!folder.is_directory()) continue;
            for (const auto& file : fs::directory_iterator(folder.path())) {
                if (file.is_regular_file()) inputs.push_back({folder.path().filename().string(), file.path()});
            }
        }
    }
    std::sort(inputs.begin(), inputs.end(), [](const auto& a, const auto& b) { return a.file < b.file; });
    return inputs;
}

void PrintTo(const FuzzInput& input, std::ostream* out) { *out << input.file.string(); }

class FuzzRegression : public ::testing::TestWithParam<FuzzInput> {};

TEST_P(FuzzRegression, HoldsItsProperty) {
    const FuzzInput& input = GetParam();
    const fuzz::Property check = fuzz::propertyNamed(input.property);
    ASSERT_NE(check, nullptr) << "fuzz/*/" << input.property << " names no property";
    const std::string bytes = testing::slurp(input.file);
    try {
        check(bytes);
    } catch (const fuzz::PropertyViolation& violation) {
        FAIL() << input.file << ": " << violation.what();
    }
}

std::string inputName(const ::testing::TestParamInfo<FuzzInput>& info) {
    std::string name = info.param.file.parent_path().parent_path().filename().string() + "_" + info.param.property +
                       "_" + info.param.file.filename().string();
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Committed, FuzzRegression, ::testing::ValuesIn(committedInputs()), inputName);

void expectHolds(std::string_view property, std::string_view bytes) {
    try {
        fuzz::propertyNamed(property)(bytes);
    } catch (const fuzz::PropertyViolation& violation) {
        ADD_FAILURE() << property << ": " << violation.what();
    }
}

// Inputs too large to keep as files.
TEST(FuzzRegressionsBuilt, AnItemListWithADescriptionLongerThan32767IsRefusedNotCut) {
    // It used to load, and to be saved with its description cut to 32767 bytes.
    for (std::size_t length : {std::size_t{32767}, std::size_t{32768}, std::size_t{40000}, std::size_t{65535}}) {
        std::string bytes = {1, 0, 0, 0, 5, 0, static_cast<char>(length & 0xff), static_cast<char>(length >> 8)};
        bytes += std::string(length, 'x');
        expectHolds("lists", bytes);
    }
}

TEST(FuzzProperties, EveryFuzzFolderNamesAProperty) {
    for (const char* kind : {"regressions", "seeds"}) {
        const fs::path root = fs::path(VOK_SOURCE_DIR) / "fuzz" / kind;
        if (!fs::is_directory(root)) continue;
        for (const auto& folder : fs::directory_iterator(root)) {
            EXPECT_NE(fuzz::propertyNamed(folder.path().filename().string()), nullptr) << folder.path();
        }
    }
    EXPECT_EQ(fuzz::allProperties().size(), 11u);
}

}  // namespace
}  // namespace vok
