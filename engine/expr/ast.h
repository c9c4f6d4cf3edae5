// The compiled form of an expression: a tree of typed nodes.
//
// Invariants after compilation: every node has its result type; a Field node
// holds a valid field index of the schema; a Call node points at its
// function and has an argument count that function accepts; `width` is the
// byte width of a character result when the text fixes it, else -1; a
// Literal node is either written in the text or the folded value of a
// constant subtree; no tree is deeper than kMaxTreeDepth, so evaluating it
// cannot exhaust the stack. Nodes never change after compilation.
#pragma once

#include "engine/expr/value.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace expr {

class Evaluator;
struct FunctionDef;
struct ContainsQuery;

constexpr uint32_t kMaxTreeDepth = 1000;

enum class Op : uint8_t {
    Literal, Field, Call,
    Negate, Plus,
    Power, Multiply, Divide, Modulo, Add, Subtract,
    Equal, ExactEqual, NotEqual, Less, LessEqual, Greater, GreaterEqual, Contained,
    Not, And, Or,
};

struct Node {
    Op op = Op::Literal;
    ValueType type = ValueType::Null;
    size_t position = 0;          // 1-based place of the node's token in the text
    size_t begin = 0, end = 0;    // the text the subtree was read from, 0-based, end excluded
    int32_t width = -1;           // bytes of a character result, -1 when not fixed
    bool caseInsensitive = false; // a character value that compares ignoring case
    bool volatileValue = false;   // depends on the clock (DATE(), TIME())
    uint32_t depth = 1;           // levels of the subtree, this node included
    Value literal;                // Literal
    size_t field = 0;             // Field: index for RecordContext::FieldValue
    uint32_t numericWidth = 0;    // Field: width of a digits-as-text number (STR default)
    uint16_t decimals = 0;        // Field: its decimals
    const FunctionDef* function = nullptr; // Call
    std::shared_ptr<const ContainsQuery> query; // CONTAINS with a constant condition
    std::vector<std::unique_ptr<Node>> args;

    bool IsConstant() const { return op == Op::Literal; }
};

} // namespace expr
