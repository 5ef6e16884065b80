#include "ProgramDir.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <langinfo.h>
#include <stdexcept>
#include <unistd.h>

namespace addrova::app {

namespace fs = std::filesystem;

namespace {

std::string withSlash(std::string p) {
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}

std::string exeDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

}  // namespace

std::string ProgramDir() {
    if (const char* home = std::getenv("ADDROVA_HOME"); home && *home) return withSlash(home);
    const char* user = std::getenv("HOME");
    std::string base = user && *user ? user : "/tmp";
    return withSlash(base + "/.local/share/addrova");
}

std::string SettingsPath() { return ProgramDir() + "ADDROV.ini"; }
std::string DataDir() { return ProgramDir() + "DATA/"; }
std::string SysdataDir() { return ProgramDir() + "sysdata/"; }

std::string ResourceDir() {
    std::vector<std::string> candidates;
    if (const char* env = std::getenv("ADDROVA_RESOURCES"); env && *env) candidates.push_back(env);
    std::string exe = exeDir();
    if (!exe.empty()) {
        candidates.push_back(exe + "/../share/addrova");
        candidates.push_back(exe + "/../../resources");  // a build tree: build/src/<program>/
    }
#ifdef ADDROVA_BUILD_RESOURCES
    candidates.push_back(ADDROVA_BUILD_RESOURCES);
#endif
    for (const auto& c : candidates) {
        std::error_code ec;
        if (fs::is_directory(fs::path(c) / "sysdata", ec)) return fs::weakly_canonical(c, ec).string();
    }
    return {};
}

std::string PrepareProgramDir() {
    std::error_code ec;
    for (const auto& d : {ProgramDir(), DataDir(), SysdataDir()}) {
        fs::create_directories(d, ec);
        if (!fs::is_directory(d)) throw std::runtime_error("Cannot create the folder " + d + ": " + ec.message());
    }
    std::string res = ResourceDir();
    if (res.empty()) return {};
    fs::path from = fs::path(res) / "sysdata";
    for (const auto& entry : fs::recursive_directory_iterator(from, ec)) {
        fs::path rel = fs::relative(entry.path(), from, ec);
        fs::path to = fs::path(SysdataDir()) / rel;
        if (entry.is_directory()) {
            fs::create_directories(to, ec);
        } else if (!fs::exists(to, ec)) {
            fs::copy_file(entry.path(), to, ec);
            fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                    fs::perms::others_read, ec);
        }
    }
    return res;
}

std::string PatternFromStrftime(const std::string& f) {
    std::string out;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%' || i + 1 >= f.size()) {
            out += f[i];
            continue;
        }
        char c = f[++i];
        if (c == 'E' || c == 'O') {  // modifiers
            if (i + 1 >= f.size()) break;
            c = f[++i];
        }
        switch (c) {
            case 'd': out += "dd"; break;
            case 'e': out += "d"; break;
            case 'm': out += "MM"; break;
            case 'y': out += "yy"; break;
            case 'Y': out += "yyyy"; break;
            case 'D': out += "MM/dd/yy"; break;
            case 'F': out += "yyyy-MM-dd"; break;
            case '%': out += '%'; break;
            default: break;  // names of days and months have no short form here
        }
    }
    return out;
}

std::string ShortDateFormat() {
    std::string f = Settings().readString("INTL", "sShortDate");
    if (!f.empty()) return f;
    std::string old = std::setlocale(LC_TIME, nullptr) ? std::setlocale(LC_TIME, nullptr) : "C";
    std::setlocale(LC_TIME, "");
    std::string pattern = PatternFromStrftime(nl_langinfo(D_FMT));
    std::setlocale(LC_TIME, old.c_str());
    return pattern.find('d') != std::string::npos && pattern.find('M') != std::string::npos ? pattern : "MM/dd/yy";
}

store::FieldWidths NewFileWidths() {
    ProfileFile s = Settings();
    store::FieldWidths w;
    for (const auto& f : store::addressFields())
        if (f.widthFromSettings) w[f.name] = s.readInt("NewFileFieldLengths", std::string("Field") + f.name, f.width);
    return store::clampWidths(w);
}

void SaveNewFileWidths(const store::FieldWidths& widths) {
    ProfileFile s = Settings();
    for (const auto& [name, width] : store::clampWidths(widths)) s.writeInt("NewFileFieldLengths", "Field" + name, width);
}

std::string GlobalTagId() {
    ProfileFile s = Settings();
    std::string id = s.readString("Misc", "GlobalTagId");
    if (!id.empty()) return id.substr(0, 8);
    return NewGlobalTagId();
}

std::string NewGlobalTagId() {
    std::string id = store::makeTagId(std::time(nullptr));
    Settings().writeString("Misc", "GlobalTagId", id);
    return id;
}

std::string FirstAddressFile() {
    std::string path = DataDir() + "ADD0001.DBF";
    if (store::File::exists(path)) return path;
    std::string problem = store::createAddressFile(path, NewFileWidths());
    if (!problem.empty()) throw std::runtime_error(problem);
    return path;
}

}  // namespace addrova::app
