// Clipper .NTX indexes (read only). 1024-byte pages; a page holds a key count, a table of item
// offsets (count + 1 of them are used) and items of: child page offset, record number, key. Item
// i's child holds the keys before key i; the extra item's child holds the keys after the last.

#include "Error.h"
#include "File.h"
#include "Index.h"

#include <array>
#include <cctype>
#include <cstring>

namespace addrova::store {

namespace {

constexpr uint32_t kNtxPage = 1024;
constexpr int kNtxMaxDepth = 64;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

std::string cString(const uint8_t* p, size_t max) {
    std::string s;
    for (size_t i = 0; i < max && p[i]; ++i) s.push_back(static_cast<char>(p[i]));
    return s;
}

}  // namespace

struct NtxIndex::Impl {
    struct Frame {
        uint32_t off = 0;
        int count = 0;
        int i = 0;  // the current key on the top frame; the child descended into on the others
        std::array<uint8_t, kNtxPage> page{};
    };

    File file;
    std::string path;
    TagInfo info;
    uint32_t root = 0;
    uint64_t size = 0;
    int itemSize = 0, keySize = 0, maxItems = 0;
    std::vector<Frame> stack;
    size_t depth = 0;  // frames in use
    uint64_t loads = 0;
    bool positioned = false;
    std::vector<uint8_t> key;
    uint32_t rec = 0;

    [[noreturn]] void damaged(const std::string& what) const { throw FormatError(path, "Cannot read index", what); }

    const uint8_t* item(const Frame& f, int i) const { return f.page.data() + le16(f.page.data() + 2 + 2 * i); }
    uint32_t child(const Frame& f, int i) const { return le32(item(f, i)); }
    const uint8_t* keyAt(const Frame& f, int i) const { return item(f, i) + 8; }

    Frame& top() { return stack[depth - 1]; }

    void push(uint32_t off) {
        if (depth >= size_t(kNtxMaxDepth)) damaged("the tree is deeper than 64 levels");
        if (off % kNtxPage || off < kNtxPage || uint64_t(off) + kNtxPage > size)
            damaged("page pointer outside the file (" + std::to_string(off) + ")");
        if (++loads > size / kNtxPage + 1) damaged("the pages form a cycle");
        if (stack.size() <= depth) stack.emplace_back();
        Frame& f = stack[depth];
        file.readExact(f.page.data(), kNtxPage, off, "index page");
        f.off = off;
        f.count = le16(f.page.data());
        if (f.count > maxItems) damaged("too many keys in the page at " + std::to_string(off));
        for (int i = 0; i <= f.count; ++i) {
            unsigned at = le16(f.page.data() + 2 + 2 * i);
            if (at < 2 || at + unsigned(itemSize) > kNtxPage)
                damaged("bad item offset in the page at " + std::to_string(off));
        }
        f.i = 0;
        ++depth;
    }

    void reset() {
        depth = 0;
        loads = 0;
        positioned = false;
    }

    bool current() {
        Frame& f = top();
        std::memcpy(key.data(), keyAt(f, f.i), size_t(keySize));
        rec = le32(item(f, f.i) + 4);
        positioned = true;
        return true;
    }

    bool end() {
        positioned = false;
        depth = 0;
        return false;
    }

    // After finishing the subtree of the top frame's child i (walking forward).
    bool returnForward() {
        while (depth > 0) {
            Frame& f = top();
            if (f.i < f.count) return current();
            --depth;
        }
        return end();
    }

    bool returnBackward() {
        while (depth > 0) {
            Frame& f = top();
            if (f.i > 0) {
                --f.i;
                return current();
            }
            --depth;
        }
        return end();
    }

    bool descendLeft(uint32_t off) {
        for (;;) {
            push(off);
            Frame& f = top();
            f.i = 0;
            uint32_t c = child(f, 0);
            if (c == 0) {
                if (f.count > 0) return current();
                --depth;
                return returnForward();
            }
            off = c;
        }
    }

    bool descendRight(uint32_t off) {
        for (;;) {
            push(off);
            Frame& f = top();
            f.i = f.count;
            uint32_t c = child(f, f.count);
            if (c == 0) {
                if (f.count > 0) {
                    f.i = f.count - 1;
                    return current();
                }
                --depth;
                return returnBackward();
            }
            off = c;
        }
    }

    bool storedNext() {
        if (!positioned) return false;
        Frame& f = top();
        int k = f.i;
        uint32_t c = child(f, k + 1);
        f.i = k + 1;
        if (c) return descendLeft(c);
        if (k + 1 < f.count) return current();
        --depth;
        return returnForward();
    }

    bool storedPrev() {
        if (!positioned) return false;
        Frame& f = top();
        int k = f.i;
        uint32_t c = child(f, k);
        if (c) return descendRight(c);
        if (k > 0) {
            f.i = k - 1;
            return current();
        }
        --depth;
        return returnBackward();
    }

    // First stored entry whose first len key bytes are not before (upper: are after) key.
    bool bound(const uint8_t* k, size_t len, bool upper) {
        reset();
        uint32_t off = root;
        for (;;) {
            push(off);
            Frame& f = top();
            int lo = 0, hi = f.count;
            while (lo < hi) {
                int mid = (lo + hi) / 2;
                int c = std::memcmp(keyAt(f, mid), k, len);
                if (upper ? c <= 0 : c < 0)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            f.i = lo;
            uint32_t c = child(f, lo);
            if (c == 0) {
                if (lo < f.count) return current();
                --depth;
                return returnForward();
            }
            off = c;
        }
    }
};

NtxIndex::NtxIndex() : impl_(std::make_unique<Impl>()) {}
NtxIndex::~NtxIndex() = default;

void NtxIndex::open(const std::string& path) {
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->file.open(path, File::Mode::Read);
    impl->size = impl->file.size();
    if (impl->size < 2 * kNtxPage) impl->damaged("file is too short for an NTX index");
    uint8_t h[kNtxPage];
    impl->file.readExact(h, kNtxPage, 0, "index header");
    uint16_t sig = le16(h);
    if (sig != 3 && sig != 6 && sig != 7) impl->damaged("not an NTX index (signature " + std::to_string(sig) + ")");
    impl->root = le32(h + 4);
    impl->itemSize = le16(h + 12);
    impl->keySize = le16(h + 14);
    impl->maxItems = le16(h + 18);
    if (impl->keySize < 1 || impl->keySize > 256) impl->damaged("bad key size " + std::to_string(impl->keySize));
    if (impl->itemSize != impl->keySize + 8) impl->damaged("item size does not match the key size");
    if (impl->maxItems < 1 || 2 + 2 * (impl->maxItems + 1) > int(kNtxPage))
        impl->damaged("bad number of items per page");
    TagInfo& info = impl->info;
    std::string stem = baseName(path);
    if (auto dot = stem.find_last_of('.'); dot != std::string::npos) stem.resize(dot);
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    info.name = stem.substr(0, 10);
    info.keyExpr = cString(h + 22, 256);
    info.keyLength = static_cast<uint16_t>(impl->keySize);
    info.unique = h[278] != 0;
    info.descending = h[280] != 0;  // Harbour's descending flag
    if (sig & 1) info.forExpr = cString(h + 282, 256);
    impl->key.resize(size_t(impl->keySize));
    impl->stack.reserve(kNtxMaxDepth);
    // The root must at least be readable.
    impl->reset();
    impl->push(impl->root);
    impl->reset();
    impl_ = std::move(impl);
}

const TagInfo& NtxIndex::info() const { return impl_->info; }

bool NtxIndex::first() {
    if (!impl_->file.isOpen()) return false;
    impl_->reset();
    return impl_->info.descending ? impl_->descendRight(impl_->root) : impl_->descendLeft(impl_->root);
}

bool NtxIndex::last() {
    if (!impl_->file.isOpen()) return false;
    impl_->reset();
    return impl_->info.descending ? impl_->descendLeft(impl_->root) : impl_->descendRight(impl_->root);
}

bool NtxIndex::next() { return impl_->info.descending ? impl_->storedPrev() : impl_->storedNext(); }
bool NtxIndex::prev() { return impl_->info.descending ? impl_->storedNext() : impl_->storedPrev(); }

bool NtxIndex::seek(std::span<const uint8_t> key) {
    if (!impl_->file.isOpen()) return false;
    if (key.empty()) return first();
    if (key.size() > size_t(impl_->keySize))
        throw Error(impl_->path, "Cannot seek in index", "the key is longer than the index's keys");
    if (!impl_->info.descending) return impl_->bound(key.data(), key.size(), false);
    if (!impl_->bound(key.data(), key.size(), true)) {
        impl_->reset();
        return impl_->descendRight(impl_->root);
    }
    return impl_->storedPrev();
}

bool NtxIndex::find(std::span<const uint8_t> key, uint32_t recno) {
    if (!impl_->file.isOpen()) return false;
    if (key.size() != size_t(impl_->keySize))
        throw Error(impl_->path, "Cannot search index", "the key has the wrong length");
    // Equal keys are not ordered by record number in NTX files: scan them.
    for (bool ok = impl_->bound(key.data(), key.size(), false); ok; ok = impl_->storedNext()) {
        if (std::memcmp(impl_->key.data(), key.data(), key.size()) != 0) break;
        if (impl_->rec == recno) return true;
    }
    impl_->positioned = false;
    return false;
}

bool NtxIndex::positioned() const { return impl_->positioned; }
uint32_t NtxIndex::recno() const { return impl_->positioned ? impl_->rec : 0; }
std::span<const uint8_t> NtxIndex::key() const {
    if (!impl_->positioned) return {};
    return {impl_->key.data(), impl_->key.size()};
}

}  // namespace addrova::store
