#include "synthor/engine/compiler/PatternCompiler.h"

#include <climits>
#include <memory>

#include "mervis/Log.h"
#include "platform/Text.h"
#include "synthor/engine/items/CompiledItemBlock.h"
#include "synthor/engine/items/CompiledItemCharList.h"
#include "synthor/engine/items/CompiledItemExpression.h"
#include "synthor/engine/items/CompiledItemList.h"
#include "synthor/engine/items/CompiledItemRef.h"
#include "synthor/engine/CompiledPattern.h"
#include "synthor/engine/DSynthor.h"
#include "synthor/engine/EngineErrors.h"
#include "synthor/engine/compiler/FunctionCallParser.h"
#include "synthor/generators/base/FunctionTable.h"
#include "synthor/engine/PatternExcerpt.h"

using namespace engine_errors;

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads decimal digits at `p` (advancing it). Saturates just above INT_MAX so that any count too
// large for an int is recognisable without overflowing. False when there is no digit.
bool ReadCount(const std::wstring& text, std::size_t& p, long long* value) {
  long long v = 0;
  bool any = false;
  for (; p < text.size() && IsDigit(text[p]); ++p) {
    any = true;
    if (v <= INT_MAX) v = v * 10 + (text[p] - L'0');
  }
  *value = v;
  return any;
}

// Column names may carry SQL quoting; references name the bare column.
constexpr std::wstring_view kNameQuotes = L"\"[]'`";

}  // namespace

PatternCompiler::PatternCompiler(DSynthor& engine, const std::wstring& text,
                                 CompiledPattern* pattern, void* context)
    : engine_(engine), text_(text), pattern_(pattern), context_(context) {}

int PatternCompiler::Run() {
  CLog::State(L"DSynthor::Compile");
  if (!engine_.EnterNested()) {
    CLog::State(nullptr);
    return 0;
  }
  engine_.errorCode_ = 0;
  engine_.errorText_.clear();
  engine_.depCounter_ = 0;
  bool failed = false;
  int lastCode = 0;
  std::wstring lastText;
  bool escaped = false;
  for (pos_ = 0; pos_ < text_.size(); ++pos_) {
    const wchar_t c = text_[pos_];
    bool ok;
    if (escaped) {
      escaped = false;
      ok = Literal(c);
    } else if (c == L'\\') {
      escaped = true;
      continue;
    } else {
      ok = Construct(c);
    }
    if (!ok || engine_.errorCode_ != 0) {
      failed = true;
      lastCode = engine_.errorCode_;
      lastText = engine_.errorText_;
      engine_.errorCode_ = 0;  // the next construct is judged on its own
    }
  }
  engine_.LeaveNested();
  CLog::State(nullptr);
  if (!failed) return 1;
  engine_.SetError(lastCode, lastText);
  return 0;
}

bool PatternCompiler::Construct(wchar_t c) {
  switch (c) {
    case L'$': return Function();
    case L'<': return List();
    case L'@': return Column();
    case L'A': return CharClass(MASK_UPPER_LETTER);
    case L'a': return CharClass(MASK_LOWER_LETTER);
    case L'N': return CharClass(MASK_DIGIT);
    case L'X': return CharClass(MASK_HEX_DIGIT);
    case L'[': return Optional();
    case L'(': return Block(MASK_BLOCK_START);
    case L')': return Block(MASK_BLOCK_END);
    case L'#': return Block(MASK_BLOCK_REPEAT);
    default: return Literal(c);
  }
}

bool PatternCompiler::Fail(int code, const std::wstring& text) {
  engine_.SetError(code, text);
  return false;
}

bool PatternCompiler::Literal(wchar_t c) {
  if (c == L'\'') pattern_->quotes.apostrophe = 1;
  if (c == L'"') pattern_->quotes.doubleQuote = 1;
  if (c == L',') pattern_->quotes.comma = 1;
  auto item = std::make_unique<CompiledItem>(&engine_, MASK_CHAR);
  item->text.assign(1, c);
  pattern_->Add(std::move(item));
  return true;
}

bool PatternCompiler::Block(int kind) {
  pattern_->Add(std::make_unique<CompiledItemBlock>(&engine_, kind));
  return true;
}

bool PatternCompiler::CharClass(int kind) {
  return Repeater(pattern_->Add(std::make_unique<CompiledItemCharList>(&engine_, kind)));
}

// {n}: 1 to n; {=n}: exactly n; {n:m} or {n;m}: n to m; {}: always one.
bool PatternCompiler::Repeater(CompiledItemCharList* item) {
  item->minCount = 1;
  item->maxCount = 1;
  const std::size_t n = text_.size();
  if (pos_ + 1 >= n || text_[pos_ + 1] != L'{') return true;
  std::size_t p = pos_ + 2;
  const bool exact = p < n && text_[p] == L'=';
  if (exact) ++p;
  long long first = 0;
  const bool hasFirst = ReadCount(text_, p, &first);
  const auto bad = [&] {
    pos_ = p < n ? p : n - 1;
    return Fail(kRepeaterValue, kRepeaterValueText);
  };
  if (p >= n || first > INT_MAX) return bad();
  if (text_[p] == L'}') {
    pos_ = p;
    if (exact) {
      if (!hasFirst) return bad();
      item->minCount = item->maxCount = static_cast<int>(first);
    } else if (hasFirst) {
      item->maxCount = static_cast<int>(first);
    } else {
      item->maxCount = 0;
    }
    return true;
  }
  if (exact || !hasFirst || (text_[p] != L':' && text_[p] != L';')) return bad();
  ++p;
  long long second = 0;
  const bool hasSecond = ReadCount(text_, p, &second);
  if (p >= n || text_[p] != L'}' || second > INT_MAX) return bad();
  pos_ = p;
  item->minCount = static_cast<int>(first);
  if (!hasSecond) {
    item->maxCount = 0;
    return Fail(kRepeaterHigh, kRepeaterHighText);
  }
  item->maxCount = static_cast<int>(second);
  return true;
}

bool PatternCompiler::List() {
  auto* item = pattern_->Add(std::make_unique<CompiledItemList>(&engine_));
  bool ok = true;
  int code = 0;
  std::wstring why;
  // Each alternative compiles afresh, so the error of a failing one is kept aside.
  const auto add = [&](const std::wstring& alternative) {
    DSynthor::CheckForQuotes(alternative, pattern_);
    if (!item->Add(alternative)) {
      ok = false;
      code = engine_.errorCode_;
      why = engine_.errorText_;
    }
  };
  std::wstring current;
  std::size_t p = pos_ + 1;
  bool closed = false;
  for (; p < text_.size(); ++p) {
    const wchar_t c = text_[p];
    if (c == L'|') {
      add(current);
      current.clear();
    } else if (c == L'>') {
      // `<>` holds no alternative at all; `<a|>` holds an empty one.
      if (!current.empty() || !item->alternatives.empty()) add(current);
      closed = true;
      break;
    } else {
      current += c;
    }
  }
  if (!closed) {
    pos_ = text_.size() - 1;
    return Fail(kListClosing, kListClosingText);
  }
  pos_ = p;
  if (item->alternatives.empty()) return Fail(kListEmpty, kListEmptyText);
  if (!ok) return Fail(code, why);
  return true;
}

bool PatternCompiler::Optional() {
  std::size_t p = pos_ + 1;
  while (p < text_.size() && !(text_[p] == L']' && text_[p - 1] != L'\\')) ++p;
  if (p >= text_.size()) {
    pos_ = text_.size() - 1;
    return Fail(kOptionalClosing, kOptionalClosingText);
  }
  auto item = std::make_unique<CompiledItem>(&engine_, MASK_OPTIONAL);
  item->text = text_.substr(pos_ + 1, p - pos_ - 1);
  pattern_->Add(std::move(item));
  pos_ = p;
  return true;
}

bool PatternCompiler::Column() {
  auto* item = pattern_->Add(std::make_unique<CompiledItemRef>(&engine_));
  const auto& names = engine_.ColumnNames();
  if (names.empty()) return Fail(kNoColumns, kNoColumnsText);
  const std::size_t n = text_.size();
  std::size_t p = pos_ + 1;
  if (p < n && text_[p] == L'@') {
    item->previous = 1;
    ++p;
  }
  if (p >= n) {
    pos_ = n - 1;
    return Fail(kNoColumnName, kNoColumnNameText);
  }
  std::size_t column = 0;
  if (text_[p] == L'\'') {
    const std::size_t close = text_.find(L'\'', p + 1);
    if (close == std::wstring::npos) {
      pos_ = n - 1;
      return Fail(kColumnQuotation, kColumnQuotationText);
    }
    pos_ = close;
    const std::wstring name = text_.substr(p + 1, close - p - 1);
    if (name.find_first_of(L"()\"") != std::wstring::npos)
      return Fail(kColumnQuotation, kColumnQuotationText);
    std::size_t k = 0;
    while (k < names.size() && platform::Trim(names[k], kNameQuotes) != name) ++k;
    if (k == names.size())
      return Fail(kColumnNotFound,
                  platform::Format(kColumnNotFoundText, PatternExcerpt(name).c_str()));
    column = k;
  } else if (IsDigit(text_[p])) {
    long long number = 0;
    ReadCount(text_, p, &number);
    pos_ = p - 1;
    if (number < 1 || static_cast<unsigned long long>(number) > names.size())
      return Fail(kColumnIndex, kColumnIndexText);
    column = static_cast<std::size_t>(number - 1);
  } else {
    pos_ = p - 1;
    return Fail(kColumnUnquoted, kColumnUnquotedText);
  }
  item->column = column;
  item->format = engine_.ColumnFormat(column);
  engine_.MarkDependent();
  return true;
}

bool PatternCompiler::Function() {
  const FunctionCallText call = ParseFunctionCall(text_, pos_);
  pos_ = call.end;
  if (call.error == kParametersMissed) return Fail(kParametersMissed, kParametersMissedText);
  if (call.error == kBrackets) return Fail(kBrackets, kBracketsText);
  // `$$(...)` is an expression: its raw text is the item's whole argument.
  if (call.name == L"$") return CompileExpressionItem(engine_, pattern_, call.raw) != 0;
  const FunctionEntry* entry = FunctionTable::Instance().Find(call.name);
  if (!entry)
    return Fail(kUnknownFunction,
                platform::Format(kUnknownFunctionText, PatternExcerpt(call.name).c_str()));
  if (entry->factory) {
    GeneratorCall g;
    g.engine = &engine_;
    g.pattern = pattern_;
    g.args = &call.args;
    g.rawText = &call.raw;
    g.context = context_;
    g.connection = engine_.CurrentConnection();
    g.errorText = &engine_.errorText_;
    g.errorCode = &engine_.errorCode_;
    g.opCode = entry->opCode;
    return engine_.MakeGenerator(entry->opCode, entry->factory(g), pattern_) != 0;
  }
  FunctionCall f;
  f.engine = &engine_;
  f.pattern = pattern_;
  f.args = &call.args;
  f.rawText = &call.raw;
  f.context = context_;
  f.opCode = entry->opCode;
  return entry->compiler(f) != 0;
}
