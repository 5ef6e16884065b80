// Import and export of a large delimited-text file: the exchange room against Debian's sqlite3 shell.
//
//   addrova-exchange-bench [--records N] [--dir DIR] [--keep]
//
// Steps, each in a child process of its own (wall time, CPU time and peak memory from wait4()):
//   import   N lines into a new address file, then its 26 tags   |  sqlite3 .import + 26 CREATE INDEX
//   export   every record to text, in record order               |  sqlite3 .mode csv, SELECT
//   export by name   the same in the LNAME order                 |  ... ORDER BY the LNAME index key
#include "AddressFile.h"
#include "Ascii.h"
#include "DemoData.h"
#include "Export.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

using namespace addrova;
using namespace addrova::exchange;

namespace {

struct Run {
    double wall = 0, cpu = 0;
    long maxrssKb = 0;
    int status = 0;
};

Run measure(const std::function<int()>& child)
{
    std::fflush(nullptr);
    ::sync();
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0)
        _exit(child());
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    Run r;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    r.maxrssKb = ru.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

int sqlite(const std::string& db, const std::string& script)
{
    const std::string cmd = "sqlite3 -batch '" + db + "' < '" + script + "' > /dev/null";
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}

const char* const kColumns[20] = {"PREFIX", "FNAME", "MIDDLE", "LNAME", "TITLE", "ORG", "STREET", "STREET2", "CITY", "STATE",
                                  "ZIP", "COUNTRY", "PHONE", "PHONE2", "EMAIL", "FAX", "DATE", "USER1", "USER2", "CODES"};

#define PAD30 "'                              '"
const char* const kIndexes[26] = {
    "upper(rtrim(lname)||fname)", "substr(upper(lname)||" PAD30 ",1,30)||upper(fname)", "upper(fname)", "upper(title)",
    "upper(org)", "upper(street)", "upper(street2)", "upper(substr(city||" PAD30 ",1,30)||state)", "upper(state)",
    "upper(zip)", "upper(country)", "upper(phone)", "upper(phone2)", "upper(email)", "upper(fax)", "upper(user1)",
    "upper(user2)", "upper(date)", "upper(tag)", "upper(codes)", "upper(prefix)", "upper(middle)", "deleted",
    "upper(rtrim(state)||zip)", "isdel", "(NOT isdel)"};

void writeCsv(const std::string& path, uint32_t n)
{
    demo::Generator gen(20240611);
    demo::Record r;
    std::ofstream out(path, std::ios::binary);
    std::string line;
    for (uint32_t i = 0; i < n; ++i) {
        gen.make(i, r);
        line.clear();
        for (int c = 0; c < 20; ++c) {
            int f = 0;
            for (int k = 0; k < demo::F_COUNT; ++k)
                if (std::strcmp(demo::kFields[k].name, kColumns[c]) == 0)
                    f = k;
            std::string v = r.text[f];
            for (char& ch : v)
                if (ch == '"')
                    ch = '\'';
            line += c ? ",\"" : "\"";
            line += v;
            line += '"';
        }
        line += "\r\n";
        out << line;
    }
}

std::string mb(long kb) { return std::to_string(kb / 1024) + " MiB"; }

std::string fmt(double s)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.2f s", s);
    return b;
}

}  // namespace

int main(int argc, char** argv)
{
    uint32_t n = 1000000;
    std::string dir;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--records" && i + 1 < argc)
            n = static_cast<uint32_t>(std::stoul(argv[++i]));
        else if (a == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (a == "--keep")
            keep = true;
        else {
            std::cerr << "usage: addrova-exchange-bench [--records N] [--dir DIR] [--keep]\n";
            return 2;
        }
    }
    if (dir.empty()) {
        char tmpl[] = "/tmp/addrova-exchange-bench-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    std::filesystem::create_directories(dir);
    const std::string csv = dir + "/people.csv", dbf = dir + "/PEOPLE.DBF", db = dir + "/people.sqlite";
    std::cerr << "writing " << n << " lines to " << csv << "\n";
    writeCsv(csv, n);
    const auto csvBytes = std::filesystem::file_size(csv);

    // Ours: a new address file, the import, the 26 tags.
    const Run oursImport = measure([&] {
        if (!store::createAddressFile(dbf, store::defaultWidths()).empty())
            return 1;
        store::Table t;
        if (!store::openAddressFile(dbf, t).empty())
            return 1;
        AsciiImportSpec spec{csv, {}, 20, {}};
        for (const char* c : kColumns)
            spec.fieldOfColumn.push_back(t.fieldIndex(c));
        const AsciiImportResult r = ImportAscii(t, spec, {});
        if (!r.started || r.summary.written != n)
            return 1;
        RebuildAddressTags(t, {});
        t.close();
        return 0;
    });

    // SQLite: the same lines, then the same 26 keys.
    {
        std::ofstream s(dir + "/import.sql");
        s << "CREATE TABLE people(";
        for (int c = 0; c < 20; ++c)
            s << (c ? "," : "") << kColumns[c] << " TEXT";
        s << ");\n.mode csv\n.import '" << csv << "' people\n";
        s << "ALTER TABLE people ADD COLUMN tag TEXT DEFAULT '';\nALTER TABLE people ADD COLUMN isdel INT DEFAULT 0;\n"
             "ALTER TABLE people ADD COLUMN deleted INT DEFAULT 0;\n";
        for (int i = 0; i < 26; ++i)
            s << "CREATE INDEX i" << i << " ON people(" << kIndexes[i] << ");\n";
    }
    std::filesystem::remove(db);
    const Run sqliteImport = measure([&] { return sqlite(db, dir + "/import.sql"); });

    auto oursExport = [&](const char* order) {
        return measure([&, order] {
            store::Table t;
            if (!store::openAddressFile(dbf, t).empty())
                return 1;
            t.setOrder(order);
            t.setSelection("!ISDEL");
            const LoopSummary s = CopyASCII(t, dir + "/ours.txt", {}, {});
            return s.written == n ? 0 : 1;
        });
    };
    auto sqliteExport = [&](const std::string& orderBy) {
        std::ofstream s(dir + "/export.sql");
        s << ".mode csv\n.headers off\n.output '" << dir << "/sqlite.csv'\nSELECT ";
        for (int c = 0; c < 20; ++c)
            s << (c ? "," : "") << kColumns[c];
        s << " FROM people WHERE NOT isdel" << orderBy << ";\n";
        s.close();
        return measure([&] { return sqlite(db, dir + "/export.sql"); });
    };
    const Run oursText = oursExport("");
    const Run sqliteText = sqliteExport("");
    const Run oursByName = oursExport("LNAME");
    const Run sqliteByName = sqliteExport(std::string(" ORDER BY ") + kIndexes[1]);

    std::cout << "| step (" << n << " records, CSV " << csvBytes / (1024 * 1024) << " MiB) | engine | wall | CPU | peak memory | status |\n"
              << "|---|---|---|---|---|---|\n";
    auto row = [](const char* step, const char* engine, const Run& r) {
        std::cout << "| " << step << " | " << engine << " | " << fmt(r.wall) << " | " << fmt(r.cpu) << " | " << mb(r.maxrssKb)
                  << " | " << (r.status == 0 ? "ok" : "FAILED") << " |\n";
    };
    row("import + 26 indexes", "Addrova", oursImport);
    row("import + 26 indexes", "sqlite3", sqliteImport);
    row("export, record order", "Addrova", oursText);
    row("export, record order", "sqlite3", sqliteText);
    row("export, by last name", "Addrova", oursByName);
    row("export, by last name", "sqlite3", sqliteByName);
    std::cout << "\nfiles: address file " << (std::filesystem::file_size(dbf) + std::filesystem::file_size(dir + "/PEOPLE.CDX")) / (1024 * 1024)
              << " MiB (DBF + CDX), SQLite " << std::filesystem::file_size(db) / (1024 * 1024) << " MiB\n";
    if (!keep)
        std::filesystem::remove_all(dir);
    const bool ok = oursImport.status == 0 && sqliteImport.status == 0 && oursText.status == 0 &&
                    sqliteText.status == 0 && oursByName.status == 0 && sqliteByName.status == 0;
    return ok ? 0 : 1;
}
