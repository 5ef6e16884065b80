#include "Index.h"
#include "IndexFile.h"

namespace addrova::store {

// Orders are read only unless they say otherwise.
void IndexOrder::insert(std::span<const uint8_t>, uint32_t) {
    throw Error(std::string(), "Cannot add to index order " + info().name, "the order is read only");
}

bool IndexOrder::remove(std::span<const uint8_t>, uint32_t) {
    throw Error(std::string(), "Cannot remove from index order " + info().name, "the order is read only");
}

struct CompactIndex::Impl {
    cdx::IndexFile file;
};

CompactIndex::CompactIndex() : impl_(std::make_unique<Impl>()) {}

CompactIndex::~CompactIndex() {
    try {
        impl_->file.close();
    } catch (...) {
    }
}

void CompactIndex::createCompound(const std::string& path) { cdx::IndexFile::createCompound(path); }
void CompactIndex::createSingle(const std::string& path, const TagInfo& info) {
    cdx::IndexFile::createSingle(path, info);
}

void CompactIndex::open(const std::string& path, bool writable) { impl_->file.open(path, writable); }
void CompactIndex::close() { impl_->file.close(); }
void CompactIndex::flush() { impl_->file.flush(); }
bool CompactIndex::isOpen() const { return impl_->file.isOpen(); }
bool CompactIndex::compound() const { return impl_->file.compound(); }
const std::string& CompactIndex::path() const { return impl_->file.path(); }
size_t CompactIndex::tagCount() const { return impl_->file.tagCount(); }
IndexOrder& CompactIndex::tag(size_t i) { return impl_->file.tag(i); }
int CompactIndex::findTag(std::string_view name) const { return impl_->file.findTag(name); }

IndexOrder& CompactIndex::buildTag(const TagInfo& info, const std::function<void(const KeySink&)>& feed) {
    return impl_->file.buildTag(info, feed);
}

void CompactIndex::removeTag(std::string_view name) { impl_->file.removeTag(name); }
CompactIndex::Stamp CompactIndex::stamp() const { return impl_->file.stamp(); }
void CompactIndex::setStamp(const Stamp& s) { impl_->file.setStamp(s); }

CompactIndex::TagDefinitions CompactIndex::readTagDefinitions(const std::string& path) {
    cdx::IndexFile file;
    TagDefinitions defs;
    defs.unreadable = file.openDefinitions(path);
    for (size_t i = 0; i < file.tagCount(); ++i) defs.tags.push_back(file.tag(i).info());
    defs.stamp = file.stamp();
    file.close();
    return defs;
}
void CompactIndex::setPadByte(size_t i, uint8_t pad) { impl_->file.setPadByte(i, pad); }
void CompactIndex::setSortMemory(size_t bytes) { impl_->file.setSortMemory(bytes); }

uint64_t CompactIndex::verifyTag(size_t i, uint32_t* maxRecno) { return impl_->file.verifyTag(i, maxRecno); }

}  // namespace addrova::store
