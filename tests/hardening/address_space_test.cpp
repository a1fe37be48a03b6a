// Counts that announce gigabytes in a few hundred bytes are refused before anything is allocated:
// in a child whose address space may grow by 256 MB at most, allocating for them would throw
// std::bad_alloc. (Under AddressSanitizer, with its terabytes of shadow, only the faults are checked.)

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

std::string with32(std::string bytes, std::size_t offset, std::int32_t value, std::size_t size = 0) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(static_cast<std::uint32_t>(value) >> (8 * i));
    bytes.resize(std::max(size, bytes.size()), '\0');
    return bytes;
}

/// A case: its name and whether it is refused with the right fault, naming the file.
using HugeCount = std::pair<std::string, std::function<bool()>>;

template <class Read>
HugeCount refused(std::string name, std::string bytes, Fault fault, Read read) {
    return {std::move(name), [=] {
                try {
                    read(bytes);
                    return false;
                } catch (const Error& error) {
                    return error.fault() == fault && !error.path().empty();
                }
            }};
}

/// An empty mission, its counts changed: the four item counts stand where a mission with one item
/// counted first differs from it; the three record counts are its last 12 bytes.
template <class M>
void addMissionCases(std::vector<HugeCount>& cases, const std::string& version) {
    M empty{};
    empty.header.signature = M::HeaderType::fileSignature;
    M one = empty;
    one.items.emplace_back().type_id = 2001;
    one.header.item_count_a = 1;
    const std::string bytes = writeMissionBinary(empty, "x"), withItem = writeMissionBinary(one, "x");
    const std::size_t first = std::mismatch(bytes.begin(), bytes.end(), withItem.begin()).first - bytes.begin();
    const auto read = [](std::string_view b) { (void)readMissionBinary<M>(b, "huge.bms"); };
    std::string sum = bytes;
    for (std::size_t i = 0; i < 4; ++i) sum = with32(sum, first + 4 * i, kHuge, 600);
    cases.push_back(refused(version + ": an item count 2147483647 in 600 bytes", with32(bytes, first, kHuge, 600),
                            Fault::TooShort, read));
    cases.push_back(refused(version + ": item counts whose sum overflows", sum, Fault::CorruptCounts, read));
    for (std::size_t which = 0; which < 3; ++which)
        cases.push_back(refused(version + ": record count " + std::to_string(which) + " 2147483647, 600 bytes after",
                                with32(bytes, bytes.size() - 12 + 4 * which, kHuge, bytes.size() + 600),
                                Fault::TooShort, read));
}

/// 0: refused as it should be, 1: accepted or refused with another fault, 2: out of memory.
int checkInSmallAddressSpace(const HugeCount& c) {
    const auto check = [&] {
        try {
            return c.second() ? 0 : 1;
        } catch (const std::bad_alloc&) {
            return 2;
        }
    };
#ifdef VOK_UNDER_ASAN
    return check();
#else
    const pid_t child = fork();
    if (child == 0) {
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
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
    std::vector<HugeCount> cases;
    addMissionCases<Df1Mission>(cases, "DF1");
    addMissionCases<Df2Mission>(cases, "DF2");
    addMissionCases<Df3Mission>(cases, "DF3");
    const std::string list = with32(std::string(600, 'x'), 0, kHuge);
    const auto items = [](std::string_view b) { (void)parseItemList(b, "DF2Items.vok"); };
    cases.push_back(refused("item list: count 2147483647", list, Fault::BadList, items));
    cases.push_back(refused("replacement list: count 2147483647", list, Fault::BadList,
                            [](std::string_view b) { (void)parseReplaceList(b, "R.vok"); }));
    cases.push_back(refused("item list: identifier 1, a description of 65535 bytes in 600",
                            with32(with32(list, 0, 1), 4, static_cast<std::int32_t>(0xFFFF0001u)), Fault::BadList,
                            items));
    for (const HugeCount& c : cases) {
        EXPECT_EQ(checkInSmallAddressSpace(c), 0) << c.first << " (1: accepted or another fault, 2: allocated)";
    }
}

}  // namespace
}  // namespace vok
