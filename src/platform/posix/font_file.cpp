// FontFile over a file descriptor with its own write buffer. Deny-write is an
// open-file-description lock, so a second writer (another process or another open
// in this one) is refused.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/common_internal.h"
#include "platform/platform.h"
#include "platform/write_buffer.h"

namespace gx::platform {

struct FontFile::Impl : WriteBuffer {
    int fd = -1;
    std::string path;

  protected:
    bool writeAt(long long offset, const uint8_t* data, size_t size) override {
        if (!saveStep("write", path)) return false;
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(fd, data + done, size - done, off_t(offset) + off_t(done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
};

namespace {

bool lockForWriting(int fd) {
    struct flock lk = {};
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lk) == 0;
}
}  // namespace

bool FontFile::exists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<FontFile> FontFile::open(const std::string& path, OpenMode mode) {
    if (path.empty() || !saveStep("open", path)) return nullptr;
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::ReadOnly:
            flags |= O_RDONLY;
            break;
        case OpenMode::ReadWriteDenyWrite:
            flags |= O_RDWR;
            break;
        case OpenMode::CreateReadWriteDenyWrite:
            flags |= O_RDWR | O_CREAT;
            break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    if (mode != OpenMode::ReadOnly && !lockForWriting(fd)) {
        ::close(fd);
        return nullptr;
    }
    // Truncate only once the lock is ours, so a refused create destroys nothing.
    if (mode == OpenMode::CreateReadWriteDenyWrite && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->fd = fd;
    impl->path = path;
    return std::unique_ptr<FontFile>(new FontFile(std::move(impl), path));
}

FontFile::FontFile(std::unique_ptr<Impl> impl, std::string path)
    : impl_(std::move(impl)), path_(std::move(path)) {}

FontFile::~FontFile() {
    close();
}

long FontFile::read(void* buffer, long count) {
    if (!impl_ || count < 0) return -1;
    if (!impl_->flushPending()) return -1;
    long total = 0;
    while (total < count) {
        ssize_t n = ::pread(impl_->fd, static_cast<char*>(buffer) + total,
                            static_cast<size_t>(count - total), impl_->position);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        total += n;
        impl_->position += n;
    }
    return total;
}

long FontFile::write(const void* buffer, long count) {
    return impl_ ? impl_->write(buffer, count) : 0;
}

long FontFile::seek(long offset, SeekOrigin origin) {
    if (!impl_) return -1;
    off_t base = 0;
    switch (origin) {
        case SeekOrigin::Begin:
            base = 0;
            break;
        case SeekOrigin::Current:
            base = impl_->position;
            break;
        case SeekOrigin::End: {
            if (!impl_->flushPending()) return -1;
            struct stat st;
            if (::fstat(impl_->fd, &st) != 0) return -1;
            base = st.st_size;
            break;
        }
    }
    off_t target = base + offset;
    if (target < 0) return -1;
    impl_->position = target;
    return static_cast<long>(target);
}

long FontFile::size() {
    if (!impl_ || !impl_->flushPending()) return -1;
    struct stat st;
    if (::fstat(impl_->fd, &st) != 0) return -1;
    return static_cast<long>(st.st_size);
}

bool FontFile::flush() {
    return impl_ && !impl_->failed && impl_->flushPending();
}

bool FontFile::sync() {
    if (!syncWanted(path_, false)) return flush();
    return flush() && saveStep("sync", path_) && ::fsync(impl_->fd) == 0;
}

bool FontFile::syncData() {
    if (!syncWanted(path_, false)) return flush();
    return flush() && saveStep("sync", path_) && ::fdatasync(impl_->fd) == 0;
}

bool FontFile::close() {
    if (!impl_) return false;
    bool ok = impl_->flushPending() && !impl_->failed;
    if (!saveStep("close", path_)) ok = false;
    if (::close(impl_->fd) != 0) ok = false;
    impl_.reset();
    return ok;
}

bool FontFile::identity(uint64_t& device, uint64_t& number) {
    struct stat st;
    if (!impl_ || ::fstat(impl_->fd, &st) != 0) return false;
    device = uint64_t(st.st_dev);
    number = uint64_t(st.st_ino);
    return true;
}

bool copyPermissions(const std::string& model, FontFile& file) {
    struct stat st;
    if (!file.impl_ || ::stat(model.c_str(), &st) != 0) return false;
    // Owner and group only where the system lets us; the mode always.
    if (::fchown(file.impl_->fd, st.st_uid, st.st_gid) != 0) {
        if (::fchown(file.impl_->fd, uid_t(-1), st.st_gid) != 0) {
        }
    }
    return ::fchmod(file.impl_->fd, st.st_mode & 07777) == 0;
}

}  // namespace gx::platform
