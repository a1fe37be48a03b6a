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
    int flush() override {
        const int result = real_->flush();
        return owner_.failAt == FailingFileSystem::FailAt::Flush ? owner_.error : result;
    }
    int close() override {
        const int result = real_->close();
        return owner_.failAt == FailingFileSystem::FailAt::Close ? owner_.error : result;
    }

private:
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

int FailingFileSystem::replace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (failAt == FailAt::Rename) return error;
    return realFileSystem().replace(from, to);
}

void FailingFileSystem::remove(const std::filesystem::path& path) noexcept {
    ++removed;
    realFileSystem().remove(path);
}

}  // namespace vok::testing
