// Built-in functions that transform a nested value or bring in text from outside the pattern.
#include <climits>
#include <memory>

#include "platform/Text.h"
#include "synthor/engine/BuiltinArgs.h"
#include "synthor/engine/CompiledItemQuote.h"
#include "synthor/engine/CompiledItemTruncate.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/NamedGen.h"

using builtin_args::Arg;
using builtin_args::Count;

namespace {

int Fail(const FunctionCall& call, int code, const std::wstring& text) {
  call.engine->SetError(code, text);
  return 0;
}

// An item of the base class rendering `text` as a nested pattern in the way `kind` says.
CompiledItem* AddNested(const FunctionCall& call, int kind, const std::wstring& text) {
  auto item = std::make_unique<CompiledItem>(call.engine, kind);
  item->text = text;
  call.engine->MarkDependent();
  return call.pattern->Add(std::move(item));
}

int Pattern(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, 3700, L"$Pattern expects single mandatory parameter");
  AddNested(call, MASK_PATTERN, Arg(call, 0));
  return 1;
}

int Upper(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, 3500, L"$Upper expects single mandatory parameter");
  AddNested(call, MASK_UPPER, Arg(call, 0));
  return 1;
}

int Lower(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, 3400, L"$Lower expects single mandatory parameter");
  AddNested(call, MASK_LOWER, Arg(call, 0));
  return 1;
}

int First(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, 5200, L"$First expects exactly two parameters");
  AddNested(call, MASK_FIRST, Arg(call, 0))->count = platform::ToInt(Arg(call, 1));
  return 1;
}

int Last(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, 5300, L"$Last expects exactly two parameters");
  AddNested(call, MASK_LAST, Arg(call, 0))->count = platform::ToInt(Arg(call, 1));
  return 1;
}

int Truncate(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, 106, L"Truncate: parameter list must contain 2 items.");
  long long size = 0;
  if (!platform::ParseInt64(Arg(call, 1), size) || size <= 0 || size > INT_MAX)
    return Fail(call, 107, L"Truncate: string size must be positive integer value.");
  auto item = std::make_unique<CompiledItemTruncate>(call.engine);
  item->text = Arg(call, 0);
  item->length = static_cast<int>(size);
  call.engine->MarkDependent();
  call.pattern->Add(std::move(item));
  return 1;
}

int Format(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, 3300, L"$Format function expects exact 2 parameters");
  AddNested(call, MASK_FORMAT, Arg(call, 0))->format = (*call.args)[1];
  return 1;
}

int Quote(const FunctionCall& call) {
  if (Count(call) < 1) return Fail(call, 3600, L"$Quote expects at least one parameter");
  auto item = std::make_unique<CompiledItemQuote>(call.engine);
  item->text = Arg(call, 0);
  item->columnType = Arg(call, 1);
  item->quoteChar = Arg(call, 2, L"'")[0];
  item->doubleApostrophes = platform::ToInt(Arg(call, 3)) != 0 ? 1 : 0;
  call.engine->MarkDependent();
  call.pattern->Add(std::move(item));
  return 1;
}

int Old(const FunctionCall& call) {
  call.pattern->Add(std::make_unique<CompiledItem>(call.engine, MASK_OLD));
  return 1;
}

int Variables(const FunctionCall& call) {
  if (Count(call) != 1)
    return Fail(call, 108, L"Variables: parameter list must contain 1 item.");
  AddNested(call, MASK_VARIABLES, Arg(call, 0));
  return 1;
}

int Call(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, 600, L"Function $Call expects one paremeter.");
  const std::vector<NamedGen*>* named = call.engine->NamedGenerators();
  if (!named)
    return Fail(call, 601, L"Call: named generators do not passed to pattern engine.");
  const std::wstring name = Arg(call, 0);
  for (const NamedGen* candidate : *named) {
    if (candidate && platform::EqualsNoCase(candidate->name, name)) {
      AddNested(call, MASK_CALL, candidate->pattern);
      return 1;
    }
  }
  return Fail(call, 602, platform::Format(L"Call: named generator '%ls' not found.", name.c_str()));
}

}  // namespace

void RegisterTextFunctions(FunctionTable& table) {
  table.AddBuiltin(L"pattern", MASK_PATTERN, &Pattern);
  table.AddBuiltin(L"upper", MASK_UPPER, &Upper);
  table.AddBuiltin(L"lower", MASK_LOWER, &Lower);
  table.AddBuiltin(L"first", MASK_FIRST, &First);
  table.AddBuiltin(L"last", MASK_LAST, &Last);
  table.AddBuiltin(L"truncate", MASK_TRUNCATE, &Truncate);
  table.AddBuiltin(L"format", MASK_FORMAT, &Format);
  table.AddBuiltin(L"quote", MASK_QUOTE, &Quote);
  table.AddBuiltin(L"old", MASK_OLD, &Old);
  table.AddBuiltin(L"variables", MASK_VARIABLES, &Variables);
  table.AddBuiltin(L"vars", MASK_VARIABLES, &Variables);
  table.AddBuiltin(L"call", MASK_CALL, &Call);
}
