#pragma once
// Makes a folder read-only for the life of the guard: by its permission bits, and for root (whom
// they do not stop) by the immutable flag where the file system has one. `active()` is false when
// neither stops writing, and the test should then skip. Never active on Windows, where the
// read-only attribute of a folder does not stop writing into it.

#if !defined(_WIN32)
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>

namespace vok::testing {

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        active_ = !writable() || ((immutable_ = setImmutable(true)) && !writable());
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
    bool writable() const {
        const bool made = std::ofstream(folder_ / ".probe").is_open();
        std::error_code ec;
        std::filesystem::remove(folder_ / ".probe", ec);
        return made;
    }
    bool setImmutable([[maybe_unused]] bool on) const {
#if defined(_WIN32)
        return false;
#else
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        const bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                          (flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL),
                           ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0) ::close(fd);
        return done;
#endif
    }

    std::filesystem::path folder_;
    bool active_ = false, immutable_ = false;
};

}  // namespace vok::testing
