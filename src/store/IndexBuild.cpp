// Creating compact index files and tags: new files, bulk loading of sorted keys, tag removal.

#include "Error.h"
#include "IndexFile.h"
#include "IndexSort.h"

#include <algorithm>
#include <cctype>

namespace addrova::store::cdx {

namespace {

TagInfo normalized(const TagInfo& in, bool compound, const std::string& path) {
    TagInfo info = in;
    for (char& c : info.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string op = "Cannot create index tag " + info.name;
    if (info.keyLength < 1 || info.keyLength > kMaxKeyLength)
        throw Error(path, op, "the key length must be 1 to 240 bytes");
    if (info.keyExpr.size() + info.forExpr.size() + 2 > 512)
        throw Error(path, op, "the key and FOR expressions are longer than 510 characters");
    if (info.keyExpr.find('\0') != std::string::npos || info.forExpr.find('\0') != std::string::npos)
        throw Error(path, op, "an expression contains a NUL character");
    if (compound) {
        if (info.name.empty() || info.name.size() > 10) throw Error(path, op, "a tag name has 1 to 10 characters");
        for (char c : info.name)
            if (static_cast<unsigned char>(c) <= ' ') throw Error(path, op, "a tag name cannot contain blanks");
    }
    return info;
}

uint8_t optionsOf(const TagInfo& info, bool compound) {
    uint8_t o = kOptCompact;
    if (compound) o |= kOptCompound;
    if (info.unique) o |= kOptUnique;
    if (info.nullable) o |= kOptNullable;
    if (info.candidate) o |= kOptCandidate;
    if (!info.forExpr.empty()) o |= kOptFor;
    return o;
}

void emptyRootLeaf(int keyLen, uint8_t pad, uint8_t* page) {
    Leaf leaf;
    leaf.reset(keyLen, pad);
    leaf.attr = kAttrRoot | kAttrLeaf;
    leaf.encode(page);
}

// Collects pages written by a bulk load and writes them in offset order, bypassing the cache
// (the pages are all new, past the previous end of the file).
class PageWriter {
public:
    explicit PageWriter(File& f) : file_(f) {}
    void put(uint32_t off, const uint8_t* page) {
        offsets_.push_back(off);
        data_.insert(data_.end(), page, page + kPageSize);
        if (offsets_.size() >= 2048) flush();
    }
    void flush() {
        std::vector<size_t> order(offsets_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return offsets_[a] < offsets_[b]; });
        size_t i = 0;
        while (i < order.size()) {
            size_t j = i + 1;
            while (j < order.size() && offsets_[order[j]] == offsets_[order[j - 1]] + kPageSize) ++j;
            run_.resize((j - i) * kPageSize);
            for (size_t k = i; k < j; ++k)
                std::memcpy(run_.data() + (k - i) * kPageSize, data_.data() + order[k] * kPageSize, kPageSize);
            file_.writeAt(run_.data(), run_.size(), offsets_[order[i]]);
            i = j;
        }
        offsets_.clear();
        data_.clear();
    }

private:
    File& file_;
    std::vector<uint32_t> offsets_;
    std::vector<uint8_t> data_;
    std::vector<uint8_t> run_;
};

// Builds a tree bottom-up from entries in order: leaves filled tightly, interior nodes with as
// many entries as fit, sibling links on every level.
class TreeBuilder {
public:
    TreeBuilder(int keyLen, uint8_t pad, std::function<uint32_t()> alloc, PageWriter& out)
        : kl_(keyLen), es_(size_t(keyLen) + 8), max_(maxInteriorEntries(keyLen)), alloc_(std::move(alloc)), out_(out) {
        leaf_.reset(keyLen, pad);
        leafOff_ = alloc_();
    }

    void add(const uint8_t* key, uint32_t recno) {
        if (leaf_.tryAppend(key, recno)) return;
        // The leaf is full: write it and start its right sibling.
        uint32_t next = alloc_();
        leaf_.right = next;
        writeLeaf();
        uint8_t last[kMaxKeyLength];
        int n = leaf_.count();
        std::memcpy(last, leaf_.key(n - 1), size_t(kl_));
        uint32_t lastRec = leaf_.recno(n - 1);
        uint32_t done = leafOff_;
        leaf_.clearEntries();
        leaf_.left = done;
        leaf_.right = kNone;
        leafOff_ = next;
        push(0, last, lastRec, done);
        leaf_.tryAppend(key, recno);  // always fits an empty leaf
    }

    // Writes the last nodes; returns the root.
    uint32_t finish() {
        leaf_.right = kNone;
        if (levels_.empty()) {
            leaf_.attr = kAttrRoot | kAttrLeaf;
            writeLeaf();
            return leafOff_;
        }
        writeLeaf();
        int n = leaf_.count();
        push(0, leaf_.key(n - 1), leaf_.recno(n - 1), leafOff_);
        for (size_t i = 0;; ++i) {
            Level& l = *levels_[i];
            bool top = i + 1 == levels_.size() && l.done == 0;
            putLE16(l.page, top ? kAttrRoot : 0);
            putLE16(l.page + 2, static_cast<uint16_t>(l.n));
            putLE32(l.page + 8, kNone);
            out_.put(l.off, l.page);
            if (top) return l.off;
            uint8_t last[kMaxKeyLength];
            const uint8_t* e = l.page + kInteriorHeader + size_t(l.n - 1) * es_;
            std::memcpy(last, e, size_t(kl_));
            uint32_t off = l.off;
            push(i + 1, last, getBE32(e + kl_), off);
        }
    }

private:
    struct Level {
        uint8_t page[kPageSize];
        uint32_t off = 0;
        int n = 0;
        uint64_t done = 0;
    };

    void writeLeaf() {
        uint8_t page[kPageSize];
        leaf_.encode(page);
        out_.put(leafOff_, page);
    }

    void startLevelNode(Level& l, uint32_t off, uint32_t left) {
        std::memset(l.page, 0, kPageSize);
        putLE32(l.page + 4, left);
        putLE32(l.page + 8, kNone);
        l.off = off;
        l.n = 0;
    }

    void push(size_t i, const uint8_t* key, uint32_t recno, uint32_t child) {
        if (i == levels_.size()) {
            levels_.push_back(std::make_unique<Level>());
            startLevelNode(*levels_.back(), alloc_(), kNone);
        }
        if (levels_[i]->n == max_) {
            Level& l = *levels_[i];
            uint32_t next = alloc_();
            putLE16(l.page, 0);
            putLE16(l.page + 2, static_cast<uint16_t>(l.n));
            putLE32(l.page + 8, next);
            out_.put(l.off, l.page);
            uint8_t last[kMaxKeyLength];
            const uint8_t* e = l.page + kInteriorHeader + size_t(l.n - 1) * es_;
            std::memcpy(last, e, size_t(kl_));
            uint32_t lastRec = getBE32(e + kl_);
            uint32_t done = l.off;
            ++l.done;
            startLevelNode(l, next, done);
            push(i + 1, last, lastRec, done);
        }
        Level& l = *levels_[i];
        uint8_t* e = l.page + kInteriorHeader + size_t(l.n) * es_;
        std::memcpy(e, key, size_t(kl_));
        putBE32(e + kl_, recno);
        putBE32(e + kl_ + 4, child);
        ++l.n;
    }

    int kl_;
    size_t es_;
    int max_;
    std::function<uint32_t()> alloc_;
    PageWriter& out_;
    Leaf leaf_;
    uint32_t leafOff_ = 0;
    std::vector<std::unique_ptr<Level>> levels_;  // pointers stay valid while levels are added
};

}  // namespace

void IndexFile::createCompound(const std::string& path) {
    TagInfo dir;
    dir.keyLength = 10;
    std::vector<uint8_t> h = headerBytes(dir, kHeaderSize, kOptCompact | kOptCompound | kOptStructural);
    h.resize(kHeaderSize + kPageSize);
    emptyRootLeaf(10, ' ', h.data() + kHeaderSize);
    File f(path, File::Mode::CreateTruncate);
    f.writeAt(h.data(), h.size(), 0);
}

void IndexFile::createSingle(const std::string& path, const TagInfo& in) {
    TagInfo info = normalized(in, false, path);
    std::vector<uint8_t> h = headerBytes(info, kHeaderSize, optionsOf(info, false));
    h.resize(kHeaderSize + kPageSize);
    emptyRootLeaf(info.keyLength, info.padByte, h.data() + kHeaderSize);
    File f(path, File::Mode::CreateTruncate);
    f.writeAt(h.data(), h.size(), 0);
}

std::vector<uint8_t> IndexFile::headerBytes(const TagInfo& info, uint32_t root, uint8_t options) {
    std::vector<uint8_t> h(kHeaderSize);
    putLE32(h.data(), root);
    putLE16(h.data() + 12, info.keyLength);
    h[14] = options;
    h[15] = 1;
    putLE16(h.data() + 502, info.descending ? 1 : 0);
    // The expression pool: the key expression, then the FOR expression, each NUL-terminated.
    uint16_t keyLen = static_cast<uint16_t>(info.keyExpr.size() + 1);
    uint16_t forLen = static_cast<uint16_t>(info.forExpr.size() + 1);
    putLE16(h.data() + 504, keyLen);  // FOR expression position
    putLE16(h.data() + 506, forLen);
    putLE16(h.data() + 508, 0);       // key expression position
    putLE16(h.data() + 510, keyLen);
    std::memcpy(h.data() + 512, info.keyExpr.data(), info.keyExpr.size());
    std::memcpy(h.data() + 512 + keyLen, info.forExpr.data(), info.forExpr.size());
    return h;
}

uint32_t IndexFile::bulkBuild(const TagInfo& info, const std::function<void(const KeySink&)>& feed) {
    const int kl = info.keyLength;
    KeySorter sorter(kl, sortMemory_, path_);
    feed([&sorter](const uint8_t* key, uint32_t recno) { sorter.add(key, recno); });
    PageWriter out(file_);
    // Only pages past the end: the cache holds none of them.
    TreeBuilder builder(
        kl, info.padByte,
        [this]() {
            if (uint64_t(allocEnd_) + kPageSize > 0xFFFFF000ull)
                throw Error(path_, "Cannot extend index", "the file would grow beyond 4 GiB");
            uint32_t off = allocEnd_;
            allocEnd_ += kPageSize;
            return off;
        },
        out);
    std::vector<uint8_t> prev(static_cast<size_t>(kl));
    bool havePrev = false;
    const bool unique = info.unique;
    sorter.drain([&](const uint8_t* e) {
        if (unique) {
            // Entries come by key, then record number: the first of each key has the lowest recno.
            if (havePrev && std::memcmp(prev.data(), e, size_t(kl)) == 0) return;
            std::memcpy(prev.data(), e, size_t(kl));
            havePrev = true;
        }
        builder.add(e, getBE32(e + kl));
    });
    uint32_t root = builder.finish();
    out.flush();
    return root;
}

std::vector<uint32_t> IndexFile::collectPages(TagOrder& t) {
    std::vector<uint32_t> pages;
    std::vector<bool> seen(size_t(pageCount()) + 1);
    std::vector<uint32_t> level{checkPointer(t.root, "root pointer")}, next;
    const int kl = t.keyLength();
    for (int depth = 0; !level.empty(); ++depth) {
        if (depth >= kMaxDepth) damaged("the tree of tag " + t.info_.name + " is deeper than 64 levels");
        next.clear();
        for (uint32_t off : level) {
            if (seen[off / kPageSize]) damaged("a node of tag " + t.info_.name + " is reached twice");
            seen[off / kPageSize] = true;
            pages.push_back(off);
            if (isLeafPage(off)) continue;
            uint8_t page[kPageSize];
            cache_.read(off, page);
            if (const char* err = checkInterior(page, kl)) damaged(err);
            InteriorView v{page, kl};
            for (int i = 0; i < v.count(); ++i) next.push_back(checkPointer(v.child(i), "interior node entry"));
        }
        level.swap(next);
    }
    return pages;
}

void IndexFile::freeTree(TagOrder& t, bool withHeader) {
    std::vector<uint32_t> pages;
    try {
        pages = collectPages(t);
    } catch (const FormatError&) {
        pages.clear();  // a damaged tree keeps its pages
    }
    for (uint32_t p : pages) freePage(p);
    if (withHeader) {
        freePage(t.headerOff);
        freePage(t.headerOff + kPageSize);
    }
}

namespace {

std::vector<uint8_t> directoryKey(const std::string& name, int keyLen) {
    std::vector<uint8_t> k(size_t(keyLen), ' ');
    std::memcpy(k.data(), name.data(), std::min(name.size(), k.size()));
    return k;
}

}  // namespace

IndexOrder& IndexFile::buildTag(const TagInfo& in, const std::function<void(const KeySink&)>& feed) {
    requireWritable();
    TagInfo info = normalized(in, compound_, path_);
    const uint32_t start = allocEnd_;
    uint32_t headerOff = 0, root = 0;
    try {
        if (compound_) {
            headerOff = allocEnd_;
            allocEnd_ += kHeaderSize;
        }
        root = bulkBuild(info, feed);
    } catch (...) {
        allocEnd_ = start;
        try {
            if (file_.size() > start) file_.truncate(start);
        } catch (...) {
        }
        throw;
    }
    const uint8_t opts = optionsOf(info, compound_);
    if (compound_) {
        std::vector<uint8_t> h = headerBytes(info, root, opts);
        cache_.write(headerOff, h.data());
        cache_.write(headerOff + kPageSize, h.data() + kPageSize);
        int existing = findTag(info.name);
        TagOrder* t;
        if (existing >= 0) {
            t = tags_[size_t(existing)].get();
            remove(*directory_, directoryKey(t->info_.name, directory_->keyLength()).data(), t->headerOff);
            freeTree(*t, true);
        } else {
            tags_.push_back(std::make_unique<TagOrder>(*this));
            t = tags_.back().get();
        }
        t->info_ = info;
        t->headerOff = headerOff;
        t->root = root;
        t->unposition();
        touch(*t);
        insert(*directory_, directoryKey(info.name, directory_->keyLength()).data(), headerOff);
        sortTags();
        return *t;
    }
    TagOrder& t = *tags_[0];
    freeTree(t, false);
    std::vector<uint8_t> h = headerBytes(info, root, opts);
    uint8_t old[kPageSize];
    cache_.read(0, old);
    std::memcpy(h.data() + 4, old + 4, 8);    // free list and change counter
    std::memcpy(h.data() + kStampOffset, old + kStampOffset, kStampSize);
    cache_.write(0, h.data());
    cache_.write(kPageSize, h.data() + kPageSize);
    info.name = t.info_.name;
    t.info_ = info;
    t.root = root;
    t.unposition();
    touch(t);
    return t;
}

void IndexFile::removeTag(std::string_view name) {
    requireWritable();
    if (!compound_) throw Error(path_, "Cannot remove index tag", "a single-order index has no tags to remove");
    int i = findTag(name);
    if (i < 0) throw Error(path_, "Cannot remove index tag " + std::string(name), "there is no such tag");
    TagOrder& t = *tags_[size_t(i)];
    remove(*directory_, directoryKey(t.info_.name, directory_->keyLength()).data(), t.headerOff);
    freeTree(t, true);
    touch(t);
    t.dead = true;
    removed_.push_back(std::move(tags_[size_t(i)]));
    tags_.erase(tags_.begin() + i);
}

}  // namespace addrova::store::cdx
