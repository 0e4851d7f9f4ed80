// Built-in functions that transform a nested value or bring in text from outside the pattern.
#include <climits>
#include <memory>

#include "platform/Text.h"
#include "synthor/engine/builtins/BuiltinArgs.h"
#include "synthor/engine/builtins/BuiltinErrors.h"
#include "synthor/engine/builtins/BuiltinFormats.h"
#include "synthor/engine/items/CompiledItemQuote.h"
#include "synthor/engine/items/CompiledItemTruncate.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/NamedGen.h"
#include "synthor/engine/PatternExcerpt.h"

using builtin_args::Arg;
using builtin_args::Count;
using builtin_args::Fail;
using namespace builtin_errors;

namespace {

// An item of the base class rendering `text` as a nested pattern in the way `kind` says.
CompiledItem* AddNested(const FunctionCall& call, int kind, const std::wstring& text) {
  auto item = std::make_unique<CompiledItem>(call.engine, kind);
  item->text = text;
  call.engine->MarkDependent();
  return call.pattern->Add(std::move(item));
}

int Pattern(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, kPatternArguments, kPatternArgumentsText);
  AddNested(call, MASK_PATTERN, Arg(call, 0));
  return 1;
}

int Upper(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, kUpperArguments, kUpperArgumentsText);
  AddNested(call, MASK_UPPER, Arg(call, 0));
  return 1;
}

int Lower(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, kLowerArguments, kLowerArgumentsText);
  AddNested(call, MASK_LOWER, Arg(call, 0));
  return 1;
}

int First(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, kFirstArguments, kFirstArgumentsText);
  AddNested(call, MASK_FIRST, Arg(call, 0))->count = platform::ToInt(Arg(call, 1));
  return 1;
}

int Last(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, kLastArguments, kLastArgumentsText);
  AddNested(call, MASK_LAST, Arg(call, 0))->count = platform::ToInt(Arg(call, 1));
  return 1;
}

int Truncate(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, kTruncateArguments, kTruncateArgumentsText);
  long long size = 0;
  if (!platform::ParseInt64(Arg(call, 1), size) || size <= 0 || size > INT_MAX)
    return Fail(call, kTruncateSize, kTruncateSizeText);
  auto item = std::make_unique<CompiledItemTruncate>(call.engine);
  item->text = Arg(call, 0);
  item->length = static_cast<int>(size);
  call.engine->MarkDependent();
  call.pattern->Add(std::move(item));
  return 1;
}

int Format(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, kFormatArguments, kFormatArgumentsText);
  const std::wstring& format = (*call.args)[1];
  std::wstring why;
  if (ClassifyUserFormat(format, &why) == UserFormatKind::Invalid)
    return Fail(call, kFormatUnusable,
                platform::Format(kFormatUnusableText, PatternExcerpt(format).c_str(), why.c_str()));
  AddNested(call, MASK_FORMAT, Arg(call, 0))->format = format;
  return 1;
}

int Quote(const FunctionCall& call) {
  if (Count(call) < 1) return Fail(call, kQuoteArguments, kQuoteArgumentsText);
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
  if (Count(call) != 1) return Fail(call, kVariablesArguments, kVariablesArgumentsText);
  AddNested(call, MASK_VARIABLES, Arg(call, 0));
  return 1;
}

int Call(const FunctionCall& call) {
  if (Count(call) != 1) return Fail(call, kCallArguments, kCallArgumentsText);
  const std::vector<NamedGen*>* named = call.engine->NamedGenerators();
  if (!named) return Fail(call, kCallNoNamed, kCallNoNamedText);
  const std::wstring name = Arg(call, 0);
  for (const NamedGen* candidate : *named) {
    if (candidate && platform::EqualsNoCase(candidate->name, name)) {
      AddNested(call, MASK_CALL, candidate->pattern);
      return 1;
    }
  }
  return Fail(call, kCallNotFound,
              platform::Format(kCallNotFoundText, PatternExcerpt(name).c_str()));
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
