#include "tests/support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace vok::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device device;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto candidate = fs::temp_directory_path() / ("vok-test-" + std::to_string(device()));
        if (fs::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore permissions a test may have taken away, so the folder can be removed.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

fs::path TempDir::write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("cannot write " + (path_ / name).string());
    return path_ / name;
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void copyStarterLists(const fs::path& folder) {
    for (const char* name :
         {"DF1Items.vok", "DF2Items.vok", "DF3Items.vok", "DF1Replace.vok", "DF2Replace.vok", "DF3Replace.vok"})
        fs::copy_file(fs::path(VOK_PROGRAM_DIR) / name, folder / name, fs::copy_options::overwrite_existing);
}

}  // namespace vok::testing
