// Built-in functions that draw on data outside the pattern: another column of a group
// generator's row ($group), phrases ($text) and a generator's whole list as a document ($cvt).
#include <memory>

#include "platform/Text.h"
#include "synthor/engine/builtins/BuiltinArgs.h"
#include "synthor/engine/builtins/BuiltinErrors.h"
#include "synthor/engine/items/CompiledItemCVT.h"
#include "synthor/engine/items/CompiledItemGroup.h"
#include "synthor/engine/items/CompiledItemText.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/items/CvtDocument.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/generators/base/IGenerator.h"

using builtin_args::Arg;
using builtin_args::Count;
using builtin_args::Fail;
using namespace builtin_errors;

namespace {

int Group(const FunctionCall& call) {
  if (Count(call) != 2) return Fail(call, kGroupArguments, kGroupArgumentsText);
  const int id = platform::ToInt(Arg(call, 0));
  // The first one made wins: a row's group generator is made by the pattern of its own column.
  IGenerator* group = nullptr;
  for (std::size_t i = 0; i < call.engine->GeneratorCount(); ++i) {
    IGenerator* generator = call.engine->Generator(i);
    if (generator && generator->IsGroup(id)) {
      group = generator;
      break;
    }
  }
  if (!group) return Fail(call, kGroupNotFound, platform::Format(kGroupNotFoundText, id));
  auto item = std::make_unique<CompiledItemGroup>(call.engine);
  item->column = platform::ToInt(Arg(call, 1));
  item->generator = group;
  call.pattern->Add(std::move(item));
  return 1;
}

int Text(const FunctionCall& call) {
  auto item = std::make_unique<CompiledItemText>(call.engine);
  item->length = platform::ToInt(Arg(call, 0, L"128"));
  item->language = Arg(call, 1, L"EN");
  call.pattern->Add(std::move(item));
  return 1;
}

int Cvt(const FunctionCall& call) {
  if (Count(call) < 3) return Fail(call, kCvtArguments, kCvtArgumentsText);
  // Checked before any value is made, so a wrong target is named even for a pattern without data.
  const std::optional<CvtTarget> target = ParseCvtTarget(Arg(call, 2));
  if (!target) return Fail(call, kCvtTarget, kCvtTargetText);
  auto item = std::make_unique<CompiledItemCVT>(call.engine);
  item->text = Arg(call, 0);
  item->elementName = Arg(call, 1);
  item->target = *target;
  call.pattern->Add(std::move(item));
  return 1;
}

}  // namespace

void RegisterDataFunctions(FunctionTable& table) {
  table.AddBuiltin(L"group", MASK_GROUP, &Group);
  table.AddBuiltin(L"text", MASK_TEXT, &Text);
  table.AddBuiltin(L"cvt", MASK_CVT, &Cvt);
}
