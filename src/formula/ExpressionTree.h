#pragma once

#include "formula/Arithmetic.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace formula {

// The kinds of node of an expression tree.
enum class NodeKind : uint8_t {
    Number,
    Variable,
    Negate,
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
    Call,
};

// One node; children are indices into the tree's node list, -1 when absent.
struct Node {
    NodeKind kind = NodeKind::Number;
    Function function = Function::Sigmoid;
    int32_t left = -1;
    int32_t right = -1;
    int32_t depth = 1;
    double value = 0.0;
};

// A parsed formula as a tree of nodes kept in one list; children come before
// their parents and every node is reachable from the root.
class ExpressionTree {
public:
    // Deepest nesting a tree may have; it bounds every recursive walk and the evaluator's stack.
    static constexpr int32_t kMaxDepth = 256;
    // Most nodes a tree may have.
    static constexpr size_t kMaxNodes = 8192;

    // Adds a number leaf; returns its index.
    int32_t addNumber(double value);
    // Adds the variable x; returns its index.
    int32_t addVariable();
    // Adds a negation of `operand`; returns its index.
    int32_t addNegate(int32_t operand);
    // Adds a binary operation (Add to Power); returns its index.
    int32_t addBinary(NodeKind kind, int32_t left, int32_t right);
    // Adds a call of `function` with `argument`; returns its index.
    int32_t addCall(Function function, int32_t argument);

    // The node at `index`.
    const Node& node(int32_t index) const { return nodes_[static_cast<size_t>(index)]; }
    // Index of the root node, -1 for an empty tree.
    int32_t root() const { return root_; }
    // Makes `index` the root.
    void setRoot(int32_t index) { root_ = index; }
    // Number of nodes.
    size_t size() const { return nodes_.size(); }
    // True when the formula refers to x.
    bool usesVariable() const;

    // A tree of the same value with every constant sub-expression folded to a
    // number (only where the result is finite) and the exact identities
    // 1*e, e*1, e/1, e-0, e^1 and --e reduced to e.
    ExpressionTree simplified() const;

    // Writes the text form, at most `capacity` characters, then a NUL at
    // buffer[written]; returns the number of characters written.
    size_t write(char* buffer, size_t capacity) const;

private:
    int32_t add(const Node& node);
    int32_t copySimplified(const ExpressionTree& source, int32_t index);
    int32_t copyReachable(const ExpressionTree& source, int32_t index);

    std::vector<Node> nodes_;
    int32_t root_ = -1;
};

} // namespace formula
