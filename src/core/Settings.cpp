#include "Settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <strings.h>
#include <unistd.h>

namespace addrova::app {

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool same(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// The section a line opens, or "" when it opens none.
bool sectionOf(const std::string& line, std::string& name) {
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    name = trim(t.substr(1, t.size() - 2));
    return true;
}

bool keyOf(const std::string& line, std::string& key, std::string& value) {
    std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

}  // namespace

std::vector<std::string> ProfileFile::lines() const {
    std::vector<std::string> out;
    std::ifstream in(path_, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

void ProfileFile::store(const std::vector<std::string>& lines) const {
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    std::string temp = path_ + ".new";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("Cannot write " + path_ + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            throw std::runtime_error("Cannot write " + path_ + ": " + std::strerror(err));
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw std::runtime_error("Cannot write " + path_ + ": " + std::strerror(err));
    }
    if (::rename(temp.c_str(), path_.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw std::runtime_error("Cannot write " + path_ + ": " + std::strerror(err));
    }
}

std::string ProfileFile::readString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
    std::string current, k, v;
    bool inSection = false;
    for (const auto& line : lines()) {
        if (sectionOf(line, current)) {
            inSection = same(current, section);
        } else if (inSection && keyOf(line, k, v) && same(k, key)) {
            return v;
        }
    }
    return fallback;
}

bool ProfileFile::hasKey(const std::string& section, const std::string& key) const {
    const std::string marker = "\x01";
    return readString(section, key, marker) != marker;
}

int ProfileFile::readInt(const std::string& section, const std::string& key, int fallback) const {
    std::string v = readString(section, key);
    if (v.empty()) return fallback;
    char* end = nullptr;
    errno = 0;
    long n = std::strtol(v.c_str(), &end, 10);
    if (errno != 0 || end == v.c_str() || *end != '\0' || n < -2147483647L - 1 || n > 2147483647L) return fallback;
    return static_cast<int>(n);
}

bool ProfileFile::readBool(const std::string& section, const std::string& key, bool fallback) const {
    return readInt(section, key, fallback ? 1 : 0) != 0;
}

std::vector<std::string> ProfileFile::keys(const std::string& section) const {
    std::vector<std::string> out;
    std::string current, k, v;
    bool inSection = false;
    for (const auto& line : lines()) {
        if (sectionOf(line, current))
            inSection = same(current, section);
        else if (inSection && keyOf(line, k, v))
            out.push_back(k);
    }
    return out;
}

void ProfileFile::writeString(const std::string& section, const std::string& key, const std::string& value) {
    std::vector<std::string> ls = lines();
    std::string current, k, v;
    int sectionLine = -1, lastInSection = -1;
    bool inSection = false;
    for (size_t i = 0; i < ls.size(); ++i) {
        if (sectionOf(ls[i], current)) {
            inSection = same(current, section);
            if (inSection && sectionLine < 0) {
                sectionLine = static_cast<int>(i);
                lastInSection = static_cast<int>(i);
            }
            continue;
        }
        if (!inSection) continue;
        if (keyOf(ls[i], k, v) && same(k, key)) {
            ls[i] = k + "=" + value;
            store(ls);
            return;
        }
        if (!trim(ls[i]).empty()) lastInSection = static_cast<int>(i);
    }
    if (sectionLine < 0) {
        if (!ls.empty() && !trim(ls.back()).empty()) ls.push_back("");
        ls.push_back("[" + section + "]");
        ls.push_back(key + "=" + value);
    } else {
        ls.insert(ls.begin() + lastInSection + 1, key + "=" + value);
    }
    store(ls);
}

void ProfileFile::writeInt(const std::string& section, const std::string& key, int value) {
    writeString(section, key, std::to_string(value));
}

void ProfileFile::writeBool(const std::string& section, const std::string& key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void ProfileFile::removeKey(const std::string& section, const std::string& key) {
    std::vector<std::string> ls = lines();
    std::string current, k, v;
    bool inSection = false;
    for (size_t i = 0; i < ls.size(); ++i) {
        if (sectionOf(ls[i], current)) {
            inSection = same(current, section);
        } else if (inSection && keyOf(ls[i], k, v) && same(k, key)) {
            ls.erase(ls.begin() + static_cast<long>(i));
            store(ls);
            return;
        }
    }
}

}  // namespace addrova::app
