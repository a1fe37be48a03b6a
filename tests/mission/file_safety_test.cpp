// Saving missions safely: every writer refuses a model that breaks its invariants before it
// touches the disk, and every write is atomic, so a failure at any step leaves an earlier file
// byte for byte as it was, leaves no temporary file behind, and names the file.

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "tests/mission/versions.h"
#include "tests/support/failing_file_system.h"
#include "tests/support/mission_generator.h"

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

/// A valid mission with items, and with events that hold triggers and actions.
template <class M>
M validMission(std::uint32_t seed) {
    M m = testing::generateMission<M>(seed, testing::GeneratorOptions{.maxItems = 0, .maxEvents = 0});
    m.items.resize(3);
    m.items[0].type_id = 2001;
    m.items[1].type_id = 5001;
    m.items[2].type_id = 6013;
    recountItems(m.header, m.items);
    m.events.resize(2);
    m.events[0].num_triggers = 2;
    m.events[0].num_actions = 1;
    m.events[1].num_triggers = 1;
    m.events[1].num_actions = 2;
    m.triggers.resize(3);
    m.actions.resize(3);
    m.header.num_events = m.num_event_records = 2;
    m.num_trigger_records = m.num_action_records = 3;
    return m;
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
    };
    const Breakage breakages[] = {
        {"an item more than the counts name", [](M& m) { m.items.emplace_back(); }},
        {"an item count too high", [](M& m) { ++m.header.item_count_c; }},
        {"an item missing", [](M& m) { m.items.pop_back(); }},
        {"a negative item count with the right sum",
         [](M& m) {
             m.header.item_count_b += m.header.item_count_a + 1;
             m.header.item_count_a = -1;
         }},
        {"num_events not the number of events", [](M& m) { ++m.header.num_events; }},
        {"an event record missing", [](M& m) { m.events.pop_back(); }},
        {"num_event_records above the events held",
         [](M& m) {
             ++m.num_event_records;
             ++m.header.num_events;
         }},
        {"the events name a trigger more", [](M& m) { ++m.events[0].num_triggers; }},
        {"the events name an action fewer", [](M& m) { --m.events[1].num_actions; }},
        {"a trigger record more, counted",
         [](M& m) {
             m.triggers.emplace_back();
             ++m.num_trigger_records;
         }},
        {"num_trigger_records above the triggers held", [](M& m) { ++m.num_trigger_records; }},
        {"an action record missing", [](M& m) { m.actions.pop_back(); }},
        {"negative record counts", [](M& m) { m.num_action_records = -1; }},
    };
    const M valid = validMission<M>(11);
    for (const auto& writer : writersOf<V>()) {
        for (const Breakage& breakage : breakages) {
            SCOPED_TRACE(std::string(writer.name) + ": " + breakage.name);
            M broken = valid;
            breakage.apply(broken);

            testing::TempDir fresh;
            const Error refused = errorOf([&] { writer.save(fresh / writer.file, broken, realFileSystem()); });
            EXPECT_EQ(refused.fault(), Fault::InvalidModel) << refused.what();
            EXPECT_TRUE(filesIn(fresh.path()).empty()) << "the refused write left a file";

            testing::TempDir earlier;
            const auto target = earlier.write(writer.file, "an earlier file");
            FailingFileSystem counting;
            errorOf([&] { writer.save(target, broken, counting); });
            EXPECT_EQ(counting.created, 0u) << "a file was created before the model was checked";
            EXPECT_TRUE(testing::slurp(target) == "an earlier file") << "the earlier file was changed";
            EXPECT_EQ(filesIn(earlier.path()), std::set<std::string>{writer.file});
        }
        testing::TempDir ok;
        EXPECT_NO_THROW(writer.save(ok / writer.file, valid, realFileSystem())) << writer.name;
    }
}

TYPED_TEST(MissionFileSafety, AFailedWriteLeavesTheEarlierFileUntouchedAndNamesIt) {
    using V = TypeParam;
    const auto m = validMission<typename V::Mission>(12);
    struct Failure {
        const char* name;
        FailAt at;
        std::size_t bytesBefore;
        int error;
    };
    const Failure failures[] = {
        {"create", FailAt::Create, 0, EACCES},  {"first write", FailAt::Write, 0, ENOSPC},
        {"a later write", FailAt::Write, 1000, ENOSPC}, {"flush", FailAt::Flush, 0, EIO},
        {"close", FailAt::Close, 0, EDQUOT},    {"rename", FailAt::Rename, 0, EXDEV},
    };
    for (const auto& writer : writersOf<V>()) {
        for (const Failure& failure : failures) {
            SCOPED_TRACE(std::string(writer.name) + ", failing at " + failure.name);
            testing::TempDir dir;
            const std::string earlier = std::string("earlier bytes\0\r\n", 16) + std::string(30000, 'x');
            const auto target = dir.write(writer.file, earlier);
            FailingFileSystem files;
            files.failAt = failure.at;
            files.bytesBeforeFailure = failure.bytesBefore;
            files.error = failure.error;

            const Error error = errorOf([&] { writer.save(target, m, files); });
            EXPECT_EQ(error.fault(), Fault::CannotWrite);
            EXPECT_EQ(error.path(), displayPath(target));
            EXPECT_NE(std::string(error.what()).find(writer.file), std::string::npos) << error.what();
            EXPECT_NE(error.detail(), "");
            EXPECT_TRUE(testing::slurp(target) == earlier) << "the earlier file was changed";
            EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{writer.file}) << "a temporary file was left";
            if (failure.at != FailAt::Create) {
                EXPECT_EQ(files.removed, 1u);
            }
        }
    }
}

TYPED_TEST(MissionFileSafety, WritingIntoAMissingFolderFailsNamingTheFile) {
    using V = TypeParam;
    const auto m = validMission<typename V::Mission>(13);
    testing::TempDir dir;
    for (const auto& writer : writersOf<V>()) {
        const fs::path target = dir / "no such folder" / writer.file;
        const Error error = errorOf([&] { writer.save(target, m, realFileSystem()); });
        EXPECT_EQ(error.fault(), Fault::CannotWrite) << writer.name;
        EXPECT_EQ(error.path(), displayPath(target));
        EXPECT_NE(fileErrorMessage(error).find("no such folder"), std::string::npos);
    }
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TYPED_TEST(MissionFileSafety, SavingOverALargerFileLeavesExactlyTheNewContent) {
    using V = TypeParam;
    const auto m = validMission<typename V::Mission>(14);
    for (const auto& writer : writersOf<V>()) {
        SCOPED_TRACE(writer.name);
        testing::TempDir dir;
        const auto target = dir.write(writer.file, std::string(200000, '\xEE'));
        writer.save(target, m, realFileSystem());
        testing::TempDir other;
        writer.save(other / writer.file, m, realFileSystem());
        EXPECT_TRUE(testing::slurp(target) == testing::slurp(other / writer.file));
        EXPECT_EQ(filesIn(dir.path()), std::set<std::string>{writer.file});
    }
}

TYPED_TEST(MissionFileSafety, TheModelIsNotChangedBySaving) {
    using V = TypeParam;
    const auto m = validMission<typename V::Mission>(15);
    const auto copy = m;
    testing::TempDir dir;
    V::saveBinary(dir / "m.bms", m);
    V::saveAscii(dir / "m.mis", m);
    EXPECT_TRUE(m == copy);
}

TEST(MissionAtomicWrite, AFolderAsTargetIsRefused) {
    testing::TempDir dir;
    fs::create_directory(dir / "taken.bms");
    const Error error = errorOf([&] { SaveDF2BMS(dir / "taken.bms", Df2Mission{}); });
    EXPECT_EQ(error.fault(), Fault::CannotWrite);
    EXPECT_TRUE(fs::is_directory(dir / "taken.bms"));
}

}  // namespace
}  // namespace vok::mission_tests
