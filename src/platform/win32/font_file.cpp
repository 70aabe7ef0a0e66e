// FontFile over a Win32 file handle with its own write buffer. Sharing allows other
// readers but no other writer, as the multimedia I/O's deny-write mode does; the handle
// is opened directly because the multimedia functions refuse paths of 128 characters
// or more.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/common_internal.h"
#include "platform/platform.h"
#include "platform/write_buffer.h"

namespace gx::platform {

struct FontFile::Impl : WriteBuffer {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string path;

    bool moveTo(long long at) {
        LARGE_INTEGER li;
        li.QuadPart = at;
        return SetFilePointerEx(handle, li, nullptr, FILE_BEGIN) != 0;
    }

  protected:
    bool writeAt(long long offset, const uint8_t* data, size_t size) override {
        if (!saveStep("write", path) || !moveTo(offset)) return false;
        size_t done = 0;
        while (done < size) {
            DWORD n = 0;
            if (!WriteFile(handle, data + done, static_cast<DWORD>(size - done), &n, nullptr) ||
                n == 0)
                return false;
            done += n;
        }
        return true;
    }
};

bool FontFile::exists(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return !path.empty() && attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::unique_ptr<FontFile> FontFile::open(const std::string& path, OpenMode mode) {
    if (path.empty() || !saveStep("open", path)) return nullptr;
    // Others may read, and a save may rename the file while it is open; nobody else writes.
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_DELETE,
          disposition = OPEN_EXISTING;
    switch (mode) {
        case OpenMode::ReadOnly:
            share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
            break;
        case OpenMode::ReadWriteDenyWrite:
            access |= GENERIC_WRITE;
            break;
        case OpenMode::CreateReadWriteDenyWrite:
            access |= GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
    }
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->handle = h;
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
    if (!impl_->flushPending() || !impl_->moveTo(impl_->position)) return -1;
    long total = 0;
    while (total < count) {
        DWORD n = 0;
        if (!ReadFile(impl_->handle, static_cast<char*>(buffer) + total,
                      static_cast<DWORD>(count - total), &n, nullptr))
            return -1;
        if (n == 0) break;
        total += static_cast<long>(n);
        impl_->position += n;
    }
    return total;
}

long FontFile::write(const void* buffer, long count) {
    return impl_ ? impl_->write(buffer, count) : 0;
}

long FontFile::seek(long offset, SeekOrigin origin) {
    if (!impl_) return -1;
    long long base = 0;
    if (origin == SeekOrigin::Current) base = impl_->position;
    if (origin == SeekOrigin::End) {
        long s = size();
        if (s < 0) return -1;
        base = s;
    }
    long long target = base + offset;
    if (target < 0 || target > 0x7FFFFFFF) return -1;
    impl_->position = target;
    return static_cast<long>(target);
}

long FontFile::size() {
    if (!impl_ || !impl_->flushPending()) return -1;
    LARGE_INTEGER li;
    if (!GetFileSizeEx(impl_->handle, &li) || li.QuadPart > 0x7FFFFFFF) return -1;
    return static_cast<long>(li.QuadPart);
}

bool FontFile::flush() {
    return impl_ && !impl_->failed && impl_->flushPending();
}

bool FontFile::sync() {
    if (!syncWanted(path_, false)) return flush();
    return flush() && saveStep("sync", path_) && FlushFileBuffers(impl_->handle);
}

bool FontFile::syncData() {
    return sync();
}

bool FontFile::identity(uint64_t& device, uint64_t& number) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!impl_ || !GetFileInformationByHandle(impl_->handle, &info)) return false;
    device = info.dwVolumeSerialNumber;
    number = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool copyPermissions(const std::string& model, FontFile& file) {
    // The read-only attribute is the mode a Windows file has; a read-only font cannot be
    // replaced anyway, so there is nothing to carry over.
    (void)model;
    return file.impl_ != nullptr;
}

bool FontFile::close() {
    if (!impl_) return false;
    bool ok = impl_->flushPending() && !impl_->failed;
    if (!saveStep("close", path_)) ok = false;
    if (!CloseHandle(impl_->handle)) ok = false;
    impl_.reset();
    return ok;
}

}  // namespace gx::platform
