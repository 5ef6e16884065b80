// Expression compiler and evaluator on arbitrary text.
// Input: the expression, optionally followed by a NUL byte and raw record bytes that replace
// the start of a fixed record (so field parsing sees arbitrary data too).

#include "Expr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

using namespace addrova::store;
using namespace std::string_view_literals;

namespace {

struct Layout {
    std::vector<Field> fields;
    std::vector<uint8_t> record;

    Layout() {
        struct Def {
            const char* name;
            char type;
            uint16_t width;
            int nullBit;
            std::string_view value;
        };
        static const Def defs[] = {
            {"LNAME", 'C', 12, -1, "Smith"sv},
            {"FNAME", 'C', 10, -1, "\xe9lise"sv},
            {"AMOUNT", 'N', 10, -1, "  -1234.56"sv},
            {"QTY", 'I', 4, -1, "\x07\x00\x00\x80"sv},
            {"PRICE", 'B', 8, -1, "\x00\x00\x00\x00\x00\x00\x04\x40"sv},
            {"BAL", 'Y', 8, 0, "\x40\xe2\x01\x00\x00\x00\x00\x00"sv},
            {"ISDEL", 'L', 1, -1, "T"sv},
            {"BIRTH", 'D', 8, -1, "19991231"sv},
            {"STAMP", 'T', 8, -1, "\x8c\x86\x25\x00\x10\x27\x00\x00"sv},
            {"NOTES", 'M', 4, -1, ""sv},
            {"NICK", 'C', 6, 1, "Bob"sv},
            {"CODE", 'V', 5, -1, "AB"sv},
            {"EMPTYC", 'C', 0, -1, ""sv},
            {"_NullFlags", '0', 1, -1, "\x06"sv},
        };
        uint32_t off = 1;
        record.assign(1, ' ');
        for (const Def& d : defs) {
            Field f;
            f.name = d.name;
            f.type = d.type;
            f.width = d.width;
            f.offset = off;
            f.nullBit = d.nullBit;
            if (f.type == 'V') f.varBit = 2;
            fields.push_back(f);
            // Text is padded with blanks, binary values with zeros.
            bool text = d.type == 'C' || d.type == 'V' || d.type == 'N' || d.type == 'D' || d.type == 'L';
            std::string v(d.width, text ? ' ' : '\0');
            v.replace(0, std::min(d.value.size(), v.size()), d.value.substr(0, v.size()));
            record.insert(record.end(), v.begin(), v.end());
            off += d.width;
        }
    }
};

class Memo : public MemoSource {
  public:
    std::string_view memoText(const uint8_t*, const Field&) override { return "Memo text, with CATS\r\n  "; }
};

[[noreturn]] void broken(const char* what) {
    (void)what;
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Layout layout;
    static Memo memo;

    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t split = input.find('\0');
    std::string_view text = input.substr(0, split);

    Expression e;
    try {
        e = Expression::compile(text, layout.fields);
    } catch (const ExprError&) {
        return 0;
    }
    if (!e.valid()) broken("compiled expression is not valid");

    std::vector<uint8_t> record = layout.record;
    if (split != std::string_view::npos) {
        std::string_view raw = input.substr(split + 1);
        std::memcpy(record.data(), raw.data(), std::min(raw.size(), record.size()));
    }

    RecordContext ctx;
    ctx.record = record.data();
    ctx.recno = 3;
    ctx.memo = &memo;
    const size_t len = e.length();
    for (int exact = 0; exact < 2; ++exact) {
        ctx.exact = exact != 0;
        switch (e.type()) {
            case ValueType::Logical:
                (void)e.evalLogical(ctx);
                break;
            case ValueType::Numeric:
            case ValueType::Date:
                (void)e.evalNumber(ctx);
                break;
            case ValueType::Character: {
                std::string full(e.evalString(ctx));
                if (full.size() > len) broken("result longer than length()");
                // A key of any length is the value cut or padded with blanks.
                const size_t lens[] = {0, 1, 3, len / 2, len, len + 2};
                for (size_t k : lens) {
                    std::vector<uint8_t> key(k + 1, 0xA5);
                    e.evalKey(ctx, key.data(), k);
                    if (key[k] != 0xA5) broken("key written past its length");
                    for (size_t i = 0; i < k; ++i) {
                        uint8_t want = i < full.size() ? uint8_t(full[i]) : uint8_t(' ');
                        if (key[i] != want) broken("key differs from the value");
                    }
                }
                break;
            }
        }
        uint8_t key[16];
        std::memset(key, 0xA5, sizeof key);
        e.evalKey(ctx, key, 4);
        e.evalKey(ctx, key, 8);
        if (key[8] != 0xA5) broken("key written past its length");
    }
    return 0;
}
