// Counts that announce gigabytes in a file of a few hundred bytes are refused at once, before
// anything is allocated. Shown in a child process whose address space is limited to what it
// already uses plus 256 MB: an attempt to allocate for the announced records would fail there
// with std::bad_alloc instead of the Error the readers give.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <limits>
#include <new>

#include "lists/list_files.h"
#include "mission/core/binary_io.h"
#include "mission/core/error.h"
#include "mission/core/mission_binary.h"
#include "mission/mission_file.h"
#include "tests/support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#define VOK_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOK_UNDER_ASAN 1
#endif
#endif

namespace vok {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();

void put32(std::string& bytes, std::size_t offset, std::int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

/// An empty mission of its version's signature.
template <class M>
M signedEmpty() {
    M m{};
    m.header.signature = M::HeaderType::fileSignature;
    return m;
}

/// An empty mission's bytes with `change` applied, cut or padded to `size` bytes.
template <class M>
std::string missionBytes(std::size_t size, const std::function<void(std::string&)>& change) {
    std::string bytes = writeMissionBinary(signedEmpty<M>(), "x");
    change(bytes);
    bytes.resize(size, '\0');
    return bytes;
}

/// Where the three record counts stand in a mission file without items.
template <class M>
constexpr std::size_t recordCountsOffset() {
    return missionSizeOf<M>(0, 0, 0, 0) - 12;
}

struct HugeCount {
    std::string name;
    std::string bytes;
    std::function<void(std::string_view)> read;  ///< throws Error when it refuses
    Fault fault;
};

template <class M>
std::size_t itemCountOffset() {
    // Find item_count_a by its effect: a mission with one item counted in a.
    M one = signedEmpty<M>();
    one.items.resize(1);
    one.items[0].type_id = 2001;
    one.header.item_count_a = 1;
    const std::string with = writeMissionBinary(one, "x");
    const std::string without = writeMissionBinary(signedEmpty<M>(), "x");
    for (std::size_t i = 0; i < without.size(); ++i) {
        if (with[i] != without[i]) return i;
    }
    return 0;
}

template <class M>
void addMissionCasesAt(std::vector<HugeCount>& cases, const std::string& version) {
    const std::size_t a = itemCountOffset<M>();
    auto read = [](std::string_view bytes) { (void)readMissionBinary<M>(bytes, "huge.bms"); };
    cases.push_back({version + ": item_count_a 2147483647 in 600 bytes",
                     missionBytes<M>(600, [a](std::string& b) { put32(b, a, kHuge); }), read, Fault::TooShort});
    cases.push_back({version + ": item counts whose sum overflows",
                     missionBytes<M>(600, [a](std::string& b) { for (std::size_t i = 0; i < 4; ++i) put32(b, a + 4 * i, kHuge); }),
                     read, Fault::CorruptCounts});
    static const char* const kNames[] = {"num_event_records", "num_trigger_records", "num_action_records"};
    for (std::size_t which = 0; which < 3; ++which) {
        cases.push_back({version + ": " + kNames[which] + " 2147483647, 600 bytes after the counts",
                         missionBytes<M>(recordCountsOffset<M>() + 12 + 600,
                                         [which](std::string& b) { put32(b, recordCountsOffset<M>() + 4 * which, kHuge); }),
                         read, Fault::TooShort});
    }
}

std::vector<HugeCount> hugeCounts() {
    std::vector<HugeCount> cases;
    addMissionCasesAt<Df1Mission>(cases, "DF1");
    addMissionCasesAt<Df2Mission>(cases, "DF2");
    addMissionCasesAt<Df3Mission>(cases, "DF3");
    std::string items(600, 'x');
    put32(items, 0, kHuge);
    cases.push_back({"item list: count 2147483647 in 600 bytes", items,
                     [](std::string_view bytes) { (void)parseItemList(bytes, "DF2Items.vok"); }, Fault::BadList});
    cases.push_back({"replacement list: count 2147483647 in 600 bytes", items,
                     [](std::string_view bytes) { (void)parseReplaceList(bytes, "DF2Replace.vok"); }, Fault::BadList});
    std::string description(600, 'x');
    put32(description, 0, 1);
    description[4] = 1;   // identifier 1
    description[5] = 0;
    description[6] = '\xff';  // a description of 65535 bytes
    description[7] = '\xff';
    cases.push_back({"item list: a description of 65535 bytes in 600", description,
                     [](std::string_view bytes) { (void)parseItemList(bytes, "DF2Items.vok"); }, Fault::BadList});
    return cases;
}

#ifndef VOK_UNDER_ASAN
/// Runs `read` in a child whose address space can grow by 256 MB at most. The child's exit
/// status: 0 refused with `fault`, 1 refused with another fault, 2 out of memory, 3 accepted.
int readInSmallAddressSpace(const HugeCount& c) {
    const pid_t child = fork();
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
        const rlimit rl{limit, limit};
        if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(4);
        try {
            c.read(c.bytes);
            _exit(3);
        } catch (const Error& error) {
            _exit(error.fault() == c.fault ? 0 : 1);
        } catch (const std::bad_alloc&) {
            _exit(2);
        } catch (...) {
            _exit(5);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}
#endif

TEST(HugeCounts, AreRefusedAtOnceWithTheirFault) {
    for (const HugeCount& c : hugeCounts()) {
        try {
            c.read(c.bytes);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const Error& error) {
            EXPECT_EQ(error.fault(), c.fault) << c.name << ": " << error.what();
            EXPECT_FALSE(error.path().empty()) << c.name;
        }
    }
}

TEST(HugeCounts, NeedNoLargeAllocationInASmallAddressSpace) {
#ifdef VOK_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of shadow memory, so the address space cannot be "
                    "limited; HugeCounts.AreRefusedAtOnceWithTheirFault still runs";
#else
    for (const HugeCount& c : hugeCounts()) {
        const int result = readInSmallAddressSpace(c);
        EXPECT_EQ(result, 0) << c.name << (result == 2   ? ": the reader tried to allocate for the announced records"
                                           : result == 3 ? ": accepted"
                                           : result == 1 ? ": refused with another fault"
                                                         : ": the child failed");
    }
#endif
}

TEST(HugeCounts, VokRefusesAHugeItemCountInASmallAddressSpace) {
#ifdef VOK_UNDER_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of shadow memory, so the address space cannot be limited";
#else
    testing::TempDir dir;
    std::string bytes = missionBytes<Df2Mission>(600, [](std::string& b) { put32(b, itemCountOffset<Df2Mission>(), kHuge); });
    const fs::path file = dir.write("huge.bms", bytes);
    const fs::path errors = dir / "stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        const rlimit rl{rlim_t{512} << 20, rlim_t{512} << 20};  // vok itself needs a few megabytes
        if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(120);
        if (!freopen(errors.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(121);
        const std::string program = std::string(VOK_PROGRAM_DIR) + "/vok";
        execl(program.c_str(), "vok", "info", file.c_str(), "--from", "df2", static_cast<char*>(nullptr));
        _exit(122);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "vok ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string message = testing::slurp(errors);
    EXPECT_NE(message.find("huge.bms"), std::string::npos) << message;
    EXPECT_NE(message.find("too short"), std::string::npos) << message;
#endif
}

}  // namespace
}  // namespace vok
