#pragma once

#include "formula/ExpressionTree.h"

#include <cstdint>
#include <vector>

namespace formula {

// Operations of the evaluator. It keeps the top of its stack in a register:
// "push" ops save the old top and load a new one, binary ops combine the
// saved value below with the top. K is the instruction's constant a.
enum class Op : uint8_t {
    End,             // result = top
    PushX,           // push x
    PushK,           // push K
    XMulK,           // push x*K
    SigmoidXK,       // push sigmoid(x*K)
    Add,             // top = below + top
    Subtract,        // top = below - top
    Multiply,        // top = below * top
    Divide,          // top = below / top
    Power,           // top = pow(below, top)
    AddK,            // top = top + K
    SubtractK,       // top = top - K
    KSubtract,       // top = K - top
    MulK,            // top = top * K
    DivideK,         // top = top / K
    KDivide,         // top = K / top
    PowerK,          // top = pow(top, K)
    MulAddK,         // top = top * K + b
    SigmoidAffineXK, // push sigmoid(x*K) * b + c
    Negate,          // top = -top
    Call,            // top = function(top)
    Sigmoid,         // top = sigmoid(top), the common call without a second dispatch
};

// One instruction: an operation with up to two constants.
struct Instruction {
    Op op = Op::End;
    Function function = Function::Sigmoid;
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
};

// A formula compiled to postfix instructions that run without allocating.
class Program {
public:
    // Most values the evaluator's stack holds; compile() refuses programs that need more.
    static constexpr int kStackCapacity = ExpressionTree::kMaxDepth + 2;

    // Compiles a non-empty tree; false when it would need more than kStackCapacity stack slots.
    bool compile(const ExpressionTree& tree);
    // The instructions, ending with End.
    const Instruction* code() const { return code_.data(); }
    // Number of instructions, End included.
    size_t size() const { return code_.size(); }

    // Runs the instructions from `code` up to End with the variable x.
    static double execute(const Instruction* code, double x);
    // The general evaluator behind execute().
    static double run(const Instruction* code, double x);

private:
    // Appends the instructions of the subtree at `index`.
    void emit(const ExpressionTree& tree, int32_t index);
    // A function call, sigmoid of x or of x*K as one instruction.
    void emitCall(const ExpressionTree& tree, const Node& node);
    // A binary node with a constant operand as one instruction on the other
    // operand; false, having appended nothing, when there is none.
    bool emitWithConstant(const ExpressionTree& tree, const Node& node);
    // The instruction of a binary node kind.
    static Op binaryOp(NodeKind kind);
    void append(Op op, double a = 0.0, int stackChange = 0);
    void fuse();

    std::vector<Instruction> code_;
    int depth_ = 0;
    int maxDepth_ = 0;
};

// The two programs the network runs on every neuron, the identity and the
// fused activation, are one instruction long; they are answered here,
// inline in CalcFormula, without setting up the stack.
inline double Program::execute(const Instruction* code, double x) {
    if (code[0].op == Op::SigmoidAffineXK && code[1].op == Op::End)
        return sigmoid(x * code[0].a) * code[0].b + code[0].c;
    if (code[0].op == Op::PushX && code[1].op == Op::End)
        return x;
    return run(code, x);
}

} // namespace formula
