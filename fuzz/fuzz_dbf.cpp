// Arbitrary bytes as a table and its memo file: opening and reading every record and memo must
// fail cleanly or succeed, never crash.
#include "Table.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

using namespace addrova::store;

namespace {

std::string scratchDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/fuzz-dbf-XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first two bytes say how much of the rest is the table; what follows is its memo file.
    if (size < 2) return 0;
    size_t split = std::min<size_t>(size - 2, (size_t(data[0]) << 8) | data[1]);
    std::string dbf = scratchDir() + "/T.DBF";
    std::string fpt = scratchDir() + "/T.FPT";
    writeFile(dbf, data + 2, split);
    writeFile(fpt, data + 2 + split, size - 2 - split);
    std::remove((scratchDir() + "/T.CDX").c_str());
    try {
        Table t;
        t.open(dbf, OpenMode::ReadOnly);
        t.setDeleted(false);
        int n = 0;
        for (bool ok = t.goTop(); ok && n < 2000; ok = t.skip(), ++n) {
            for (size_t i = 0; i < t.fields().size(); ++i) {
                int f = static_cast<int>(i);
                if (t.fields()[i].isMemo()) {
                    try {
                        (void)t.memoEmpty(f);
                        (void)t.getMemo(f);
                    } catch (const Error&) {
                    }
                } else {
                    (void)t.getString(f);
                    (void)t.getNumber(f);
                    (void)t.isNull(f);
                }
            }
        }
        (void)t.countSelected();
    } catch (const Error&) {
    }
    return 0;
}
