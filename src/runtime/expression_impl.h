// Internals of Expression shared by its source files: the tree, kept in one array so
// that no part of it is released recursively, and the scratch values of evaluation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/expression.h"

namespace kw::expr {

// A value during evaluation. Each node owns one, so texts keep their capacity from one
// evaluation to the next.
struct Cell {
    bool isText = false;
    double number = 0;
    std::string text;
};

enum class Fn : uint8_t { Today, Clip, Lower, Upper, InString };

struct Node {
    enum class Kind : uint8_t {
        Number,
        Text,
        Name,
        Neg,
        Not,
        Add,
        Sub,
        Mul,
        Div,
        Cmp,
        And,
        Or,
        Call
    };
    Kind kind = Kind::Number;
    Compare op = Compare::Eq;  // Cmp
    Fn fn = Fn::Today;         // Call
    uint16_t depth = 1;        // levels of the subtree
    bool usesTag = false;      // a tagged field occurs in the subtree
    int a = -1, b = -1;        // operands; Call: first argument index in args, count
    int source = -1;           // Name: index in sources
};

struct Expression::Impl {
    std::string text;
    std::string error;
    int errorPos = 0;
    std::vector<Node> nodes;
    std::vector<int> args;
    std::vector<Source> sources;
    int root = -1;
    // Evaluation scratch: one cell per node; constants are filled once by the parser.
    mutable std::vector<Cell> cells;
    mutable int32_t today = 0;  // today() of the running evaluation, 0 until asked

    const Cell& eval(int n) const;
    const Cell& evalOperator(const Node& n, Cell& out) const;
    const Cell& evalCall(const Node& n, Cell& out) const;
};

// Parses `text` into `impl` (nodes, sources, root) or sets its error.
void parseInto(Expression::Impl& impl, std::string_view text, const Resolver& names);

// Comparison and truth on evaluation cells.
int compareCells(const Cell& a, const Cell& b);
bool truthOf(const Cell& c);
double numberOf(const Cell& c);
// The text of a cell (a number in its plain form) into `out`.
void textOf(const Cell& c, std::string& out);

}  // namespace kw::expr
