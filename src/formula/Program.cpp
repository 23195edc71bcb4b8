#include "formula/Program.h"

#include <algorithm>
#include <cmath>

namespace formula {

namespace {

// True when `node` is a number or a negated number (how "-.5" is parsed);
// its value goes to `value`. Negation is exact, so -(K) may stand as one constant.
bool isConstant(const ExpressionTree& tree, const Node& node, double& value) {
    if (node.kind == NodeKind::Number) {
        value = node.value;
        return true;
    }
    if (node.kind == NodeKind::Negate && isConstant(tree, tree.node(node.left), value)) {
        value = -value;
        return true;
    }
    return false;
}

bool isVariable(const Node& node) {
    return node.kind == NodeKind::Variable;
}

// True when `node` is K*x or x*K; K goes to `factor`.
bool isScaledVariable(const ExpressionTree& tree, const Node& node, double& factor) {
    if (node.kind != NodeKind::Multiply)
        return false;
    const Node& l = tree.node(node.left);
    const Node& r = tree.node(node.right);
    return (isVariable(r) && isConstant(tree, l, factor)) || (isVariable(l) && isConstant(tree, r, factor));
}

} // namespace

bool Program::compile(const ExpressionTree& tree) {
    code_.clear();
    depth_ = 0;
    maxDepth_ = 0;
    emit(tree, tree.root());
    append(Op::End);
    fuse();
    return maxDepth_ <= kStackCapacity;
}

void Program::append(Op op, double a, int stackChange) {
    Instruction instruction;
    instruction.op = op;
    instruction.a = a;
    code_.push_back(instruction);
    depth_ += stackChange;
    maxDepth_ = std::max(maxDepth_, depth_);
}

void Program::emit(const ExpressionTree& tree, int32_t index) {
    const Node& node = tree.node(index);
    double constant = 0.0;
    if (isConstant(tree, node, constant)) {
        append(Op::PushK, constant, 1);
        return;
    }
    switch (node.kind) {
    case NodeKind::Variable:
        append(Op::PushX, 0.0, 1);
        return;
    case NodeKind::Number: // pushed above as a constant
        return;
    case NodeKind::Negate:
        emit(tree, node.left);
        append(Op::Negate);
        return;
    case NodeKind::Call:
        emitCall(tree, node);
        return;
    default:
        break;
    }
    if (emitWithConstant(tree, node))
        return;
    emit(tree, node.left);
    emit(tree, node.right);
    append(binaryOp(node.kind), 0.0, -1);
}

void Program::emitCall(const ExpressionTree& tree, const Node& node) {
    double factor = 0.0;
    const Node& argument = tree.node(node.left);
    if (node.function == Function::Sigmoid && isScaledVariable(tree, argument, factor)) {
        append(Op::SigmoidXK, factor, 1);
        return;
    }
    if (node.function == Function::Sigmoid && isVariable(argument)) {
        // x*1 is x itself, so sigmoid(x) takes the same fused path.
        append(Op::SigmoidXK, 1.0, 1);
        return;
    }
    emit(tree, node.left);
    if (node.function == Function::Sigmoid) {
        append(Op::Sigmoid);
    } else {
        append(Op::Call);
        code_.back().function = node.function;
    }
}

// Constants on either side of + and * may swap places: IEEE addition and
// multiplication are commutative, so K+e and e+K give the same bits.
bool Program::emitWithConstant(const ExpressionTree& tree, const Node& node) {
    double l = 0.0;
    double r = 0.0;
    const bool leftConstant = isConstant(tree, tree.node(node.left), l);
    const bool rightConstant = isConstant(tree, tree.node(node.right), r);
    // The instruction with K on the right, on the left (Op::End where there is none).
    Op right = Op::End;
    Op left = Op::End;
    switch (node.kind) {
    case NodeKind::Add:
        right = Op::AddK;
        left = Op::AddK;
        break;
    case NodeKind::Subtract:
        right = Op::SubtractK;
        left = Op::KSubtract;
        break;
    case NodeKind::Multiply:
        if (double factor = 0.0; isScaledVariable(tree, node, factor)) {
            append(Op::XMulK, factor, 1);
            return true;
        }
        right = Op::MulK;
        left = Op::MulK;
        break;
    case NodeKind::Divide:
        right = Op::DivideK;
        left = Op::KDivide;
        break;
    case NodeKind::Power:
        right = Op::PowerK;
        break;
    default:
        return false;
    }
    if (rightConstant && right != Op::End) {
        emit(tree, node.left);
        append(right, r);
        return true;
    }
    if (leftConstant && left != Op::End) {
        emit(tree, node.right);
        append(left, l);
        return true;
    }
    return false;
}

Op Program::binaryOp(NodeKind kind) {
    switch (kind) {
    case NodeKind::Subtract:
        return Op::Subtract;
    case NodeKind::Multiply:
        return Op::Multiply;
    case NodeKind::Divide:
        return Op::Divide;
    case NodeKind::Power:
        return Op::Power;
    default:
        return Op::Add;
    }
}

// Joins "times K" followed by "plus or minus K" into one instruction (e - K
// equals e + (-K) bit for bit, so the sign goes into the constant), then a
// scaled sigmoid followed by that into one more. The joined instructions
// compute the same operations in the same order.
void Program::fuse() {
    std::vector<Instruction> fused;
    fused.reserve(code_.size());
    for (size_t i = 0; i < code_.size(); ++i) {
        const Instruction& current = code_[i];
        if (current.op == Op::MulK && i + 1 < code_.size() &&
            (code_[i + 1].op == Op::AddK || code_[i + 1].op == Op::SubtractK)) {
            Instruction joined;
            joined.op = Op::MulAddK;
            joined.a = current.a;
            joined.b = code_[i + 1].op == Op::AddK ? code_[i + 1].a : -code_[i + 1].a;
            ++i;
            if (!fused.empty() && fused.back().op == Op::SigmoidXK) {
                fused.back().op = Op::SigmoidAffineXK;
                fused.back().b = joined.a;
                fused.back().c = joined.b;
                continue;
            }
            fused.push_back(joined);
            continue;
        }
        fused.push_back(current);
    }
    code_.swap(fused);
}

double Program::run(const Instruction* ip, double x) {
    double stack[kStackCapacity + 1];
    double* below = stack;
    double top = 0.0;
    for (;; ++ip) {
        switch (ip->op) {
        case Op::End:
            return top;
        case Op::PushX:
            *below++ = top;
            top = x;
            break;
        case Op::PushK:
            *below++ = top;
            top = ip->a;
            break;
        case Op::XMulK:
            *below++ = top;
            top = x * ip->a;
            break;
        case Op::SigmoidXK:
            *below++ = top;
            top = sigmoid(x * ip->a);
            break;
        case Op::Add:
            top = *--below + top;
            break;
        case Op::Subtract:
            top = *--below - top;
            break;
        case Op::Multiply:
            top = *--below * top;
            break;
        case Op::Divide:
            top = *--below / top;
            break;
        case Op::Power:
            top = std::pow(*--below, top);
            break;
        case Op::AddK:
            top = top + ip->a;
            break;
        case Op::SubtractK:
            top = top - ip->a;
            break;
        case Op::KSubtract:
            top = ip->a - top;
            break;
        case Op::MulK:
            top = top * ip->a;
            break;
        case Op::DivideK:
            top = top / ip->a;
            break;
        case Op::KDivide:
            top = ip->a / top;
            break;
        case Op::PowerK:
            top = std::pow(top, ip->a);
            break;
        case Op::MulAddK:
            top = top * ip->a + ip->b;
            break;
        case Op::SigmoidAffineXK:
            *below++ = top;
            top = sigmoid(x * ip->a) * ip->b + ip->c;
            break;
        case Op::Negate:
            top = -top;
            break;
        case Op::Call:
            top = applyFunction(ip->function, top);
            break;
        case Op::Sigmoid:
            top = sigmoid(top);
            break;
        }
    }
}

} // namespace formula
