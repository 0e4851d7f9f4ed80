#include "synthor/engine/expressions/MExpression.h"

#include "mervis/Log.h"
#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/expressions/ExpressionOperand.h"
#include "synthor/engine/expressions/ExpressionMachine.h"
#include "synthor/engine/expressions/ExpressionProgram.h"

MExpression::MExpression() = default;

MExpression::MExpression(DSynthor* engine) : engine_(engine) {}

MExpression::~MExpression() = default;

DGValue MExpression::calc(const wchar_t* text, DSynthor* engine) {
  ExpressionProgram program(text ? std::wstring_view(text) : std::wstring_view());
  DGValue value;
  Evaluate(program, engine, &value);
  return value;
}

template <class Use>
void MExpression::Run(ExpressionProgram& program, DSynthor* engine, Use use) {
  CLog::State(L"MExpression::calc");
  if (engine) engine_ = engine;
  // A nested call may evaluate through this evaluator again before this evaluation is done.
  std::unique_ptr<ExpressionMachine> own;
  ExpressionMachine* machine;
  if (running_) {
    own = std::make_unique<ExpressionMachine>();
    machine = own.get();
  } else {
    if (!machine_) machine_ = std::make_unique<ExpressionMachine>();
    machine = machine_.get();
  }
  struct Running {
    bool& flag;
    bool was;
    ~Running() { flag = was; }
  } running{running_, running_};
  running_ = true;
  machine->Run(program, engine_);
  errorCode_ = machine->ErrorCode();
  if (errorCode_ != 0 || !errorText_.empty()) errorText_ = machine->ErrorText();
  use(machine->Result());
  if (errorCode_ != 0 && engine) engine->SetError(errorCode_, errorText_);
  CLog::State(nullptr);
}

void MExpression::Evaluate(ExpressionProgram& program, DSynthor* engine, DGValue* value) {
  Run(program, engine, [value](const ExpOperand& result) {
    expression_operand::RenderInto(result, &value->value);
    value->format = result.format;
  });
}

int MExpression::EvaluateAppending(ExpressionProgram& program, DSynthor* engine, DGValue* out) {
  bool fits = true;
  Run(program, engine, [&](const ExpOperand& result) {
    if (errorCode_ != 0) return;
    // An int, the usual result, goes straight from the stack into the value.
    if (result.kind == ExpOperand::kInt) {
      const expression_operand::IntText text(result.intValue);
      fits = engine->CanGrow(out->value.size(), text.View().size());
      if (!fits) return;
      out->value.append(text.View());
    } else {
      expression_operand::RenderInto(result, &rendering_);
      fits = engine->CanGrow(out->value.size(), rendering_.size());
      if (!fits) return;
      out->value.append(rendering_);
    }
    if (result.format.empty())
      out->format.clear();
    else
      out->format = result.format;
  });
  return errorCode_ == 0 && fits ? 1 : 0;
}

void MExpression::Assign(std::wstring* fieldText, const std::vector<ExpressionField>* fields,
                         std::vector<std::wstring>* values) {
  fieldText_ = fieldText;
  fields_ = fields;
  values_ = values;
}

std::wstring MExpression::FieldValue(const wchar_t* reference, std::wstring* format) const {
  if (format) format->clear();
  if (!reference || !fields_ || !values_) return {};
  const std::wstring_view ref(reference);
  // "@'name'": the name without the two leading and the one trailing character.
  const std::wstring name =
      ref.size() < 3 ? std::wstring() : std::wstring(ref.substr(2, ref.size() - 3));
  for (std::size_t i = 0; i < fields_->size(); ++i) {
    const ExpressionField& field = (*fields_)[i];
    if (field.name != name) continue;
    if (format && (field.type == 9 || field.type == 11) && fieldText_) *format = *fieldText_;
    return i < values_->size() ? (*values_)[i] : std::wstring();
  }
  return {};
}
