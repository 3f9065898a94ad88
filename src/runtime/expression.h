// Filter expressions: a text is parsed once into a tree whose names are bound to their
// sources (record fields, variables), then evaluated against the sources' current values
// as often as needed (a view evaluates its filter on every record it reads).
//
// Syntax (keywords, function names and names in any letter case; blanks are free):
//   or       := and { OR and }
//   and      := not { AND not }
//   not      := NOT not | compare
//   compare  := sum { ( = | <> | < | > | <= | >= ) sum }       left to right
//   sum      := product { ( + | - ) product }
//   product  := unary { ( * | / ) unary }
//   unary    := ( - | + ) unary | primary
//   primary  := number | text | name | function ( [or {, or}] ) | ( or )
//   number   := digits [ . digits ]           text := '...' with '' for a quote inside
//   name     := letter or _, then letters, digits, _ and :    ("zal:data_k", "d_prr")
// Functions: today() (today's day number), clip(s) (trailing blanks removed),
// lower(s), upper(s) (CP1251 case mapping, Cyrillic included),
// instring(sub, s, step[, start]): the 1-based position of the first occurrence of sub
// in s, trying the positions start, start+step, ... (start defaults to 1, below 1 counts
// as 1); 0 when there is none, when sub is empty or when step is below 1.
//
// Values are numbers (double) or CP1251 texts. Dates are day numbers, so a zero date is
// far in the past. Arithmetic takes a text as the number it spells (0 when it spells
// none); x / 0 gives 0. A comparison gives 1 or 0: two numbers compare as REALs
// (real::equal decides equality); two texts compare byte by byte as if the shorter were
// padded with blanks, so trailing blanks never matter; a text and a number compare as
// numbers when the text spells a number, otherwise as texts (the number in its plain
// form). AND and OR stop as soon as the result is known; a value is true when it is a
// non-zero number or a text that is not blank.
//
// A text that does not parse gives an expression that is not ok(): error() says what and
// where, and evaluating it gives 0 (false). Parsing never fails in any other way: nesting
// (parentheses, function arguments, unary operators) is limited to kMaxNesting levels
// and the tree to kMaxDepth levels, so no text can exhaust the stack.
//
// An Expression keeps scratch values for its evaluation: one object must not be
// evaluated by two threads at once. Field sources read the calling thread's record
// buffers, so an expression over THREAD tables is evaluated on the thread whose records
// it should see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/binding.h"

namespace kw::expr {

using ui::Value;
using ui::ValueType;

inline constexpr int kMaxNesting = 64;
inline constexpr int kMaxDepth = 256;

// Where a name's value comes from.
class Source {
  public:
    // Returns the calling thread's record (the field's offset is added to it); nullptr
    // when there is none, which reads as an empty value.
    using RecordFn = std::function<const void*()>;

    Source() = default;
    // A variable (or anything a Binding reaches).
    static Source variable(ui::Binding binding);
    // A field of a record: `size` bytes at `offset`, stored as `type`. `tag` marks the
    // fields of a view's own table (its field number); 0 for everything else.
    static Source field(RecordFn record, std::size_t offset, ValueType type, std::size_t size,
                        int places = 0, int tag = 0);
    // A value computed on every read.
    static Source computed(std::function<Value()> get);

    bool valid() const { return kind_ != Kind::None; }
    int tag() const { return tag_; }
    Value get() const;

    // Reads the current value into the parts of a value without allocating when the
    // text fits the capacity already there. False when nothing is there (reads as 0).
    bool read(bool& isText, double& number, std::string& text) const;

  private:
    enum class Kind : uint8_t { None, Variable, Field, Computed };
    Kind kind_ = Kind::None;
    ui::Binding binding_;
    RecordFn record_;
    std::function<Value()> computed_;
    std::size_t offset_ = 0;
    std::size_t size_ = 0;
    ValueType type_ = ValueType::None;
    int places_ = 0;
    int tag_ = 0;
};

// Binds the names of an expression text to their sources.
class Resolver {
  public:
    virtual ~Resolver() = default;
    // The source of `name` as written in the text (any letter case). False when this
    // resolver does not know the name.
    virtual bool resolve(std::string_view name, Source& out) const = 0;
};

// Variables by name: the program registers its globals here ("D1", "SP_IND", ...) so
// that expressions can name them. Names compare without regard to letter case; a name
// bound again replaces its source. Safe to use from several threads.
class Variables : public Resolver {
  public:
    void bind(std::string_view name, ui::Binding binding);
    void bind(std::string_view name, std::function<Value()> get);
    void unbind(std::string_view name);
    bool resolve(std::string_view name, Source& out) const override;

  private:
    void put(std::string_view name, Source s);  // binds or binds again

    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, Source>> names_;  // upper-case name, source
};

// The program's variables: shared by every thread, filled at start-up.
Variables& globals();

// Asks several resolvers in turn; the first that knows a name binds it. The resolvers
// must outlive this object (parsing is the only use).
class Resolvers : public Resolver {
  public:
    Resolvers() = default;
    Resolvers(std::initializer_list<const Resolver*> list);
    void add(const Resolver* r);
    bool resolve(std::string_view name, Source& out) const override;

  private:
    std::vector<const Resolver*> list_;
};

enum class Compare : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

class Expression {
  public:
    // An empty expression: not ok(), evaluates to 0.
    Expression();
    ~Expression();
    Expression(const Expression&);
    Expression& operator=(const Expression&);
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    static Expression parse(std::string_view text, const Resolver& names);

    bool ok() const;
    // What is wrong with the text, with the position (1-based) where it was found:
    // "unknown name 'zal:foo' at 2". Empty when ok().
    const std::string& error() const;
    int errorPosition() const;  // 0 when ok()
    const std::string& text() const;

    // The value for the sources' current values (0 when not ok()).
    Value evaluate() const;
    // The value taken as a condition.
    bool test() const;

    // A condition that the whole expression requires (one operand of the AND chain at
    // its top, parentheses looked through): a tagged field (or upper() of one) compared
    // with a value that names no tagged field. The operator is turned round when the
    // field stands on the right. A view narrows its key range with these.
    struct Condition {
        int tag = 0;
        Compare op = Compare::Eq;
        bool upper = false;  // upper(field) op value
        int value = -1;      // the value's node
    };
    std::vector<Condition> conditions() const;
    // The current value of a condition's value side.
    Value evaluate(const Condition& c) const;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// A value taken as a condition: a non-zero number, or a text that is not blank.
bool truth(const Value& v);
// Compares two values as the evaluator does: <0, 0 or >0.
int compare(const Value& a, const Value& b);

}  // namespace kw::expr
