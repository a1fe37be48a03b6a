// Saving missions safely: every writer refuses a model that breaks its invariants before it
// touches the disk, and every write is atomic, so a failure at any step leaves an earlier file
// byte for byte as it was, leaves no temporary file behind, and names the file.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "tests/mission/versions.h"
#include "tests/support/failing_file_system.h"

namespace vok::mission_tests {
namespace {

using testing::FailingFileSystem;
using FailAt = FailingFileSystem::FailAt;

template <class V>
class MissionFileSafety : public ::testing::Test {};
TYPED_TEST_SUITE(MissionFileSafety, AllVersions, VersionNames);

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

template <class V>
struct Writer {
    const char* name;
    const char* file;
    std::function<void(const fs::path&, const typename V::Mission&, FileSystem&)> save;
};

template <class V>
std::vector<Writer<V>> writersOf() {
    return {{"binary", "m.bms", [](const fs::path& p, const auto& m, FileSystem& f) { V::saveBinary(p, m, f); }},
            {"ascii", "m.mis", [](const fs::path& p, const auto& m, FileSystem& f) { V::saveAscii(p, m, f); }}};
}

TYPED_TEST(MissionFileSafety, WritersRefuseAModelThatBreaksItsInvariantsBeforeWritingAnything) {
    using V = TypeParam;
    using M = typename V::Mission;
    struct Breakage {
        const char* name;
        std::function<void(M&)> apply;
        Fault fault = Fault::InvalidModel;  ///< of the binary writer; the ascii form has no signature
    };
    const Breakage breakages[] = {
        {"an item more than the counts name", [](M& m) { m.items.emplace_back(); }},
        {"an item count too high", [](M& m) { ++m.header.item_count_c; }},
        {"a negative item count with the right sum",
         [](M& m) {
             m.header.item_count_b += m.header.item_count_a + 1;
             m.header.item_count_a = -1;
         }},
        {"num_events not the number of events", [](M& m) { ++m.header.num_events; }},
        {"an event record missing", [](M& m) { m.events.pop_back(); }},
        {"the events name a trigger more", [](M& m) { ++m.events[0].num_triggers; }},
        {"the events name an action fewer", [](M& m) { --m.events[1].num_actions; }},
        {"a trigger record more, counted",
         [](M& m) {
             m.triggers.emplace_back();
             ++m.num_trigger_records;
         }},
        {"num_trigger_records above the triggers held", [](M& m) { ++m.num_trigger_records; }},
        {"negative record counts", [](M& m) { m.num_action_records = -1; }},
        {"no signature", [](M& m) { m.header.signature = 0; }, Fault::NoSignature},
    };
    const M valid = smallMission<M>();
    for (const auto& writer : writersOf<V>()) {
        for (const Breakage& breakage : breakages) {
            SCOPED_TRACE(std::string(writer.name) + ": " + breakage.name);
            M broken = valid;
            breakage.apply(broken);
            const bool binary = std::string_view(writer.name) == "binary";
            if (!binary && breakage.fault != Fault::InvalidModel) continue;

            testing::TempDir dir;
            FailingFileSystem counting;  // fails nothing, counts the files created
            const Error refused = errorOf([&] { writer.save(dir / writer.file, broken, counting); });
            EXPECT_EQ(refused.fault(), binary ? breakage.fault : Fault::InvalidModel) << refused.what();
            EXPECT_EQ(counting.created, 0u) << "a file was created before the model was checked";
            EXPECT_TRUE(filesIn(dir.path()).empty()) << "the refused write left a file";
        }
        testing::TempDir ok;
        EXPECT_NO_THROW(writer.save(ok / writer.file, valid, realFileSystem())) << writer.name;
    }
}

TYPED_TEST(MissionFileSafety, AFailedWriteNamesTheFileAndLeavesTheEarlierOne) {
    using V = TypeParam;
    const auto m = smallMission<typename V::Mission>();
    for (const auto& writer : writersOf<V>()) {
        SCOPED_TRACE(writer.name);
        testing::TempDir dir;
        const fs::path missing = dir / "no such folder" / writer.file;
        const Error error = errorOf([&] { writer.save(missing, m, realFileSystem()); });
        EXPECT_EQ(error.fault(), Fault::CannotWrite);
        EXPECT_EQ(error.path(), displayPath(missing));
        EXPECT_NE(fileErrorMessage(error).find("no such folder"), std::string::npos);
        EXPECT_TRUE(filesIn(dir.path()).empty());

        fs::create_directory(dir / writer.file);
        EXPECT_EQ(errorOf([&] { writer.save(dir / writer.file, m, realFileSystem()); }).fault(), Fault::CannotWrite);
        EXPECT_TRUE(fs::is_directory(dir / writer.file));

        // Saved over a larger file, exactly the new content is left.
        const auto target = dir.write("big", std::string(200000, '\xEE'));
        writer.save(target, m, realFileSystem());
        writer.save(dir / "fresh", m, realFileSystem());
        EXPECT_TRUE(testing::slurp(target) == testing::slurp(dir / "fresh"));

        // A write failing half way or at the rename leaves the earlier file and no temporary file.
        const std::string old("old\0\r\n", 6);
        for (FailAt at : {FailAt::Write, FailAt::Rename}) {
            const auto earlier = dir.write("earlier", old);
            FailingFileSystem files;
            files.failAt = at;
            files.bytesBeforeFailure = 100;
            const Error failed = errorOf([&] { writer.save(earlier, m, files); });
            EXPECT_EQ(failed.fault(), Fault::CannotWrite);
            EXPECT_EQ(failed.path(), displayPath(earlier));
            EXPECT_TRUE(testing::slurp(earlier) == old);
            EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{writer.file, "big", "fresh", "earlier"}));
        }
    }
}

}  // namespace
}  // namespace vok::mission_tests
