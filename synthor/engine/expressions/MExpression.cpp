#include "synthor/engine/expressions/MExpression.h"

#include "mervis/Log.h"
#include "platform/Text.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/expressions/ExpressionOperand.h"
#include "synthor/engine/expressions/ExpressionParser.h"

MExpression::~MExpression() = default;

DGValue MExpression::calc(const wchar_t* text, DSynthor* engine) {
  CLog::State(L"MExpression::calc");
  if (engine) engine_ = engine;
  ExpressionParser parser(engine_, text ? std::wstring_view(text) : std::wstring_view());
  const ExpOperand result = parser.Run();
  errorCode_ = parser.ErrorCode();
  errorText_ = parser.ErrorText();
  DGValue value;
  value.value = expression_operand::Render(result);
  value.format = result.format;
  if (errorCode_ != 0 && engine) engine->SetError(errorCode_, errorText_);
  CLog::State(nullptr);
  return value;
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
