#pragma once
// An expression compiled once: the steps its evaluation takes, in the order the evaluator took
// them when it read the text anew for every value. The reading itself (tokens, grammar, the
// parse errors 80, 81, 83, 84, 85, and 87 for a literal too wide for an int) never depends on a
// value, so it happens once; what remains per value is pushing literals, evaluating nested calls
// and references (which may fail with 82), applying operators (86, 87) and setting the errors
// where the reading met them. Running the steps in order gives the same value, the same last
// error and the same nested calls in the same order as reading the text did.
#include <string>
#include <string_view>
#include <vector>

#include "synthor/engine/PatternLookup.h"
#include "synthor/engine/SynthorExport.h"
#include "synthor/engine/expressions/ExpressionOperators.h"
#include "synthor/engine/expressions/MExpression.h"

struct ExpressionStep {
  enum Kind {
    kLiteral,  // push `literal`
    kNested,   // evaluate `text` through the engine; push its value, or set error 82
    kApply,    // pop the right and the left operand, push `op` applied to them
    kApplyLiteral,  // kLiteral then kApply in one: `op` with `literal` as the right operand
    kNegate,   // change the sign of the top operand (a zero operand is pushed when none is)
    kError,    // set error `errorCode` with `text`
  };

  Kind kind = kLiteral;
  expression_operators::Operator op = expression_operators::Operator::kPlus;
  int errorCode = 0;
  ExpOperand literal;
  // kLiteral: the literal's text is what rendering its value gives ("2", not "2.50"), so a push
  // may leave the text to be written when something reads it.
  bool textIsRendering = false;
  std::wstring text;
  PatternLookup lookup;  // kNested: where the engine found `text` last
};

// The text of error 87 for `expression`.
std::wstring IntegerOverflowText(std::wstring_view expression);

class SYNTHOR_API ExpressionProgram {
 public:
  ExpressionProgram() = default;  // the empty text
  explicit ExpressionProgram(std::wstring_view text);

  std::vector<ExpressionStep>& Steps() { return steps_; }
  const std::vector<ExpressionStep>& Steps() const { return steps_; }
  // The expression's text, for errors that name the expression.
  const std::wstring& Text() const { return text_; }

 private:
  std::wstring text_;
  std::vector<ExpressionStep> steps_;
};
