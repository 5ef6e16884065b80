#pragma once

#include "Error.h"
#include "Field.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>
#include <string_view>

namespace addrova::store {

enum class ValueType { Character, Numeric, Logical, Date };

// Supplies memo text to expressions that read a memo field (EMPTY(MEMO), "x" $ MEMO).
class MemoSource {
public:
    virtual ~MemoSource() = default;
    // Text of the memo field of the given record; the view stays valid until the next call.
    virtual std::string_view memoText(const uint8_t* record, const Field& field) = 0;
};

// The record an expression is evaluated on.
struct RecordContext {
    const uint8_t* record = nullptr;  // whole record, byte 0 the deletion flag
    uint32_t recno = 0;
    MemoSource* memo = nullptr;       // may be null: memo fields then read as empty
    bool exact = false;               // SET EXACT: = compares whole values when on
};

// A compile error: the 1-based position in the text and the text found there.
class ExprError : public Error {
public:
    ExprError(const std::string& expr, size_t position, std::string near, const std::string& cause)
        : Error("", "Expression error", cause + " at position " + std::to_string(position) + " near \"" + near +
                                            "\" in \"" + shortened(expr, position) + "\""),
          position_(position),
          near_(std::move(near)) {}
    size_t position() const noexcept { return position_; }
    // Long input is shown as the part around the position, with "..." where it was cut.
    static std::string shortened(const std::string& expr, size_t position) {
        constexpr size_t kShown = 80;
        if (expr.size() <= kShown) return expr;
        size_t from = position > kShown / 2 ? position - kShown / 2 : 0;
        if (from + kShown > expr.size()) from = expr.size() - kShown;
        return (from ? "..." : "") + expr.substr(from, kShown) + (from + kShown < expr.size() ? "..." : "");
    }
    const std::string& near() const noexcept { return near_; }

private:
    size_t position_;
    std::string near_;
};

// An xBase expression compiled against a record layout. Evaluation does not allocate
// (except when reading memo text); an Expression is not safe for concurrent evaluation.
class Expression {
public:
    Expression();
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    // Throws ExprError on a syntax or type error.
    static Expression compile(std::string_view text, std::span<const Field> fields);
    // The same, accepting only these aliases (and FIELD) before "->" or "." as the table's.
    static Expression compile(std::string_view text, std::span<const Field> fields,
                              const std::vector<std::string>& aliases);

    bool valid() const noexcept;
    const std::string& text() const noexcept;
    ValueType type() const noexcept;
    // Character: the longest result; Numeric/Date: 8; Logical: 1.
    size_t length() const noexcept;

    bool evalLogical(const RecordContext& ctx) const;         // type() must be Logical
    std::string_view evalString(const RecordContext& ctx) const;  // Character; view into internal buffer
    double evalNumber(const RecordContext& ctx) const;        // Numeric, or Date as a Julian day (0 empty)

    // Writes the index key of keyLen bytes: Character padded with blanks or cut; Numeric and
    // Date as the sortable double (KeyCodec.h), or the 4-byte integer form when keyLen is 4;
    // Logical as 'T' or 'F'.
    void evalKey(const RecordContext& ctx, uint8_t* out, size_t keyLen) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// SOUNDEX() of a text in a single-byte code page: four bytes, "0000" when it has no letter.
std::string soundex(std::string_view text);

}  // namespace addrova::store
