#include "TestSupport.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>

namespace addrova::test {

std::string corpus(const std::string& relative) { return std::string(ADDROVA_CORPUS_DIR) + "/" + relative; }

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "addrova-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::copyCorpus(const std::string& relative) const {
    std::filesystem::path from = corpus(relative);
    std::filesystem::path to = std::filesystem::path(path_) / from.filename();
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(to, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return to.string();
}

std::string run(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) throw std::runtime_error("popen failed: " + command);
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    int rc = pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

}  // namespace addrova::test
