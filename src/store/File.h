#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace addrova::store {

// A thin POSIX file: positioned reads and writes, size, truncation and an advisory lock.
// All failures throw Error naming the file.
class File {
public:
    enum class Mode { Read, ReadWrite, CreateTruncate };

    File() = default;
    File(const std::string& path, Mode mode) { open(path, mode); }
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    void open(const std::string& path, Mode mode);
    void close() noexcept;
    bool isOpen() const noexcept { return fd_ >= 0; }
    bool writable() const noexcept { return writable_; }
    const std::string& path() const noexcept { return path_; }

    // Reads up to n bytes at off; returns how many were read (fewer only at end of file).
    size_t readAt(void* buf, size_t n, uint64_t off) const;
    // Reads exactly n bytes or throws FormatError ("file is truncated").
    void readExact(void* buf, size_t n, uint64_t off, const char* what) const;
    void writeAt(const void* buf, size_t n, uint64_t off);
    uint64_t size() const;
    void truncate(uint64_t size);
    void sync();

    // Non-blocking whole-file lock (shared or exclusive); false when another holder conflicts.
    bool tryLock(bool exclusive);

    static bool exists(const std::string& path);
    static void remove(const std::string& path);  // no error when absent
    static void rename(const std::string& from, const std::string& to);

private:
    int fd_ = -1;
    bool writable_ = false;
    std::string path_;
};

// Path helpers that keep the engine independent of any framework.
std::string dirName(const std::string& path);        // "" when there is no directory part
std::string baseName(const std::string& path);       // file name with extension
std::string replaceExtension(const std::string& path, const std::string& ext);  // ext with dot
// Finds path's sibling with the given extension, matching the stem and extension without regard to case.
// Returns "" when there is none.
std::string findSibling(const std::string& path, const std::string& ext);

}  // namespace addrova::store
