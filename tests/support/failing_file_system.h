#pragma once
// A file system that fails on purpose at one step of a save (a short write after a number of bytes);
// everything else goes to the real file system.

#include <cerrno>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>

#include "mission/core/file_io.h"

namespace vok::testing {

class FailingFileSystem : public FileSystem {
public:
    enum class FailAt { Nothing, Create, Write, Flush, Sync, Close, Owner, Permissions, Rename, SyncFolder, Remove };

    FailAt failAt = FailAt::Nothing;
    std::size_t bytesBeforeFailure = 0;  ///< with FailAt::Write: a short write after this many bytes
    /// With FailAt::Rename: this many succeed, then `renamesToFail` fail (all by default), then the rest succeed.
    std::size_t renamesBeforeFailure = 0, renamesToFail = std::numeric_limits<std::size_t>::max();
    int error = ENOSPC;
    /// Called where the failure strikes, before it is reported (a test may end the process there).
    std::function<void()> atFailure = [] {};
    std::size_t created = 0, removed = 0;  ///< temporary files created, files removed

    std::unique_ptr<OutFile> createNew(const std::filesystem::path& path, int& err) override {
        auto real = failAt == FailAt::Create ? (err = fail(), nullptr) : realFileSystem().createNew(path, err);
        created += real != nullptr;
        return real ? std::make_unique<File>(std::move(real), *this) : nullptr;
    }
    int setOwner(const std::filesystem::path& path, const platform::FileOwner& owner) override {
        return failAt == FailAt::Owner ? fail() : realFileSystem().setOwner(path, owner);
    }
    int setPermissions(const std::filesystem::path& path, std::filesystem::perms perms) override {
        return failAt == FailAt::Permissions ? fail() : realFileSystem().setPermissions(path, perms);
    }
    int replace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        const std::size_t number = renames_++;
        const bool fails =
            failAt == FailAt::Rename && number >= renamesBeforeFailure && number - renamesBeforeFailure < renamesToFail;
        return fails ? fail() : realFileSystem().replace(from, to);
    }
    int syncFolder(const std::filesystem::path& folder) override {
        return after(realFileSystem().syncFolder(folder), FailAt::SyncFolder);
    }
    /// With FailAt::Remove the file stays and the error is answered.
    int remove(const std::filesystem::path& path) noexcept override {
        ++removed;
        return failAt == FailAt::Remove ? fail() : realFileSystem().remove(path);
    }

private:
    int fail() {
        atFailure();
        return error;
    }
    /// The real step is taken either way; its result, or the injected error.
    int after(int result, FailAt step) { return failAt == step ? fail() : result; }

    class File : public OutFile {
    public:
        File(std::unique_ptr<OutFile> real, FailingFileSystem& owner) : real_(std::move(real)), owner_(owner) {}
        int write(std::string_view bytes) override {
            const std::size_t room = owner_.bytesBeforeFailure > written_ ? owner_.bytesBeforeFailure - written_ : 0;
            const bool fails = owner_.failAt == FailAt::Write && bytes.size() > room;
            written_ += fails ? room : bytes.size();
            const int result = real_->write(fails ? bytes.substr(0, room) : bytes);  // a short write, then the error
            return fails ? owner_.fail() : result;
        }
        int flush() override { return owner_.after(real_->flush(), FailAt::Flush); }
        int sync() override { return owner_.after(real_->sync(), FailAt::Sync); }
        int close() override { return owner_.after(real_->close(), FailAt::Close); }

    private:
        std::unique_ptr<OutFile> real_;
        FailingFileSystem& owner_;
        std::size_t written_ = 0;
    };

    std::size_t renames_ = 0;
};

}  // namespace vok::testing
