// Arbitrary bytes as a compact index file (walked, searched, checked and updated) and as one leaf
// page through the node decoder. Damage must end in addrova::store::Error, never a crash or hang.

#include "Error.h"
#include "Index.h"
#include "IndexNode.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace addrova::store;

namespace {

char gPath[64];

// One temporary file per run, removed at exit.
std::string tempPath() {
    if (!gPath[0]) {
        std::strcpy(gPath, "/tmp/fuzz-cdx-XXXXXX");
        int fd = mkstemp(gPath);
        if (fd < 0) std::abort();
        close(fd);
        std::atexit([] { unlink(gPath); });
    }
    return gPath;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

void walkFile(const std::string& path, const uint8_t* data, size_t size, bool writable) {
    CompactIndex idx;
    try {
        idx.open(path, writable);
    } catch (const Error&) {
        return;
    }
    for (size_t i = 0; i < idx.tagCount(); ++i) {
        try {
            IndexOrder& o = idx.tag(i);
            size_t kl = o.info().keyLength;
            for (bool ok = o.first(); ok; ok = o.next()) (void)o.key();
            for (bool ok = o.last(); ok; ok = o.prev()) (void)o.recno();
            std::vector<uint8_t> key(kl, ' ');
            for (size_t s = 0; s < 4 && s < size; ++s) {
                size_t len = 1 + (data[s] % kl);
                for (size_t b = 0; b < len; ++b) key[b] = data[(s * 7 + b) % size];
                if (o.seek({key.data(), len})) o.next();
            }
            o.find(key, 1);
            idx.verifyTag(i);
            if (writable) {
                o.insert(key, 7);
                o.insert(key, 3);
                o.remove(key, 7);
                idx.flush();
            }
        } catch (const Error&) {
        }
    }
    try {
        idx.close();
    } catch (const Error&) {
    }
}

void decodePage(const uint8_t* data, size_t size) {
    if (size < 2) return;
    int keyLen = 1 + data[0] % cdx::kMaxKeyLength;
    uint8_t pad = (data[1] & 1) ? ' ' : 0;
    uint8_t page[cdx::kPageSize] = {};
    std::memcpy(page, data + 2, std::min<size_t>(cdx::kPageSize, size - 2));
    page[0] |= cdx::kAttrLeaf;
    cdx::Leaf leaf;
    if (!leaf.decode(page, keyLen, pad).empty() || !leaf.fits()) return;
    // What decodes must encode and decode to the same entries.
    uint8_t out[cdx::kPageSize];
    leaf.encode(out);
    cdx::Leaf again;
    if (!again.decode(out, keyLen, pad).empty() || again.count() != leaf.count()) std::abort();
    for (int i = 0; i < leaf.count(); ++i)
        if (again.recno(i) != leaf.recno(i) || std::memcmp(again.key(i), leaf.key(i), size_t(keyLen)) != 0)
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = tempPath();
    writeFile(path, data, size);
    walkFile(path, data, size, false);
    walkFile(path, data, size, true);
    decodePage(data, size);
    return 0;
}
