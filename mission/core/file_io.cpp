#include "mission/core/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>

#include "mission/core/error.h"

namespace vok {

namespace fs = std::filesystem;

std::string displayPath(const fs::path& path) {
    const auto text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::string readFile(const fs::path& path, std::size_t limit) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        throw Error(Fault::CannotOpen, displayPath(path), "it is a folder, not a file");
    }
    errno = 0;
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        const int error = errno;
        throw Error(Fault::CannotOpen, displayPath(path),
                    error != 0 ? systemErrorText(error) : std::string("cannot be opened"));
    }
    // Room for the whole file at once; the loop still reads to the real end.
    std::string bytes;
    std::error_code sizeError;
    const std::uintmax_t size = fs::file_size(path, sizeError);
    if (!sizeError) bytes.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)));
    char chunk[1 << 16];
    std::size_t got = 0;
    while (bytes.size() < limit && (got = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file)) > 0) {
        bytes.append(chunk, got);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw Error(Fault::CannotOpen, displayPath(path), "read error: " + systemErrorText(error));
    return bytes;
}

namespace {

class StdOutFile : public FileSystem::OutFile {
public:
    explicit StdOutFile(std::FILE* file) : file_(file) {}
    ~StdOutFile() override {
        if (file_ != nullptr) std::fclose(file_);
    }
    int write(std::string_view bytes) override {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return errno != 0 ? errno : EIO;
        return 0;
    }
    int flush() override {
        errno = 0;
        return std::fflush(file_) == 0 ? 0 : (errno != 0 ? errno : EIO);
    }
    int close() override {
        errno = 0;
        std::FILE* file = file_;
        file_ = nullptr;
        return std::fclose(file) == 0 ? 0 : (errno != 0 ? errno : EIO);
    }

private:
    std::FILE* file_;
};

class StdFileSystem : public FileSystem {
public:
    std::unique_ptr<OutFile> createNew(const fs::path& path, int& error) override {
        errno = 0;
        std::FILE* file = std::fopen(path.string().c_str(), "wbx");  // "x": fail if it exists
        if (file == nullptr) {
            error = errno != 0 ? errno : EIO;
            return nullptr;
        }
        return std::make_unique<StdOutFile>(file);
    }
    int replace(const fs::path& from, const fs::path& to) override {
        std::error_code ec;
        fs::rename(from, to, ec);
        return ec ? ec.value() : 0;
    }
    void remove(const fs::path& path) noexcept override {
        std::error_code ec;
        fs::remove(path, ec);
    }
};

std::string temporaryNameFor(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::mt19937 mix(seed ^ (counter.fetch_add(1) * 2654435761u));
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(mix()));
    return "." + target.filename().string() + ".tmp-" + suffix;
}

}  // namespace

FileSystem& realFileSystem() {
    static StdFileSystem instance;
    return instance;
}

void writeFileAtomically(const fs::path& target, std::string_view bytes, FileSystem& fileSystem) {
    auto fail = [&target](const std::string& reason) -> void {
        throw Error(Fault::CannotWrite, displayPath(target), reason);
    };
    std::error_code ec;
    if (fs::is_directory(target, ec)) fail("it is a folder, not a file");

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temporary;
    std::unique_ptr<FileSystem::OutFile> file;
    int error = 0;
    for (int attempt = 0; attempt < 8 && file == nullptr; ++attempt) {
        temporary = folder / temporaryNameFor(target);
        file = fileSystem.createNew(temporary, error);
        if (file == nullptr && error != EEXIST) break;
    }
    if (file == nullptr) fail(systemErrorText(error));

    int result = file->write(bytes);
    if (result == 0) result = file->flush();
    const int closeResult = file->close();
    if (result == 0) result = closeResult;
    file.reset();
    if (result == 0) result = fileSystem.replace(temporary, target);
    if (result != 0) {
        fileSystem.remove(temporary);
        fail(systemErrorText(result));
    }
}

}  // namespace vok
