// The parser of filter expressions: a scanner and a recursive-descent parser that builds
// the tree in Impl::nodes and binds every name through the resolver.
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "runtime/expression_impl.h"

namespace kw::expr {

namespace {

enum class Tok : uint8_t {
    End,
    Number,
    Text,
    Name,
    LParen,
    RParen,
    Comma,
    Plus,
    Minus,
    Star,
    Slash,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    And,
    Or,
    Not,
    Bad
};

struct Token {
    Tok kind = Tok::End;
    std::size_t pos = 0;      // byte offset of its start
    std::string_view lexeme;  // as written
    std::string text;         // Text: the text with '' made one quote
    double number = 0;
};

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool sameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (x != b[i]) return false;
    }
    return true;
}

// A character for a message: printable ASCII as itself, anything else as \xNN.
std::string shown(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F) return std::string(1, c);
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", u);
    return buf;
}

struct FnInfo {
    const char* name;  // upper case
    Fn fn;
    int minArgs, maxArgs;
};
constexpr FnInfo kFunctions[] = {
    {"TODAY", Fn::Today, 0, 0}, {"CLIP", Fn::Clip, 1, 1},         {"LOWER", Fn::Lower, 1, 1},
    {"UPPER", Fn::Upper, 1, 1}, {"INSTRING", Fn::InString, 3, 4},
};

class Parser {
  public:
    Parser(Expression::Impl& impl, std::string_view text, const Resolver& names)
        : x_(impl), src_(text), names_(names) {}

    void run() {
        scan();
        if (tok_.kind == Tok::End) {
            fail(0, "empty expression");
            return;
        }
        const int root = parseOr();
        if (root < 0) return;
        if (tok_.kind == Tok::Bad) {
            unexpected("end of text");
            return;
        }
        if (tok_.kind != Tok::End) {
            fail(tok_.pos, "unexpected '" + std::string(tok_.lexeme) + "'");
            return;
        }
        x_.root = root;
    }

  private:
    // --- scanner ---
    void scan() {
        std::size_t i = at_;
        while (i < src_.size() && isBlank(src_[i])) ++i;
        tok_ = Token{};
        tok_.pos = i;
        if (i >= src_.size()) {
            at_ = i;
            tok_.kind = Tok::End;
            return;
        }
        const char c = src_[i];
        std::size_t j = i + 1;
        if (isLetter(c)) {
            while (j < src_.size() && (isLetter(src_[j]) || isDigit(src_[j]) || src_[j] == ':'))
                ++j;
            const std::string_view w = src_.substr(i, j - i);
            tok_.kind = sameWord(w, "AND")   ? Tok::And
                        : sameWord(w, "OR")  ? Tok::Or
                        : sameWord(w, "NOT") ? Tok::Not
                                             : Tok::Name;
        } else if (isDigit(c) || (c == '.' && j < src_.size() && isDigit(src_[j]))) {
            while (j < src_.size() && isDigit(src_[j])) ++j;
            if (j < src_.size() && src_[j] == '.') {
                ++j;
                while (j < src_.size() && isDigit(src_[j])) ++j;
            }
            tok_.kind = Tok::Number;
            const auto r = std::from_chars(src_.data() + i, src_.data() + j, tok_.number);
            if (r.ec != std::errc() || r.ptr != src_.data() + j) tok_.kind = Tok::Bad;
        } else if (c == '\'') {
            tok_.kind = Tok::Bad;  // until the closing quote is seen
            while (j < src_.size()) {
                if (src_[j] == '\'') {
                    if (j + 1 < src_.size() && src_[j + 1] == '\'') {
                        tok_.text += '\'';
                        j += 2;
                        continue;
                    }
                    ++j;
                    tok_.kind = Tok::Text;
                    break;
                }
                tok_.text += src_[j++];
            }
        } else {
            switch (c) {
                case '(':
                    tok_.kind = Tok::LParen;
                    break;
                case ')':
                    tok_.kind = Tok::RParen;
                    break;
                case ',':
                    tok_.kind = Tok::Comma;
                    break;
                case '+':
                    tok_.kind = Tok::Plus;
                    break;
                case '-':
                    tok_.kind = Tok::Minus;
                    break;
                case '*':
                    tok_.kind = Tok::Star;
                    break;
                case '/':
                    tok_.kind = Tok::Slash;
                    break;
                case '=':
                    tok_.kind = Tok::Eq;
                    break;
                case '<':
                    tok_.kind = Tok::Lt;
                    if (j < src_.size() && src_[j] == '>')
                        tok_.kind = Tok::Ne, ++j;
                    else if (j < src_.size() && src_[j] == '=')
                        tok_.kind = Tok::Le, ++j;
                    break;
                case '>':
                    tok_.kind = Tok::Gt;
                    if (j < src_.size() && src_[j] == '=') tok_.kind = Tok::Ge, ++j;
                    break;
                default:
                    tok_.kind = Tok::Bad;
                    break;
            }
        }
        tok_.lexeme = src_.substr(i, j - i);
        at_ = j;
    }

    // --- errors ---
    int fail(std::size_t pos, std::string what) {
        if (x_.error.empty()) {
            x_.errorPos = static_cast<int>(pos) + 1;
            x_.error = std::move(what) + " at " + std::to_string(x_.errorPos);
        }
        return -1;
    }
    // An error at the current token, worded after what it is.
    int unexpected(const char* wanted) {
        switch (tok_.kind) {
            case Tok::End:
                return fail(tok_.pos, std::string(wanted) + " expected, text ends");
            case Tok::Bad:
                if (!tok_.lexeme.empty() && tok_.lexeme[0] == '\'')
                    return fail(tok_.pos, "text not closed with '");
                if (!tok_.lexeme.empty() && (isDigit(tok_.lexeme[0]) || tok_.lexeme[0] == '.'))
                    return fail(tok_.pos, "number out of range");
                return fail(tok_.pos, "unexpected character '" + shown(src_[tok_.pos]) + "'");
            default:
                return fail(tok_.pos, std::string(wanted) + " expected, found '" +
                                          std::string(tok_.lexeme) + "'");
        }
    }

    // --- tree ---
    int add(Node n, std::size_t pos) {
        uint16_t d = 0;
        bool tagged = n.usesTag;
        auto child = [&](int c) {
            d = std::max(d, x_.nodes[static_cast<std::size_t>(c)].depth);
            tagged = tagged || x_.nodes[static_cast<std::size_t>(c)].usesTag;
        };
        if (n.kind == Node::Kind::Call) {
            for (int i = 0; i < n.b; ++i) child(x_.args[static_cast<std::size_t>(n.a + i)]);
        } else if (n.kind != Node::Kind::Number && n.kind != Node::Kind::Text &&
                   n.kind != Node::Kind::Name) {
            if (n.a >= 0) child(n.a);
            if (n.b >= 0) child(n.b);
        }
        if (d + 1 > kMaxDepth)
            return fail(pos,
                        "expression too long (more than " + std::to_string(kMaxDepth) + " levels)");
        n.depth = static_cast<uint16_t>(d + 1);
        n.usesTag = tagged;
        x_.nodes.push_back(n);
        x_.cells.emplace_back();
        return static_cast<int>(x_.nodes.size() - 1);
    }
    int binary(Node::Kind k, int a, int b, std::size_t pos, Compare op = Compare::Eq) {
        Node n;
        n.kind = k;
        n.a = a;
        n.b = b;
        n.op = op;
        return add(n, pos);
    }

    bool enter(std::size_t pos) {
        if (++nest_ > kMaxNesting) {
            fail(pos,
                 "expression nested more than " + std::to_string(kMaxNesting) + " levels deep");
            return false;
        }
        return true;
    }
    void leave() { --nest_; }

    // --- grammar ---
    int parseOr() {
        int left = parseAnd();
        while (left >= 0 && tok_.kind == Tok::Or) {
            const std::size_t pos = tok_.pos;
            scan();
            const int right = parseAnd();
            if (right < 0) return -1;
            left = binary(Node::Kind::Or, left, right, pos);
        }
        return left;
    }

    int parseAnd() {
        int left = parseNot();
        while (left >= 0 && tok_.kind == Tok::And) {
            const std::size_t pos = tok_.pos;
            scan();
            const int right = parseNot();
            if (right < 0) return -1;
            left = binary(Node::Kind::And, left, right, pos);
        }
        return left;
    }

    int parseNot() {
        if (tok_.kind != Tok::Not) return parseCompare();
        const std::size_t pos = tok_.pos;
        if (!enter(pos)) return -1;
        scan();
        const int operand = parseNot();
        leave();
        if (operand < 0) return -1;
        return binary(Node::Kind::Not, operand, -1, pos);
    }

    int parseCompare() {
        int left = parseSum();
        while (left >= 0) {
            Compare op;
            switch (tok_.kind) {
                case Tok::Eq:
                    op = Compare::Eq;
                    break;
                case Tok::Ne:
                    op = Compare::Ne;
                    break;
                case Tok::Lt:
                    op = Compare::Lt;
                    break;
                case Tok::Le:
                    op = Compare::Le;
                    break;
                case Tok::Gt:
                    op = Compare::Gt;
                    break;
                case Tok::Ge:
                    op = Compare::Ge;
                    break;
                default:
                    return left;
            }
            const std::size_t pos = tok_.pos;
            scan();
            const int right = parseSum();
            if (right < 0) return -1;
            left = binary(Node::Kind::Cmp, left, right, pos, op);
        }
        return left;
    }

    int parseSum() {
        int left = parseProduct();
        while (left >= 0 && (tok_.kind == Tok::Plus || tok_.kind == Tok::Minus)) {
            const auto k = tok_.kind == Tok::Plus ? Node::Kind::Add : Node::Kind::Sub;
            const std::size_t pos = tok_.pos;
            scan();
            const int right = parseProduct();
            if (right < 0) return -1;
            left = binary(k, left, right, pos);
        }
        return left;
    }

    int parseProduct() {
        int left = parseUnary();
        while (left >= 0 && (tok_.kind == Tok::Star || tok_.kind == Tok::Slash)) {
            const auto k = tok_.kind == Tok::Star ? Node::Kind::Mul : Node::Kind::Div;
            const std::size_t pos = tok_.pos;
            scan();
            const int right = parseUnary();
            if (right < 0) return -1;
            left = binary(k, left, right, pos);
        }
        return left;
    }

    int parseUnary() {
        if (tok_.kind != Tok::Minus && tok_.kind != Tok::Plus) return parsePrimary();
        const bool negate = tok_.kind == Tok::Minus;
        const std::size_t pos = tok_.pos;
        if (!enter(pos)) return -1;
        scan();
        const int operand = parseUnary();
        leave();
        if (operand < 0 || !negate) return operand;
        return binary(Node::Kind::Neg, operand, -1, pos);
    }

    int parsePrimary() {
        const std::size_t pos = tok_.pos;
        switch (tok_.kind) {
            case Tok::Number: {
                Node n;
                n.kind = Node::Kind::Number;
                const int id = add(n, pos);
                if (id >= 0) x_.cells[static_cast<std::size_t>(id)].number = tok_.number;
                scan();
                return id;
            }
            case Tok::Text: {
                Node n;
                n.kind = Node::Kind::Text;
                const int id = add(n, pos);
                if (id >= 0) {
                    Cell& c = x_.cells[static_cast<std::size_t>(id)];
                    c.isText = true;
                    c.text = tok_.text;
                }
                scan();
                return id;
            }
            case Tok::LParen: {
                if (!enter(pos)) return -1;
                scan();
                const int inner = parseOr();
                leave();
                if (inner < 0) return -1;
                if (tok_.kind != Tok::RParen) return unexpected("')'");
                scan();
                return inner;
            }
            case Tok::Name: {
                const std::string_view name = tok_.lexeme;
                scan();
                if (tok_.kind == Tok::LParen) return parseCall(name, pos);
                return bindName(name, pos);
            }
            default:
                return unexpected("a value");
        }
    }

    int bindName(std::string_view name, std::size_t pos) {
        Source s;
        if (!names_.resolve(name, s) || !s.valid())
            return fail(pos, "unknown name '" + std::string(name) + "'");
        Node n;
        n.kind = Node::Kind::Name;
        n.source = static_cast<int>(x_.sources.size());
        n.usesTag = s.tag() != 0;
        x_.sources.push_back(std::move(s));
        return add(n, pos);
    }

    int parseCall(std::string_view name, std::size_t pos) {
        const FnInfo* info = nullptr;
        for (const FnInfo& f : kFunctions)
            if (sameWord(name, f.name)) info = &f;
        if (!info) return fail(pos, "unknown function '" + std::string(name) + "'");
        if (!enter(pos)) return -1;
        scan();  // past '('
        std::vector<int> argv;
        if (tok_.kind != Tok::RParen) {
            for (;;) {
                const int a = parseOr();
                if (a < 0) return -1;
                argv.push_back(a);
                if (tok_.kind == Tok::Comma) {
                    scan();
                    continue;
                }
                if (tok_.kind != Tok::RParen) return unexpected("',' or ')'");
                break;
            }
        }
        leave();
        scan();  // past ')'
        const int count = static_cast<int>(argv.size());
        if (count < info->minArgs || count > info->maxArgs) {
            std::string want = std::to_string(info->minArgs);
            if (info->maxArgs != info->minArgs) want += " or " + std::to_string(info->maxArgs);
            return fail(pos, std::string("function '") + std::string(name) + "' takes " + want +
                                 " argument" + (info->maxArgs == 1 ? "" : "s") + ", not " +
                                 std::to_string(count));
        }
        Node n;
        n.kind = Node::Kind::Call;
        n.fn = info->fn;
        n.a = static_cast<int>(x_.args.size());
        n.b = count;
        x_.args.insert(x_.args.end(), argv.begin(), argv.end());
        return add(n, pos);
    }

    Expression::Impl& x_;
    std::string_view src_;
    const Resolver& names_;
    std::size_t at_ = 0;
    Token tok_;
    int nest_ = 0;
};

}  // namespace

void parseInto(Expression::Impl& impl, std::string_view text, const Resolver& names) {
    impl.text.assign(text);
    Parser p(impl, impl.text, names);
    p.run();
    if (!impl.error.empty()) {
        impl.root = -1;
        impl.nodes.clear();
        impl.args.clear();
        impl.sources.clear();
        impl.cells.clear();
    }
}

}  // namespace kw::expr
