// Evaluation of filter expressions, their value rules and functions, and the sources
// that names are bound to.
#include "runtime/expression.h"

#include <charconv>
#include <cmath>

#include "runtime/clock.h"
#include "runtime/codepage.h"
#include "runtime/expression_impl.h"
#include "runtime/real.h"
#include "runtime/unaligned.h"

namespace kw::expr {

namespace {

using unaligned::load;

// Packed BCD: 2*size-1 digits, sign in the last nibble; bad digits read as 0.
double loadDecimal(const unsigned char* b, std::size_t size, int places) {
    double v = 0;
    const std::size_t digits = 2 * size - 1;
    for (std::size_t i = 0; i < digits; ++i) {
        const unsigned d = i % 2 == 0 ? b[i / 2] >> 4 : b[i / 2] & 0x0Fu;
        if (d > 9) return 0;
        v = v * 10 + d;
    }
    v /= std::pow(10.0, places);
    const unsigned s = b[size - 1] & 0x0Fu;
    return s == 0xD || s == 0xB ? -v : v;
}

std::string_view clipped(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// The number a text spells (blanks around it allowed), or false.
bool spelledNumber(std::string_view s, double& out) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    s = clipped(s);
    if (s.empty()) return false;
    if (s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

int compareNumbers(double a, double b) {
    if (real::equal(a, b)) return 0;
    return a < b ? -1 : 1;
}

// Byte order, the shorter text taken as padded with blanks.
int compareTexts(std::string_view a, std::string_view b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

Cell toCell(const Value& v) {
    Cell c;
    c.isText = v.isText;
    c.number = v.number;
    c.text = v.text;
    return c;
}

Value toValue(const Cell& c) {
    return c.isText ? Value(c.text) : Value(c.number);
}

}  // namespace

// ---------------------------------------------------------------- value rules

double numberOf(const Cell& c) {
    if (!c.isText) return c.number;
    double v = 0;
    return spelledNumber(c.text, v) ? v : 0;
}

void textOf(const Cell& c, std::string& out) {
    if (c.isText) {
        if (&out != &c.text) out.assign(c.text);
        return;
    }
    out = Value(c.number).asText();
}

bool truthOf(const Cell& c) {
    if (!c.isText) return !real::isZero(c.number) && !std::isnan(c.number);
    return !clipped(c.text).empty();
}

int compareCells(const Cell& a, const Cell& b) {
    if (!a.isText && !b.isText) return compareNumbers(a.number, b.number);
    if (a.isText && b.isText) return compareTexts(a.text, b.text);
    const Cell& t = a.isText ? a : b;
    const Cell& n = a.isText ? b : a;
    double v = 0;
    int r;
    if (spelledNumber(t.text, v)) {
        r = compareNumbers(v, n.number);
    } else {
        r = compareTexts(t.text, Value(n.number).asText());
    }
    return a.isText ? r : -r;
}

bool truth(const Value& v) {
    return truthOf(toCell(v));
}
int compare(const Value& a, const Value& b) {
    return compareCells(toCell(a), toCell(b));
}

// ---------------------------------------------------------------- sources

Source Source::variable(ui::Binding binding) {
    Source s;
    s.kind_ = binding.bound() ? Kind::Variable : Kind::None;
    s.binding_ = std::move(binding);
    return s;
}

Source Source::field(RecordFn record, std::size_t offset, ValueType type, std::size_t size,
                     int places, int tag) {
    Source s;
    s.kind_ = record && size > 0 ? Kind::Field : Kind::None;
    s.record_ = std::move(record);
    s.offset_ = offset;
    s.type_ = type;
    s.size_ = size;
    s.places_ = places;
    s.tag_ = tag;
    return s;
}

Source Source::computed(std::function<Value()> get) {
    Source s;
    s.kind_ = get ? Kind::Computed : Kind::None;
    s.computed_ = std::move(get);
    return s;
}

Value Source::get() const {
    Cell c;
    read(c.isText, c.number, c.text);
    return toValue(c);
}

bool Source::read(bool& isText, double& number, std::string& text) const {
    isText = false;
    number = 0;
    switch (kind_) {
        case Kind::None:
            return false;
        case Kind::Variable: {
            const Value v = binding_.get();
            isText = v.isText;
            number = v.number;
            if (isText) text.assign(v.text);
            return true;
        }
        case Kind::Computed: {
            const Value v = computed_();
            isText = v.isText;
            number = v.number;
            if (isText) text.assign(v.text);
            return true;
        }
        case Kind::Field:
            break;
    }
    const void* base = record_();
    if (!base) return false;
    const auto* p = static_cast<const unsigned char*>(base) + offset_;
    const std::size_t n = size_;
    switch (type_) {
        case ValueType::Byte:
            number = p[0];
            return true;
        case ValueType::Short:
            number = n >= 2 ? load<int16_t>(p) : 0;
            return true;
        case ValueType::UShort:
            number = n >= 2 ? load<uint16_t>(p) : 0;
            return true;
        case ValueType::Date:
        case ValueType::Time:
        case ValueType::Long:
            number = n >= 4 ? load<int32_t>(p) : 0;
            return true;
        case ValueType::ULong:
            number = n >= 4 ? load<uint32_t>(p) : 0;
            return true;
        case ValueType::SReal:
            number = n >= 4 ? load<float>(p) : 0;
            return true;
        case ValueType::Real:
            number = n >= 8 ? load<double>(p) : 0;
            return true;
        case ValueType::Decimal:
        case ValueType::PDecimal:
            number = n <= 8 ? loadDecimal(p, n, places_) : 0;
            return true;
        case ValueType::String:
            isText = true;
            text.assign(reinterpret_cast<const char*>(p), n);
            return true;
        case ValueType::CString:
            isText = true;
            text.assign(reinterpret_cast<const char*>(p),
                        strnlen(reinterpret_cast<const char*>(p), n));
            return true;
        case ValueType::PString:
            isText = true;
            text.assign(reinterpret_cast<const char*>(p) + 1, p[0] < n ? p[0] : n - 1);
            return true;
        case ValueType::None:
            break;
    }
    return false;
}

// ---------------------------------------------------------------- names

namespace {
std::string upperName(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}
}  // namespace

void Variables::bind(std::string_view name, ui::Binding binding) {
    put(name, Source::variable(std::move(binding)));
}

void Variables::bind(std::string_view name, std::function<Value()> get) {
    put(name, Source::computed(std::move(get)));
}

void Variables::put(std::string_view name, Source s) {
    const std::string key = upperName(name);
    std::lock_guard<std::mutex> g(mutex_);
    for (auto& [n, src] : names_)
        if (n == key) {
            src = std::move(s);
            return;
        }
    names_.emplace_back(key, std::move(s));
}

void Variables::unbind(std::string_view name) {
    const std::string key = upperName(name);
    std::lock_guard<std::mutex> g(mutex_);
    std::erase_if(names_, [&](const auto& e) { return e.first == key; });
}

bool Variables::resolve(std::string_view name, Source& out) const {
    const std::string key = upperName(name);
    std::lock_guard<std::mutex> g(mutex_);
    for (const auto& [n, src] : names_)
        if (n == key) {
            out = src;
            return out.valid();
        }
    return false;
}

Variables& globals() {
    static Variables v;
    return v;
}

Resolvers::Resolvers(std::initializer_list<const Resolver*> list) {
    for (const Resolver* r : list) add(r);
}

void Resolvers::add(const Resolver* r) {
    if (r) list_.push_back(r);
}

bool Resolvers::resolve(std::string_view name, Source& out) const {
    for (const Resolver* r : list_)
        if (r->resolve(name, out)) return true;
    return false;
}

// ---------------------------------------------------------------- evaluation

namespace {

// instring(sub, s, step, start): see expression.h.
double inString(std::string_view sub, std::string_view s, double step, double start) {
    if (sub.empty() || !(step >= 1) || std::isnan(start)) return 0;
    if (start < 1) start = 1;
    if (start > static_cast<double>(s.size())) return 0;
    const std::size_t st =
        step > static_cast<double>(s.size()) ? s.size() + 1 : static_cast<std::size_t>(step);
    if (st ==
        1) {  // every position: the library's search (a list filter runs this on every record)
        const std::size_t at = s.find(sub, static_cast<std::size_t>(start) - 1);
        return at == std::string_view::npos ? 0 : static_cast<double>(at + 1);
    }
    for (auto i = static_cast<std::size_t>(start) - 1; i + sub.size() <= s.size(); i += st)
        if (s.compare(i, sub.size(), sub) == 0) return static_cast<double>(i + 1);
    return 0;
}

}  // namespace

const Cell& Expression::Impl::eval(int id) const {
    const Node& n = nodes[static_cast<std::size_t>(id)];
    Cell& out = cells[static_cast<std::size_t>(id)];
    return n.kind == Node::Kind::Call ? evalCall(n, out) : evalOperator(n, out);
}

// Names, constants and operators.
const Cell& Expression::Impl::evalOperator(const Node& n, Cell& out) const {
    using K = Node::Kind;
    switch (n.kind) {
        case K::Number:
        case K::Text:
            return out;
        case K::Name:
            if (!sources[static_cast<std::size_t>(n.source)].read(out.isText, out.number,
                                                                  out.text)) {
                out.isText = false;
                out.number = 0;
            }
            return out;
        case K::Neg: {
            const double v = numberOf(eval(n.a));
            out.isText = false;
            out.number = -v;
            return out;
        }
        case K::Not: {
            const bool v = truthOf(eval(n.a));
            out.isText = false;
            out.number = v ? 0 : 1;
            return out;
        }
        case K::Add:
        case K::Sub:
        case K::Mul:
        case K::Div: {
            const double l = numberOf(eval(n.a));
            const double r = numberOf(eval(n.b));
            out.isText = false;
            switch (n.kind) {
                case K::Add:
                    out.number = l + r;
                    break;
                case K::Sub:
                    out.number = l - r;
                    break;
                case K::Mul:
                    out.number = l * r;
                    break;
                default:
                    out.number = r == 0 ? 0 : l / r;
                    break;
            }
            return out;
        }
        case K::Cmp: {
            const int c = compareCells(eval(n.a), eval(n.b));
            bool r = false;
            switch (n.op) {
                case Compare::Eq:
                    r = c == 0;
                    break;
                case Compare::Ne:
                    r = c != 0;
                    break;
                case Compare::Lt:
                    r = c < 0;
                    break;
                case Compare::Le:
                    r = c <= 0;
                    break;
                case Compare::Gt:
                    r = c > 0;
                    break;
                case Compare::Ge:
                    r = c >= 0;
                    break;
            }
            out.isText = false;
            out.number = r ? 1 : 0;
            return out;
        }
        case K::And:
        case K::Or: {
            bool r = truthOf(eval(n.a));
            if (n.kind == K::And ? r : !r) r = truthOf(eval(n.b));
            out.isText = false;
            out.number = r ? 1 : 0;
            return out;
        }
        case K::Call:
            break;
    }
    return out;
}

// The built-in functions.
const Cell& Expression::Impl::evalCall(const Node& n, Cell& out) const {
    auto arg = [&](int i) -> const Cell& { return eval(args[static_cast<std::size_t>(n.a + i)]); };
    switch (n.fn) {
        case Fn::Today:
            if (today == 0) today = clock::today();
            out.isText = false;
            out.number = today;
            return out;
        case Fn::Clip: {
            textOf(arg(0), out.text);
            out.isText = true;
            out.text.resize(out.text.find_last_not_of(' ') + 1);  // npos + 1: all blanks, empty
            return out;
        }
        case Fn::Lower:
        case Fn::Upper: {
            textOf(arg(0), out.text);
            out.isText = true;
            if (n.fn == Fn::Lower)
                cp::lowerInPlace(out.text);
            else
                cp::upperInPlace(out.text);
            return out;
        }
        case Fn::InString: {
            // The texts are taken into this node's cell and a second local; sub first.
            textOf(arg(0), out.text);
            const Cell& s = arg(1);
            const double step = numberOf(arg(2));
            const double start = n.b > 3 ? numberOf(arg(3)) : 1;
            double r;
            if (s.isText) {
                r = inString(out.text, s.text, step, start);
            } else {
                std::string t;
                textOf(s, t);
                r = inString(out.text, t, step, start);
            }
            out.isText = false;
            out.number = r;
            return out;
        }
    }
    return out;
}

// ---------------------------------------------------------------- Expression

Expression::Expression() : impl_(std::make_unique<Impl>()) {
    impl_->error = "empty expression";
}
Expression::~Expression() = default;
Expression::Expression(const Expression& o) : Expression() {
    if (o.impl_) impl_ = std::make_unique<Impl>(*o.impl_);
}
Expression& Expression::operator=(const Expression& o) {
    if (this != &o) *this = Expression(o);
    return *this;
}
Expression::Expression(Expression&& o) noexcept = default;
Expression& Expression::operator=(Expression&& o) noexcept = default;

Expression Expression::parse(std::string_view text, const Resolver& names) {
    Expression e;
    e.impl_->error.clear();
    parseInto(*e.impl_, text, names);
    return e;
}

bool Expression::ok() const {
    return impl_ && impl_->root >= 0;
}

const std::string& Expression::error() const {
    static const std::string moved = "empty expression";
    return impl_ ? impl_->error : moved;
}

int Expression::errorPosition() const {
    return impl_ ? impl_->errorPos : 0;
}

const std::string& Expression::text() const {
    static const std::string none;
    return impl_ ? impl_->text : none;
}

Value Expression::evaluate() const {
    if (!ok()) return Value(0);
    impl_->today = 0;
    return toValue(impl_->eval(impl_->root));
}

bool Expression::test() const {
    if (!ok()) return false;
    impl_->today = 0;
    return truthOf(impl_->eval(impl_->root));
}

std::vector<Expression::Condition> Expression::conditions() const {
    std::vector<Condition> out;
    if (!ok()) return out;
    const Impl& x = *impl_;
    using K = Node::Kind;
    // The tagged field of a side: a bare field or upper() of one.
    auto fieldOf = [&](int id, bool& upper) -> int {
        const Node& n = x.nodes[static_cast<std::size_t>(id)];
        upper = false;
        if (n.kind == K::Name) return x.sources[static_cast<std::size_t>(n.source)].tag();
        if (n.kind == K::Call && n.fn == Fn::Upper) {
            const Node& inner =
                x.nodes[static_cast<std::size_t>(x.args[static_cast<std::size_t>(n.a)])];
            if (inner.kind == K::Name) {
                upper = true;
                return x.sources[static_cast<std::size_t>(inner.source)].tag();
            }
        }
        return 0;
    };
    auto turned = [](Compare op) {
        switch (op) {
            case Compare::Lt:
                return Compare::Gt;
            case Compare::Le:
                return Compare::Ge;
            case Compare::Gt:
                return Compare::Lt;
            case Compare::Ge:
                return Compare::Le;
            default:
                return op;
        }
    };
    // The AND chain is walked with an explicit stack (the tree may be deep).
    std::vector<int> todo{x.root};
    while (!todo.empty()) {
        const int id = todo.back();
        todo.pop_back();
        const Node& n = x.nodes[static_cast<std::size_t>(id)];
        if (n.kind == K::And) {
            todo.push_back(n.b);
            todo.push_back(n.a);
            continue;
        }
        if (n.kind != K::Cmp) continue;
        bool upper = false;
        const Node& a = x.nodes[static_cast<std::size_t>(n.a)];
        const Node& b = x.nodes[static_cast<std::size_t>(n.b)];
        if (int tag = fieldOf(n.a, upper); tag != 0 && !b.usesTag) {
            out.push_back({tag, n.op, upper, n.b});
        } else if (int tag2 = fieldOf(n.b, upper); tag2 != 0 && !a.usesTag) {
            out.push_back({tag2, turned(n.op), upper, n.a});
        }
    }
    return out;
}

Value Expression::evaluate(const Condition& c) const {
    if (!ok() || c.value < 0 || c.value >= static_cast<int>(impl_->nodes.size())) return Value(0);
    impl_->today = 0;
    return toValue(impl_->eval(c.value));
}

}  // namespace kw::expr
