#include "tests/support/failing_file_system.h"

namespace vok::testing {

namespace {
class FailingOutFile : public FileSystem::OutFile {
public:
    FailingOutFile(std::unique_ptr<FileSystem::OutFile> real, FailingFileSystem& owner)
        : real_(std::move(real)), owner_(owner) {}

    int write(std::string_view bytes) override {
        if (owner_.failAt == FailingFileSystem::FailAt::Write) {
            const std::size_t room = owner_.bytesBeforeFailure > written_ ? owner_.bytesBeforeFailure - written_ : 0;
            if (bytes.size() > room) {
                real_->write(bytes.substr(0, room));  // a short write, then the error
                written_ += room;
                return owner_.error;
            }
        }
        written_ += bytes.size();
        return real_->write(bytes);
    }
    int flush() override { return after(real_->flush(), FailingFileSystem::FailAt::Flush); }
    int sync() override { return after(real_->sync(), FailingFileSystem::FailAt::Sync); }
    int close() override { return after(real_->close(), FailingFileSystem::FailAt::Close); }

private:
    /// The real step is taken either way; its result, or the injected error.
    int after(int result, FailingFileSystem::FailAt step) const { return owner_.failAt == step ? owner_.error : result; }

    std::unique_ptr<FileSystem::OutFile> real_;
    FailingFileSystem& owner_;
    std::size_t written_ = 0;
};
}  // namespace

std::unique_ptr<FileSystem::OutFile> FailingFileSystem::createNew(const std::filesystem::path& path, int& err) {
    if (failAt == FailAt::Create) {
        err = error;
        return nullptr;
    }
    auto real = realFileSystem().createNew(path, err);
    if (!real) return nullptr;
    ++created;
    return std::make_unique<FailingOutFile>(std::move(real), *this);
}

int FailingFileSystem::setPermissions(const std::filesystem::path& path, std::filesystem::perms perms) {
    return failAt == FailAt::Permissions ? error : realFileSystem().setPermissions(path, perms);
}

int FailingFileSystem::replace(const std::filesystem::path& from, const std::filesystem::path& to) {
    const std::size_t number = renames++;
    if (failAt == FailAt::Rename && number >= renamesBeforeFailure && number - renamesBeforeFailure < renamesToFail) {
        return error;
    }
    return realFileSystem().replace(from, to);
}

int FailingFileSystem::syncFolder(const std::filesystem::path& folder) {
    const int result = realFileSystem().syncFolder(folder);
    return failAt == FailAt::SyncFolder ? error : result;
}

void FailingFileSystem::remove(const std::filesystem::path& path) noexcept {
    ++removed;
    realFileSystem().remove(path);
}

}  // namespace vok::testing
