#pragma once
// Makes a folder read-only for the life of the guard: by its permission bits, and for root (whom
// they do not stop) by the immutable flag where the file system has one. `active()` is false when
// neither stops writing, and the test should then skip. Never active on Windows, where the
// read-only attribute of a folder does not stop writing into it.

#include <filesystem>
#if !defined(_WIN32)
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace vok::testing {

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
#if !defined(_WIN32)
        active_ = ::access(folder_.c_str(), W_OK) != 0 ||
                  ((immutable_ = setImmutable(true)) && ::access(folder_.c_str(), W_OK) != 0);
#endif
    }
    ~ReadOnlyFolder() {
        if (immutable_) setImmutable(false);
        std::error_code ec;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ec);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool active() const { return active_; }

private:
    bool setImmutable([[maybe_unused]] bool on) const {
        bool done = false;
#if !defined(_WIN32)
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
               (flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL),
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0) ::close(fd);
#endif
        return done;
    }

    std::filesystem::path folder_;
    bool active_ = false, immutable_ = false;
};

}  // namespace vok::testing
