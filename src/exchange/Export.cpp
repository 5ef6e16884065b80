#include "Export.h"

#include "CodePage.h"
#include "Error.h"
#include "File.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace addrova::exchange {

using namespace addrova::store;

const std::array<const char*, 20>& TextExportFields()
{
    static const std::array<const char*, 20> f = {"PREFIX", "FNAME", "MIDDLE", "LNAME",  "TITLE", "ORG",   "STREET",
                                                  "STREET2", "CITY", "STATE",  "ZIP",    "COUNTRY", "PHONE", "PHONE2",
                                                  "EMAIL",  "FAX",   "DATE",   "USER1",  "USER2", "CODES"};
    return f;
}

std::string CheckExportTarget(const std::string& path, ExportKind kind, const std::string& openPath)
{
    if (kind == ExportKind::Dbf && (path.size() < 4 || Upper(path.substr(path.size() - 4)) != ".DBF"))
        return "Must have a .DBF extension";
    if (!openPath.empty() && SamePath(path, openPath))
        return "Cannot copy a file to itself!";
    return {};
}

std::string OverwriteQuestion(const std::string& path)
{
    return path + " already exists.\r\nDo you want to overwrite it?";
}

namespace {

// The 20 fields of a text line, looked up once; values are read from the record buffer.
class TextLine {
public:
    explicit TextLine(const Table& table) : table_(table)
    {
        for (const char* name : TextExportFields()) {
            const int f = table.fieldIndex(name);
            fields_.push_back(f < 0 ? nullptr : &table.fields()[size_t(f)]);
            index_.push_back(f);
        }
    }

    void append(std::string& line, const TextExportOptions& options) const
    {
        const uint8_t* rec = table_.recordBuffer();
        for (size_t i = 0; i < fields_.size(); ++i) {
            if (i)
                line += ',';
            line += '"';
            const Field* f = fields_[i];
            std::string owned;
            std::string_view v;
            if (f && f->type == 'C') {
                v = fieldio::raw(rec, *f);
                while (!v.empty() && (v.back() == ' ' || v.back() == '\0'))
                    v.remove_suffix(1);
            } else if (f) {
                owned = table_.getString(index_[i]);
                v = owned;
            }
            if (options.rfc4180) {
                if (!IsAscii(v)) {
                    owned = toUtf8(v, table_.codePage());
                    v = owned;
                }
                for (char c : v) {
                    if (c == '"')
                        line += '"';
                    line += c;
                }
            } else {
                line += v;
            }
            line += '"';
        }
    }

private:
    const Table& table_;
    std::vector<const Field*> fields_;
    std::vector<int> index_;
};

}  // namespace

std::string TextExportLine(const Table& table, const TextExportOptions& options)
{
    std::string line;
    TextLine(table).append(line, options);
    return line;
}

namespace {

template <typename Body>
LoopSummary exportLoop(Table& table, const LoopHooks& hooks, Body body)
{
    LoopSummary s;
    const uint32_t total = table.countSelected();
    for (bool ok = table.goTop(); ok && !table.eof() && s.written < total;) {
        ++s.read;
        body(s);
        ++s.written;
        if (hooks.gauge)
            hooks.gauge(static_cast<int>(uint64_t(s.written) * 100 / std::max<uint32_t>(total, 1)));
        if (hooks.stopRequested && hooks.stopRequested()) {
            s.end = LoopEnd::Cancelled;
            break;
        }
        ok = table.skip(1);
    }
    return s;
}

}  // namespace

LoopSummary CopyDBF(Table& table, const std::string& target, const LoopHooks& hooks)
{
    LoopSummary s;
    // A stale index of an earlier file of that name, in either letter case.
    const std::string stem = target.substr(0, target.size() >= 3 ? target.size() - 3 : 0);
    File::remove(stem + "CDX");
    File::remove(stem + "cdx");
    if (hooks.status)
        hooks.status("Copying to " + target);
    Table out;
    try {
        table.copyStructure(target);
        out.open(target, OpenMode::Exclusive);
        static const char* const copied[] = {"PREFIX", "FNAME", "MIDDLE",  "LNAME", "TITLE", "ORG",   "STREET",
                                             "STREET2", "CITY", "STATE",   "ZIP",   "COUNTRY", "PHONE", "PHONE2",
                                             "EMAIL",  "FAX",   "DATE",    "CODES", "USER1", "USER2"};
        std::vector<std::pair<int, int>> pairs;
        for (const char* n : copied)
            if (table.fieldIndex(n) >= 0 && out.fieldIndex(n) >= 0)
                pairs.emplace_back(table.fieldIndex(n), out.fieldIndex(n));
        const int memoIn = table.fieldIndex("MEMO"), memoOut = out.fieldIndex("MEMO");
        out.beginBatch();
        s = exportLoop(table, hooks, [&](LoopSummary&) {
            out.appendBlank();
            for (auto [from, to] : pairs)
                out.setString(to, table.getString(from));
            if (memoIn >= 0 && memoOut >= 0) {
                const std::string m = MemoForStorage(table.getMemo(memoIn));
                if (!m.empty())
                    out.setMemo(memoOut, m);
            }
            out.post();
        });
        out.endBatch();
        out.close();
    } catch (const std::exception& e) {
        s.end = LoopEnd::Error;
        s.detail = e.what();
        try {
            out.close();
        } catch (const std::exception&) {
        }
    }
    return s;
}

LoopSummary CopyASCII(Table& table, const std::string& target, const TextExportOptions& options,
                      const LoopHooks& hooks)
{
    LoopSummary s;
    std::FILE* f = std::fopen(target.c_str(), "wb");
    if (!f) {
        s.end = LoopEnd::WriteFailure;
        s.detail = "cannot create " + target;
        return s;
    }
    std::vector<char> buffer(1 << 16);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    if (hooks.status)
        hooks.status("Copying to " + target);
    bool failed = false;
    auto write = [&](const std::string& text) {
        if (std::fwrite(text.data(), 1, text.size(), f) != text.size())
            failed = true;
    };
    try {
        if (options.rfc4180) {
            std::string title = "\xEF\xBB\xBF";
            for (const char* n : TextExportFields())
                title += std::string(title.size() > 3 ? "," : "") + n;
            write(title + "\r\n");
        }
        std::string line;
        const TextLine format(table);
        s = exportLoop(table, hooks, [&](LoopSummary&) {
            line.clear();
            format.append(line, options);
            line += "\r\n";
            write(line);
            if (failed)
                throw Error(target, "Cannot write", "the disk may be full");
        });
    } catch (const std::exception& e) {
        s.end = LoopEnd::Error;
        s.detail = e.what();
    }
    if (std::fclose(f) != 0 && s.end == LoopEnd::Complete) {
        s.end = LoopEnd::WriteFailure;
        s.detail = "cannot write " + target;
    }
    return s;
}

}  // namespace addrova::exchange
