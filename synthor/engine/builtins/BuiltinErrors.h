#pragma once
// Error codes and texts of the built-in functions. Each function family has its own codes (the
// engine's own ones are in EngineErrors.h); a text that takes an argument is a platform::Format
// format.
//
// Codes of this engine beyond the classic set:
//   3301  $format was given a format it cannot print the value with
//   4403  $cvt conversions nested inside each other too deeply
//   5500  $rint was given a format it cannot print an integer with
//   5600  $rfloat was given a format it cannot print a number with
namespace builtin_errors {

// $group
constexpr int kGroupNotFound = 101;
constexpr const wchar_t* kGroupNotFoundText = L"Group: specified group %d not found.";
constexpr int kGroupArguments = 102;
constexpr const wchar_t* kGroupArgumentsText = L"Group: parameter list must contain 2 items.";

// $truncate, $vars
constexpr int kTruncateArguments = 106;
constexpr const wchar_t* kTruncateArgumentsText = L"Truncate: parameter list must contain 2 items.";
constexpr int kTruncateSize = 107;
constexpr const wchar_t* kTruncateSizeText =
    L"Truncate: string size must be positive integer value.";
constexpr int kVariablesArguments = 108;
constexpr const wchar_t* kVariablesArgumentsText =
    L"Variables: parameter list must contain 1 item.";

// $rdate, $date
constexpr int kFromDateLength = 200;
constexpr const wchar_t* kFromDateLengthText =
    L"'From' date '%ls' does not correspond to format '%ls'";
constexpr int kToDateLength = 201;
constexpr const wchar_t* kToDateLengthText = L"'To' date '%ls' does not correspond to format '%ls'";
constexpr int kFromDateUnreadable = 204;
constexpr const wchar_t* kFromDateUnreadableText =
    L"Could not recognize date format '%ls' for 'from' date [%ls]";
constexpr int kToDateUnreadable = 205;
constexpr const wchar_t* kToDateUnreadableText =
    L"Could not recognize date format '%ls' for 'to' date [%ls]";
constexpr int kLongYear = 206;
constexpr const wchar_t* kLongYearText = L"Invalid long year in the date format '%ls'";
constexpr int kShortYear = 207;
constexpr const wchar_t* kShortYearText = L"Invalid short year in the date format '%ls'";
constexpr int kDateFormat = 208;
constexpr const wchar_t* kDateFormatText = L"Invalid date format '%ls'";

// $rtime, $time, $date
constexpr int kFromTime = 300;
constexpr const wchar_t* kFromTimeText = L"'From' time '%ls' does not correspond to format '%ls'";
constexpr int kToTime = 301;
constexpr const wchar_t* kToTimeText = L"'To' time '%ls' does not correspond to format '%ls'";
constexpr int kTimeFormat = 302;
constexpr const wchar_t* kTimeFormatText = L"Incorrect or incomplete time format '%ls'";
constexpr int kTimeConstant = 303;
constexpr const wchar_t* kTimeConstantText =
    L"Time constant '%ls' does not correspond to format '%ls'";
constexpr int kDateConstant = 304;
constexpr const wchar_t* kDateConstantText =
    L"Date constant '%ls' does not correspond to format '%ls'.";

// $geometry, $geography
constexpr int kGeometryArguments = 400;
constexpr const wchar_t* kGeometryArgumentsText =
    L"Function $Geometry expects not more than one parameter.";
constexpr int kGeometryParts = 401;
constexpr const wchar_t* kGeometryPartsText =
    L"Geometry: parameter '%ls' is incorrect, expects positive integer.";
constexpr int kGeographyArguments = 500;
constexpr const wchar_t* kGeographyArgumentsText = L"Function $Geography has no parameters.";

// $call
constexpr int kCallArguments = 600;
constexpr const wchar_t* kCallArgumentsText = L"Function $Call expects one paremeter.";
constexpr int kCallNoNamed = 601;
constexpr const wchar_t* kCallNoNamedText =
    L"Call: named generators do not passed to pattern engine.";
constexpr int kCallNotFound = 602;
constexpr const wchar_t* kCallNotFoundText = L"Call: named generator '%ls' not found.";

// $rstring
constexpr int kRStringArguments = 3000;
constexpr const wchar_t* kRStringArgumentsText =
    L"RString: the function expects at least 2 parameters";

// $format, $lower, $upper, $quote, $pattern
constexpr int kFormatArguments = 3300;
constexpr const wchar_t* kFormatArgumentsText = L"$Format function expects exact 2 parameters";
constexpr int kFormatUnusable = 3301;
constexpr const wchar_t* kFormatUnusableText = L"$Format: format '%ls' cannot be used: %ls";
constexpr int kLowerArguments = 3400;
constexpr const wchar_t* kLowerArgumentsText = L"$Lower expects single mandatory parameter";
constexpr int kUpperArguments = 3500;
constexpr const wchar_t* kUpperArgumentsText = L"$Upper expects single mandatory parameter";
constexpr int kQuoteArguments = 3600;
constexpr const wchar_t* kQuoteArgumentsText = L"$Quote expects at least one parameter";
constexpr int kPatternArguments = 3700;
constexpr const wchar_t* kPatternArgumentsText = L"$Pattern expects single mandatory parameter";

// $cvt
constexpr int kCvtArguments = 4400;
constexpr const wchar_t* kCvtArgumentsText = L"$CVT expects at least three parameters";
constexpr int kCvtNoData = 4401;
constexpr const wchar_t* kCvtNoDataText = L"Pattern provides no data.";
constexpr int kCvtTarget = 4402;
constexpr const wchar_t* kCvtTargetText = L"Invalid target format. XML or JSON expected.";
constexpr int kCvtTooDeep = 4403;
constexpr const wchar_t* kCvtTooDeepText = L"$CVT: conversions nest deeper than %d levels.";
constexpr int kCvtMaxNesting = 4;

// $first, $last
constexpr int kFirstArguments = 5200;
constexpr const wchar_t* kFirstArgumentsText = L"$First expects exactly two parameters";
constexpr int kLastArguments = 5300;
constexpr const wchar_t* kLastArgumentsText = L"$Last expects exactly two parameters";

// $rint, $rfloat
constexpr int kRIntFormat = 5500;
constexpr const wchar_t* kRIntFormatText = L"$RInt: format '%ls' cannot be used: %ls";
constexpr int kRFloatFormat = 5600;
constexpr const wchar_t* kRFloatFormatText = L"$RFloat: format '%ls' cannot be used: %ls";

}  // namespace builtin_errors
