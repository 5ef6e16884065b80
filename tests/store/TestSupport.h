#pragma once

#include <string>

namespace addrova::test {

// Path of a file of the xBase corpus (files written by other programs).
std::string corpus(const std::string& relative);

// A fresh empty directory under the system temp directory, removed when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Copies a corpus file (and nothing else) into this directory; returns the new path.
    std::string copyCorpus(const std::string& relative) const;

private:
    std::string path_;
};

// Runs a shell command; returns its standard output and stores its exit status.
std::string run(const std::string& command, int* status = nullptr);

}  // namespace addrova::test
