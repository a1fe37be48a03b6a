#pragma once
// A fresh folder for one test, removed afterwards.

#include <filesystem>
#include <string>
#include <string_view>

namespace vok::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    std::filesystem::path write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

/// Reads a whole file (throws when it cannot).
std::string slurp(const std::filesystem::path& path);

/// Copies the six starter lists (built beside the programs) into `folder`.
void copyStarterLists(const std::filesystem::path& folder);

}  // namespace vok::testing
