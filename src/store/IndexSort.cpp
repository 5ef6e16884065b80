#include "IndexSort.h"

#include "Error.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace addrova::store::cdx {

KeySorter::KeySorter(int keyLen, size_t memoryLimit, std::string tempBase)
    : keyLen_(size_t(keyLen)), recSize_(size_t(keyLen) + 4), tempBase_(std::move(tempBase)) {
    // Each entry costs its bytes plus its sort reference.
    maxRecords_ = std::max<size_t>(16, memoryLimit / (recSize_ + sizeof(Ref)));
}

KeySorter::~KeySorter() { removeRuns(); }

void KeySorter::removeRuns() noexcept {
    for (const std::string& r : runs_) {
        try {
            File::remove(r);
        } catch (...) {
        }
    }
    runs_.clear();
}

void KeySorter::add(const uint8_t* key, uint32_t recno) {
    if (count_ == maxRecords_) spill();
    size_t need = (count_ + 1) * recSize_;
    if (need > buf_.size()) {
        size_t grow = std::max(need, std::min(maxRecords_ * recSize_, std::max<size_t>(buf_.size() * 2, 1 << 16)));
        buf_.resize(grow);
    }
    uint8_t* p = buf_.data() + count_ * recSize_;
    std::memcpy(p, key, keyLen_);
    p[keyLen_] = static_cast<uint8_t>(recno >> 24);
    p[keyLen_ + 1] = static_cast<uint8_t>(recno >> 16);
    p[keyLen_ + 2] = static_cast<uint8_t>(recno >> 8);
    p[keyLen_ + 3] = static_cast<uint8_t>(recno);
    ++count_;
}

void KeySorter::sortRefs() {
    refs_.resize(count_);
    const size_t head = std::min<size_t>(8, recSize_);
    for (size_t i = 0; i < count_; ++i) {
        const uint8_t* p = buf_.data() + i * recSize_;
        uint64_t v = 0;
        for (size_t b = 0; b < 8; ++b) v = (v << 8) | (b < head ? p[b] : 0);
        refs_[i] = {v, uint32_t(i), 0};
    }
    const uint8_t* base = buf_.data();
    const size_t rs = recSize_;
    std::sort(refs_.begin(), refs_.end(), [base, rs, head](const Ref& a, const Ref& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (rs <= head) return false;
        return std::memcmp(base + size_t(a.index) * rs + head, base + size_t(b.index) * rs + head, rs - head) < 0;
    });
}

void KeySorter::spill() {
    if (count_ == 0) return;
    sortRefs();
    std::string path = tempBase_ + ".sort" + std::to_string(::getpid()) + "-" + std::to_string(runs_.size()) + ".tmp";
    runs_.push_back(path);
    File out(path, File::Mode::CreateTruncate);
    std::vector<uint8_t> chunk;
    chunk.reserve(std::max<size_t>(recSize_, 1 << 20));
    uint64_t off = 0;
    for (size_t i = 0; i < count_; ++i) {
        const uint8_t* p = buf_.data() + size_t(refs_[i].index) * recSize_;
        chunk.insert(chunk.end(), p, p + recSize_);
        if (chunk.size() + recSize_ > chunk.capacity()) {
            out.writeAt(chunk.data(), chunk.size(), off);
            off += chunk.size();
            chunk.clear();
        }
    }
    if (!chunk.empty()) out.writeAt(chunk.data(), chunk.size(), off);
    count_ = 0;
}

void KeySorter::drain(const std::function<void(const uint8_t*)>& fn) {
    std::vector<uint8_t> last(recSize_);
    bool haveLast = false;
    auto emit = [&](const uint8_t* p) {
        if (haveLast && std::memcmp(last.data(), p, recSize_) == 0) return;
        std::memcpy(last.data(), p, recSize_);
        haveLast = true;
        fn(p);
    };
    if (runs_.empty()) {
        sortRefs();
        for (size_t i = 0; i < count_; ++i) emit(buf_.data() + size_t(refs_[i].index) * recSize_);
        count_ = 0;
        return;
    }
    spill();
    std::vector<uint8_t>().swap(buf_);
    std::vector<Ref>().swap(refs_);

    struct Run {
        File file;
        uint64_t size = 0, pos = 0;
        std::vector<uint8_t> buf;
        size_t at = 0, len = 0;
    };
    const size_t perRun = std::max<size_t>(16, maxRecords_ * (recSize_ + sizeof(Ref)) / 2 / runs_.size() / recSize_);
    std::vector<std::unique_ptr<Run>> runs;
    for (const std::string& path : runs_) {
        auto r = std::make_unique<Run>();
        r->file.open(path, File::Mode::Read);
        r->size = r->file.size();
        r->buf.resize(perRun * recSize_);
        runs.push_back(std::move(r));
    }
    auto refill = [&](Run& r) {
        if (r.at < r.len) return true;
        if (r.pos >= r.size) return false;
        size_t want = size_t(std::min<uint64_t>(r.buf.size(), r.size - r.pos));
        r.file.readExact(r.buf.data(), want, r.pos, "sort run");
        r.pos += want;
        r.at = 0;
        r.len = want;
        return true;
    };
    const size_t rs = recSize_;
    auto later = [&](int a, int b) {
        return std::memcmp(runs[size_t(a)]->buf.data() + runs[size_t(a)]->at,
                           runs[size_t(b)]->buf.data() + runs[size_t(b)]->at, rs) > 0;
    };
    std::vector<int> heap;
    for (size_t i = 0; i < runs.size(); ++i)
        if (refill(*runs[i])) heap.push_back(int(i));
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Run& r = *runs[size_t(heap.back())];
        emit(r.buf.data() + r.at);
        r.at += rs;
        if (refill(r))
            std::push_heap(heap.begin(), heap.end(), later);
        else
            heap.pop_back();
    }
    runs.clear();
    removeRuns();
}

}  // namespace addrova::store::cdx
