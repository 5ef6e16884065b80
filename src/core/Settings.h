#pragma once

#include <string>
#include <vector>

namespace addrova::app {

// A Windows profile file: [section] headers and key=value lines. Section and key names compare
// without regard to case. Every call reads the file afresh; every change rewrites it through a
// sibling file that is renamed over it, so a crash or a full disk never leaves half a file. A file
// that cannot be read yields the defaults.
class ProfileFile {
public:
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    std::string readString(const std::string& section, const std::string& key, const std::string& fallback = "") const;
    int readInt(const std::string& section, const std::string& key, int fallback) const;
    bool readBool(const std::string& section, const std::string& key, bool fallback) const;
    bool hasKey(const std::string& section, const std::string& key) const;
    std::vector<std::string> keys(const std::string& section) const;

    // Throw std::runtime_error naming the file when it cannot be written; the old file then stays.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    void writeInt(const std::string& section, const std::string& key, int value);
    void writeBool(const std::string& section, const std::string& key, bool value);
    void removeKey(const std::string& section, const std::string& key);

private:
    std::vector<std::string> lines() const;
    void store(const std::vector<std::string>& lines) const;

    std::string path_;
};

}  // namespace addrova::app
