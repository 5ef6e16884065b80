#include "File.h"

#include "Error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace addrova::store {

namespace {
std::string errnoText() { return std::strerror(errno); }
}  // namespace

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(other.fd_), writable_(other.writable_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        writable_ = other.writable_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

void File::open(const std::string& path, Mode mode) {
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::Read: flags |= O_RDONLY; break;
        case Mode::ReadWrite: flags |= O_RDWR; break;
        case Mode::CreateTruncate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) throw Error(path, mode == Mode::CreateTruncate ? "Cannot create" : "Cannot open", errnoText());
    struct stat st {};
    if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error(path, "Cannot open", "not a regular file");
    }
    fd_ = fd;
    writable_ = mode != Mode::Read;
    path_ = path;
}

void File::close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    writable_ = false;
}

size_t File::readAt(void* buf, size_t n, uint64_t off) const {
    size_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
        ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(off + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw Error(path_, "Cannot read", errnoText());
        }
        if (r == 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

void File::readExact(void* buf, size_t n, uint64_t off, const char* what) const {
    if (readAt(buf, n, off) != n)
        throw FormatError(path_, "Cannot read", std::string("file is truncated (") + what + ")");
}

void File::writeAt(const void* buf, size_t n, uint64_t off) {
    if (!writable_) throw Error(path_, "Cannot write", "file is open read-only");
    size_t done = 0;
    auto* p = static_cast<const char*>(buf);
    while (done < n) {
        ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(off + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw Error(path_, "Cannot write", errnoText());
        }
        done += static_cast<size_t>(r);
    }
}

uint64_t File::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw Error(path_, "Cannot read size of", errnoText());
    return static_cast<uint64_t>(st.st_size);
}

void File::truncate(uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throw Error(path_, "Cannot truncate", errnoText());
}

void File::sync() {
    if (fd_ >= 0 && writable_ && ::fsync(fd_) != 0) throw Error(path_, "Cannot flush", errnoText());
}

bool File::tryLock(bool exclusive) {
    for (;;) {
        if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) return false;
        throw Error(path_, "Cannot lock", errnoText());
    }
}

bool File::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void File::remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) throw Error(path, "Cannot delete", errnoText());
}

void File::rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) throw Error(from, "Cannot rename", errnoText() + " (to " + to + ")");
}

std::string dirName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string replaceExtension(const std::string& path, const std::string& ext) {
    std::string base = baseName(path);
    auto dot = base.find_last_of('.');
    std::string stem = dot == std::string::npos ? base : base.substr(0, dot);
    return dirName(path) + stem + ext;
}

std::string findSibling(const std::string& path, const std::string& ext) {
    std::string want = baseName(replaceExtension(path, ext));
    std::string exact = dirName(path) + want;
    if (File::exists(exact)) return exact;
    std::string dir = dirName(path);
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, want.c_str()) == 0) {
            found = dir + e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

}  // namespace addrova::store
