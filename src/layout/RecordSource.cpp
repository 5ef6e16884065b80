#include "RecordSource.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "Table.h"

namespace addrova::layout {

int RecordSource::fieldByName(const QString& name) const {
    auto fs = fields();
    for (size_t i = 0; i < fs.size(); ++i)
        if (fs[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

int RecordSource::fieldByLabel(const QString& label) const {
    auto fs = fields();
    int found = -1;
    for (size_t i = 0; i < fs.size(); ++i)
        if (fs[i].label == label) found = static_cast<int>(i);
    return found;
}

namespace {

// Composed fields carry negative codes in the field list's mapping.
enum Composed { cTagged = -1, cFullName = -2, cFullNameWithPrefix = -3, cCityStateZip = -4, cDisplayDate = -5 };

std::vector<int> mapping(const store::Table& t) {
    std::vector<int> m = {cTagged, cFullName, cFullNameWithPrefix, cCityStateZip};
    const auto& fs = t.fields();
    for (size_t i = 0; i < fs.size(); ++i) {
        m.push_back(static_cast<int>(i));
        if (store::sameName(fs[i].name, "DATE")) m.push_back(cDisplayDate);
    }
    return m;
}

const char* composedName(int code) {
    switch (code) {
    case cTagged: return "Tagged";
    case cFullName: return "FullName";
    case cFullNameWithPrefix: return "FullNameWithPrefix";
    case cCityStateZip: return "CityStateZip";
    default: return "DisplayDate";
    }
}

}  // namespace

TableRecordSource::TableRecordSource(store::Table& table, std::string tagId, std::string shortDateFormat,
                                     bool printingFields)
    : table_(table), tagId_(std::move(tagId)), shortDate_(std::move(shortDateFormat)), printingFields_(printingFields) {}

bool TableRecordSource::isOpen() const { return table_.isOpen(); }

void TableRecordSource::refreshLayout() const {
    if (!table_.isOpen()) {
        layoutOf_.clear();
        mapping_.clear();
        fields_.clear();
        return;
    }
    if (layoutOf_ == table_.path() && layoutFieldCount_ == table_.fields().size()) return;
    layoutOf_ = table_.path();
    layoutFieldCount_ = table_.fields().size();
    mapping_ = mapping(table_);
    fields_.clear();
    for (int code : mapping_) {
        RecordField f;
        if (code < 0) {
            f.name = QLatin1String(composedName(code));
            f.label = QString::fromStdString(store::displayLabel(composedName(code)));
            f.isString = code != cTagged;
            f.visible = code == cTagged || code == cDisplayDate || printingFields_;
        } else {
            const auto& sf = table_.fields()[static_cast<size_t>(code)];
            f.name = QString::fromStdString(sf.name);
            std::string label = store::displayLabel(sf.name);
            f.label = QString::fromStdString(label.empty() ? sf.name : label);
            f.isString = sf.type == 'C';
            f.isMemo = sf.isMemo();
            for (const char* hidden : {"MEMO", "ISDEL", "DATE", "TAG"})
                if (store::sameName(sf.name, hidden)) f.visible = false;
        }
        fields_.push_back(f);
    }
}

std::vector<RecordField> TableRecordSource::fields() const {
    refreshLayout();
    return fields_;
}

QString TableRecordSource::text(int i) const {
    refreshLayout();
    const auto& m = mapping_;
    if (i < 0 || static_cast<size_t>(i) >= m.size()) return {};
    int code = m[static_cast<size_t>(i)];
    int cp = table_.codePage();
    auto conv = [cp](const std::string& s) { return QString::fromStdString(store::toUtf8(s, cp)); };
    if (table_.eof() || table_.recCount() == 0) return {};
    if (code >= 0) {
        const auto& sf = table_.fields()[static_cast<size_t>(code)];
        if (sf.type == 'L') return table_.getLogical(code) ? QStringLiteral("True") : QStringLiteral("False");
        if (sf.isMemo()) return {};
        return conv(table_.getString(code));
    }
    store::ComposedFields c = store::composeFields(table_, tagId_, shortDate_, printingFields_);
    switch (code) {
    case cTagged: return c.tagged ? QStringLiteral("True") : QStringLiteral("False");
    case cFullName: return conv(c.fullName);
    case cFullNameWithPrefix: return conv(c.fullNameWithPrefix);
    case cCityStateZip: return conv(c.cityStateZip);
    default: return conv(c.displayDate);
    }
}

bool TableRecordSource::memoEmpty(int i) const {
    refreshLayout();
    const auto& m = mapping_;
    if (i < 0 || static_cast<size_t>(i) >= m.size() || m[static_cast<size_t>(i)] < 0) return true;
    if (table_.eof() || table_.recCount() == 0) return true;
    return table_.memoEmpty(m[static_cast<size_t>(i)]);
}

QString TableRecordSource::memoText(int i) const {
    refreshLayout();
    const auto& m = mapping_;
    if (i < 0 || static_cast<size_t>(i) >= m.size() || m[static_cast<size_t>(i)] < 0) return {};
    if (table_.eof() || table_.recCount() == 0) return {};
    return QString::fromStdString(store::toUtf8(table_.getMemo(m[static_cast<size_t>(i)]), table_.codePage()));
}

}  // namespace addrova::layout
