// Counts that announce gigabytes in a file of a few hundred bytes are refused at once, before
// anything is allocated. Shown in a child process whose address space may grow by 256 MB at most:
// an attempt to allocate for the announced records would fail there with std::bad_alloc instead of
// the Error the readers give. (AddressSanitizer reserves terabytes of shadow memory, so under it
// the address space is not limited and only the faults are checked.)

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <limits>
#include <new>

#include "lists/list_files.h"
#include "mission/core/error.h"
#include "mission/core/mission_binary.h"
#include "mission/mission_file.h"
#include "tests/support/child_process.h"
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

constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();

void put32(std::string& bytes, std::size_t offset, std::int32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
}

struct HugeCount {
    std::string name;
    std::function<bool()> refused;  ///< true when the input was refused with the right fault
};

/// Whether `read` refuses `bytes` with `fault`, naming the file.
template <class Read>
std::function<bool()> refusedWith(std::string bytes, Fault fault, Read read) {
    return [=] {
        try {
            read(bytes);
            return false;
        } catch (const Error& error) {
            return error.fault() == fault && !error.path().empty();
        }
    };
}

/// Cases of a mission without items or events, its counts changed. The four item counts stand
/// where a mission with one item counted first differs from it; the three record counts are its
/// last 12 bytes. The first case is written to VERSION_huge.bms as well.
template <class M>
void addMissionCases(std::vector<HugeCount>& cases, const std::string& version, const testing::TempDir& dir) {
    M empty{};
    empty.header.signature = M::HeaderType::fileSignature;
    M one = empty;
    one.items.emplace_back().type_id = 2001;
    one.header.item_count_a = 1;
    const std::string bytes = writeMissionBinary(empty, "x");
    const std::string withItem = writeMissionBinary(one, "x");
    const auto firstCount = static_cast<std::size_t>(
        std::mismatch(bytes.begin(), bytes.end(), withItem.begin()).first - bytes.begin());
    const auto read = [](std::string_view b) { (void)readMissionBinary<M>(b, "huge.bms"); };
    const auto changed = [&](std::size_t size, const std::function<void(std::string&)>& change) {
        std::string b = bytes;
        change(b);
        b.resize(size, '\0');
        return b;
    };
    const std::string hugeItemCount = changed(600, [&](std::string& b) { put32(b, firstCount, kHuge); });
    dir.write(version + "_huge.bms", hugeItemCount);
    cases.push_back({version + ": an item count 2147483647 in 600 bytes",
                     refusedWith(hugeItemCount, Fault::TooShort, read)});
    cases.push_back({version + ": item counts whose sum overflows",
                     refusedWith(changed(600,
                                         [&](std::string& b) {
                                             for (std::size_t i = 0; i < 4; ++i)
                                                 put32(b, firstCount + 4 * i, kHuge);
                                         }),
                                 Fault::CorruptCounts, read)});
    for (std::size_t which = 0; which < 3; ++which) {
        cases.push_back(
            {version + ": record count " + std::to_string(which) + " 2147483647, 600 bytes after",
             refusedWith(changed(bytes.size() + 600,
                                 [&](std::string& b) { put32(b, bytes.size() - 12 + 4 * which, kHuge); }),
                         Fault::TooShort, read)});
    }
}

std::vector<HugeCount> hugeCounts(const testing::TempDir& dir) {
    std::vector<HugeCount> cases;
    addMissionCases<Df1Mission>(cases, "DF1", dir);
    addMissionCases<Df2Mission>(cases, "DF2", dir);
    addMissionCases<Df3Mission>(cases, "DF3", dir);
    std::string list(600, 'x');
    put32(list, 0, kHuge);
    const auto items = [](std::string_view b) { (void)parseItemList(b, "DF2Items.vok"); };
    cases.push_back({"item list: count 2147483647", refusedWith(list, Fault::BadList, items)});
    cases.push_back(
        {"replacement list: count 2147483647",
         refusedWith(list, Fault::BadList, [](std::string_view b) { (void)parseReplaceList(b, "R.vok"); })});
    put32(list, 0, 1);
    put32(list, 4, static_cast<std::int32_t>(0xFFFF0001u));  // identifier 1, a description of 65535 bytes
    cases.push_back(
        {"item list: a description of 65535 bytes in 600", refusedWith(list, Fault::BadList, items)});
    // vok as a whole, from reading the file to the message.
    const std::string file = (dir / "DF2_huge.bms").string();
    cases.push_back({"vok info DF2_huge.bms", [file] {
                         const auto run = testing::runProgram(std::string(VOK_PROGRAM_DIR) + "/vok",
                                                              {"info", file, "--from", "df2"});
                         return run.code == 1 && run.err.find("DF2_huge.bms") != std::string::npos &&
                                run.err.find("too short") != std::string::npos;
                     }});
    return cases;
}

/// 0: refused as it should be, 1: accepted or refused with another fault, 2: out of memory.
int checkInSmallAddressSpace(const HugeCount& c) {
    const auto check = [&] {
        try {
            return c.refused() ? 0 : 1;
        } catch (const std::bad_alloc&) {
            return 2;
        }
    };
#ifdef VOK_UNDER_ASAN
    return check();
#else
    const pid_t child = fork();
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        std::size_t pages = 0;
        statm >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
        const rlimit rl{limit, limit};
        _exit(setrlimit(RLIMIT_AS, &rl) != 0 ? 4 : check());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
#endif
}

TEST(HugeCounts, AreRefusedWithTheirFaultWithoutALargeAllocation) {
    testing::TempDir dir;
    for (const HugeCount& c : hugeCounts(dir)) {
        const int result = checkInSmallAddressSpace(c);
        EXPECT_EQ(result, 0) << c.name
                             << (result == 1   ? ": accepted, or refused with another fault"
                                 : result == 2 ? ": the reader tried to allocate for the announced records"
                                               : ": the child failed");
    }
}

}  // namespace
}  // namespace vok
