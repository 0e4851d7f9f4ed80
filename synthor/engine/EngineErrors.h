#pragma once
// The engine's error codes and texts. Codes come in blocks per construct family; a text that
// takes an argument is a platform::Format format.
//
// Limits of this engine (not of the pattern language):
//   114  a pattern nests deeper than kMaxNesting levels (a named pattern that calls itself,
//        functions nested in functions, ...); the engine stops instead of exhausting the stack.
//   115  a value would grow beyond kMaxValueLength characters (16 MiB); checked before each piece
//        is appended, so no oversized text is ever built.
//   117  memory ran out while a value was compiled or rendered.
//   116  a printf-style format given in a pattern cannot be used for the value (see
//        platform/UserFormat.h for what a format may hold).
#include <cstddef>

namespace engine_errors {

constexpr int kMaxNesting = 64;
constexpr std::size_t kMaxValueLength = std::size_t(16) * 1024 * 1024;

constexpr int kWrongHandle = 4;
constexpr const wchar_t* kWrongHandleText = L"%d is a wrong handle (Inited=%d, Size=%d).";
constexpr int kNoGenerator = 8;
constexpr const wchar_t* kNoGeneratorText = L"No generator available";

constexpr int kParametersMissed = 90;
constexpr const wchar_t* kParametersMissedText = L"Function: parameter(s) missed.";
constexpr int kBrackets = 91;
constexpr const wchar_t* kBracketsText = L"Function: brackets coordination error.";
constexpr int kNestedBound = 92;
constexpr const wchar_t* kNestedBoundText =
    L"Could not resolve nested call or reference '%ls': %ls";
constexpr int kUnknownFunction = 100;
constexpr const wchar_t* kUnknownFunctionText =
    L"Function: could not recognize '%ls' as correct function name.";

constexpr int kListEmpty = 104;
constexpr const wchar_t* kListEmptyText = L"List: <...> list is empty.";
constexpr int kRepeaterValue = 105;
constexpr const wchar_t* kRepeaterValueText = L"Incorrect repeater value.";
constexpr int kVariableModifier = 109;
constexpr const wchar_t* kVariableModifierText = L"Variable access: incorrect modifier for '%ls'.";
constexpr int kVariableNotFound = 110;
constexpr const wchar_t* kVariableNotFoundText = L"Variable access: '%ls' not found.";
constexpr int kRepeaterHigh = 111;
constexpr const wchar_t* kRepeaterHighText = L"Incorrect high border of the repeater.";
constexpr int kListClosing = 112;
constexpr const wchar_t* kListClosingText = L"List: <...> list closed incorrectly.";
constexpr int kOptionalClosing = 113;
constexpr const wchar_t* kOptionalClosingText = L"Optional block list closed incorrectly";

constexpr int kTooDeep = 114;
constexpr const wchar_t* kTooDeepText = L"Pattern: nesting is deeper than 64 levels.";
constexpr int kTooLong = 115;
constexpr const wchar_t* kTooLongText = L"Pattern: the value would be longer than %llu characters.";
constexpr int kBadFormat = 116;
constexpr const wchar_t* kBadFormatText = L"Format: '%ls' cannot be used: %ls";
constexpr int kOutOfMemory = 117;
constexpr const wchar_t* kOutOfMemoryText = L"Pattern: out of memory.";

constexpr int kNoColumns = 700;
constexpr const wchar_t* kNoColumnsText = L"Column: definitions are not present.";
constexpr int kNoColumnName = 701;
constexpr const wchar_t* kNoColumnNameText = L"Column: column reference without column name.";
constexpr int kColumnIndex = 702;
constexpr const wchar_t* kColumnIndexText = L"Column: invalid column index.";
constexpr const wchar_t* kVarsColumnIndexText = L"Invalid column index or forward reference in @n";
constexpr int kColumnUnquoted = 703;
constexpr const wchar_t* kColumnUnquotedText = L"Column: column name without quotation.";
constexpr int kColumnQuotation = 704;
constexpr const wchar_t* kColumnQuotationText = L"Column: column name quotation error.";
constexpr int kColumnNotFound = 705;
constexpr const wchar_t* kColumnNotFoundText = L"Column: specified column '%ls' not found.";
constexpr const wchar_t* kVarsColumnNotFoundText =
    L"Specified column '%ls' not found or forward reference.";

constexpr const wchar_t* kNotInitializedText = L"The engine is not initialized properly.";

}  // namespace engine_errors
