#include "formula/ExpressionTree.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace formula {

namespace {

// Binding strength of a node in the text form, from loosest to tightest.
enum Precedence { kSum = 1, kTerm = 2, kUnary = 3, kPower = 4, kPrimary = 5 };

// Text written into a fixed buffer; whatever does not fit is dropped.
class BoundedText {
public:
    BoundedText(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    void put(std::string_view text) {
        const size_t n = std::min(text.size(), capacity_ - size_);
        std::copy_n(text.data(), n, buffer_ + size_);
        size_ += n;
    }
    bool full() const { return size_ == capacity_; }
    size_t size() const { return size_; }

private:
    char* buffer_;
    size_t capacity_;
    size_t size_ = 0;
};

bool isNegativeNumber(const Node& node) {
    return node.kind == NodeKind::Number && std::signbit(node.value);
}

int precedenceOf(const Node& node) {
    switch (node.kind) {
    case NodeKind::Number:
        return isNegativeNumber(node) ? kUnary : kPrimary;
    case NodeKind::Variable:
    case NodeKind::Call:
        return kPrimary;
    case NodeKind::Negate:
        return kUnary;
    case NodeKind::Add:
    case NodeKind::Subtract:
        return kSum;
    case NodeKind::Multiply:
    case NodeKind::Divide:
        return kTerm;
    case NodeKind::Power:
        return kPower;
    }
    return kPrimary;
}

std::string_view operatorText(NodeKind kind) {
    switch (kind) {
    case NodeKind::Add:
        return "+";
    case NodeKind::Subtract:
        return "-";
    case NodeKind::Multiply:
        return "*";
    case NodeKind::Divide:
        return "/";
    case NodeKind::Power:
        return "^";
    default:
        return "";
    }
}

double applyBinary(NodeKind kind, double a, double b) {
    switch (kind) {
    case NodeKind::Add:
        return a + b;
    case NodeKind::Subtract:
        return a - b;
    case NodeKind::Multiply:
        return a * b;
    case NodeKind::Divide:
        return a / b;
    case NodeKind::Power:
        return std::pow(a, b);
    default:
        return std::nan("");
    }
}

void writeNode(const ExpressionTree& tree, int32_t index, int required, BoundedText& out) {
    if (out.full())
        return;
    const Node& node = tree.node(index);
    const bool parenthesize = precedenceOf(node) < required;
    if (parenthesize)
        out.put("(");
    switch (node.kind) {
    case NodeKind::Number: {
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, node.value);
        out.put(std::string_view(digits, static_cast<size_t>(result.ptr - digits)));
        break;
    }
    case NodeKind::Variable:
        out.put("x");
        break;
    case NodeKind::Negate:
        out.put("-");
        writeNode(tree, node.left, kUnary, out);
        break;
    case NodeKind::Add:
    case NodeKind::Subtract:
        writeNode(tree, node.left, kSum, out);
        out.put(operatorText(node.kind));
        writeNode(tree, node.right, kTerm, out);
        break;
    case NodeKind::Multiply:
    case NodeKind::Divide:
        writeNode(tree, node.left, kTerm, out);
        out.put(operatorText(node.kind));
        writeNode(tree, node.right, kUnary, out);
        break;
    case NodeKind::Power:
        writeNode(tree, node.left, kPrimary, out);
        out.put("^");
        writeNode(tree, node.right, kUnary, out);
        break;
    case NodeKind::Call:
        out.put(functionName(node.function));
        out.put("(");
        writeNode(tree, node.left, kSum, out);
        out.put(")");
        break;
    }
    if (parenthesize)
        out.put(")");
}

bool isNumber(const Node& node, double value) {
    return node.kind == NodeKind::Number && node.value == value && !std::signbit(node.value);
}

} // namespace

int32_t ExpressionTree::add(const Node& node) {
    Node added = node;
    int32_t depth = 0;
    if (added.left >= 0)
        depth = this->node(added.left).depth;
    if (added.right >= 0)
        depth = std::max(depth, this->node(added.right).depth);
    added.depth = depth + 1;
    nodes_.push_back(added);
    return static_cast<int32_t>(nodes_.size() - 1);
}

int32_t ExpressionTree::addNumber(double value) {
    Node node;
    node.kind = NodeKind::Number;
    node.value = value;
    return add(node);
}

int32_t ExpressionTree::addVariable() {
    Node node;
    node.kind = NodeKind::Variable;
    return add(node);
}

int32_t ExpressionTree::addNegate(int32_t operand) {
    Node node;
    node.kind = NodeKind::Negate;
    node.left = operand;
    return add(node);
}

int32_t ExpressionTree::addBinary(NodeKind kind, int32_t left, int32_t right) {
    Node node;
    node.kind = kind;
    node.left = left;
    node.right = right;
    return add(node);
}

int32_t ExpressionTree::addCall(Function function, int32_t argument) {
    Node node;
    node.kind = NodeKind::Call;
    node.function = function;
    node.left = argument;
    return add(node);
}

bool ExpressionTree::usesVariable() const {
    return std::any_of(nodes_.begin(), nodes_.end(), [](const Node& n) { return n.kind == NodeKind::Variable; });
}

ExpressionTree ExpressionTree::simplified() const {
    // Folding leaves the replaced nodes behind; a second copy keeps only what the root reaches.
    ExpressionTree folded;
    if (root_ >= 0)
        folded.root_ = folded.copySimplified(*this, root_);
    ExpressionTree result;
    if (folded.root_ >= 0)
        result.root_ = result.copyReachable(folded, folded.root_);
    return result;
}

int32_t ExpressionTree::copyReachable(const ExpressionTree& source, int32_t index) {
    Node node = source.node(index);
    if (node.left >= 0)
        node.left = copyReachable(source, node.left);
    if (node.right >= 0)
        node.right = copyReachable(source, node.right);
    return add(node);
}

int32_t ExpressionTree::copySimplified(const ExpressionTree& source, int32_t index) {
    const Node& node = source.node(index);
    switch (node.kind) {
    case NodeKind::Number:
        return addNumber(node.value);
    case NodeKind::Variable:
        return addVariable();
    case NodeKind::Negate: {
        const Node& child = source.node(node.left);
        if (child.kind == NodeKind::Negate)
            return copySimplified(source, child.left);
        const int32_t operand = copySimplified(source, node.left);
        if (nodes_[static_cast<size_t>(operand)].kind == NodeKind::Number)
            return addNumber(-nodes_[static_cast<size_t>(operand)].value);
        return addNegate(operand);
    }
    case NodeKind::Call: {
        const int32_t argument = copySimplified(source, node.left);
        const Node& folded = nodes_[static_cast<size_t>(argument)];
        if (folded.kind == NodeKind::Number) {
            const double value = applyFunction(node.function, folded.value);
            if (std::isfinite(value))
                return addNumber(value);
        }
        return addCall(node.function, argument);
    }
    default:
        break;
    }
    const int32_t left = copySimplified(source, node.left);
    const int32_t right = copySimplified(source, node.right);
    const Node l = nodes_[static_cast<size_t>(left)];
    const Node r = nodes_[static_cast<size_t>(right)];
    if (l.kind == NodeKind::Number && r.kind == NodeKind::Number) {
        const double value = applyBinary(node.kind, l.value, r.value);
        if (std::isfinite(value))
            return addNumber(value);
    }
    // Identities that leave every value, signed zeros included, exactly as it was.
    const bool keepLeft =
        (node.kind == NodeKind::Multiply && isNumber(r, 1.0)) || (node.kind == NodeKind::Divide && isNumber(r, 1.0)) ||
        (node.kind == NodeKind::Subtract && isNumber(r, 0.0)) || (node.kind == NodeKind::Power && isNumber(r, 1.0));
    if (keepLeft)
        return left;
    if (node.kind == NodeKind::Multiply && isNumber(l, 1.0))
        return right;
    return addBinary(node.kind, left, right);
}

size_t ExpressionTree::write(char* buffer, size_t capacity) const {
    BoundedText out(buffer, capacity);
    if (root_ >= 0)
        writeNode(*this, root_, kSum, out);
    buffer[out.size()] = '\0';
    return out.size();
}

} // namespace formula
