#pragma once
// The three game versions as test parameters, their binary sizes, and their files in a temporary folder.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "mission/core/error.h"
#include "mission/core/item_counts.h"
#include "mission/mission_file.h"
#include "tests/support/temp_dir.h"

namespace vok::mission_tests {

namespace fs = std::filesystem;

using AllVersions = ::testing::Types<Df1Mission, Df2Mission, Df3Mission>;

template <class M>
inline constexpr DfType kVersion = FormatOfT<M>::version;

struct VersionNames {
    template <class M>
    static std::string GetName(int) {
        return std::string(versionKey(kVersion<M>));
    }
};

// Binary sizes: the header, an item, where item_count_a stands (b, c, d follow); a file without items
// or events holds the header, 128 waypoints of 136 bytes, the 2688-byte mission text and three counts.
template <class M>
inline constexpr std::size_t kHeaderBytes = std::array<std::size_t, 3>{268, 520, 544}[versionIndex(kVersion<M>)];
template <class M>
inline constexpr std::size_t kItemBytes = std::array<std::size_t, 3>{96, 96, 164}[versionIndex(kVersion<M>)];
template <class M>
inline constexpr std::size_t kItemCountsAt = std::array<std::size_t, 3>{152, 152, 176}[versionIndex(kVersion<M>)];
template <class M>
inline constexpr std::size_t kEmptyBytes = kHeaderBytes<M> + 128 * 136 + 2688 + 12;

/// The instant every test writes into its ascii files.
inline const Timestamp kFixedTime = utcFromEpochSeconds(1796558400);  // Sunday, December 6 2026, 12:00 UTC

/// The bytes of the file a mission is saved to in the given form.
template <class M>
std::string fileOf(const M& m, MissionForm form) {
    testing::TempDir dir;
    saveMission(dir / "m", AnyMission(m), form, kFixedTime);
    return testing::slurp(dir / "m");
}

/// The mission read from a file holding `bytes`.
template <class M>
M missionOf(std::string_view bytes, MissionForm form) {
    testing::TempDir dir;
    return std::get<M>(openMission(dir.write("m", bytes), kVersion<M>, form));
}

/// The Error `action` throws; fails the test when it throws none.
template <class Action>
Error errorOf(Action&& action) {
    try {
        action();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error was thrown";
    return Error(Fault::BadList, "", "no error");
}

/// The text with each "\n" replaced by `ending`.
inline std::string withLineEnds(std::string_view text, std::string_view ending = "\r\n") {
    std::string result;
    for (char c : text) c == '\n' ? result.append(ending) : result.append(1, c);
    return result;
}

}  // namespace vok::mission_tests
