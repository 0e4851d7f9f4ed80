#include "synthor/generators/GeneratorFunctions.h"

#include "synthor/engine/MaskOpCode.h"

namespace {

// Op codes are part of the library's interface; `tablegroup` and `tablegroupc` are one class that
// shares the engine's connection or makes its own.
constexpr GeneratorName kGenerators[] = {
    {L"inc", MASK_INC, nullptr},
    {L"incfloat", MASK_INCFLOAT, nullptr},
    {L"incdate", MASK_INCDATE, nullptr},
    {L"inctime", MASK_INCTIME, nullptr},
    {L"incchar", MASK_INCCHAR, nullptr},
    {L"sequence", MASK_SEQUENCE, nullptr},
    {L"seq", MASK_SEQUENCE, nullptr},
    {L"file", MASK_FILE, nullptr},
    {L"filegroup", MASK_FILEGROUP, nullptr},
    {L"webfile", MASK_WEBFILE, nullptr},
    {L"webfilegroup", MASK_WEBFILEGROUP, nullptr},
    {L"blob", MASK_BLOB, nullptr},
    {L"xml", MASK_XML, nullptr},
    {L"json", MASK_JSON, nullptr},
    {L"lib", MASK_LIB, nullptr},
    {L"library", MASK_LIB, nullptr},
    {L"libgroup", MASK_LIBGROUP, nullptr},
    {L"dll", MASK_DLL, nullptr},
    {L"script", MASK_SCRIPT, nullptr},
    {L"scriptgroup", MASK_SCRIPTGROUP, nullptr},
    {L"msaccess", MASK_MSACCESS, nullptr},
    {L"msexcel", MASK_MSEXCEL, nullptr},
    {L"msexcelgroup", MASK_MSEXCELGROUP, nullptr},
    {L"query", MASK_QUERY, nullptr},
    {L"querygroup", MASK_QUERYGROUP, nullptr},
    {L"table", MASK_TABLE, nullptr},
    {L"tablegroup", MASK_TABLEGROUP, nullptr},
    {L"tablegroupc", MASK_TABLEGROUPC, nullptr},
    {L"if", MASK_IF, nullptr},
    {L"ifr", MASK_IFR, nullptr},
    {L"case", MASK_CASE, nullptr},
    {L"switch", MASK_CASE, nullptr},
    {L"list", MASK_LIST, nullptr},
    {L"listpattern", MASK_LISTPATTERN, nullptr},
    {L"unique", MASK_UNIQUE, nullptr},
    {L"uniq", MASK_UNIQUE, nullptr},
    {L"const", MASK_CONST, nullptr},
    {L"regexp", MASK_REGEXP, nullptr},
    {L"byexample", MASK_BYEXAMPLE, nullptr},
    {L"rintn", MASK_RINTN, nullptr},
    {L"rstringn", MASK_RSTRINGN, nullptr},
    {L"listn", MASK_LISTN, nullptr},
    {L"repeat", MASK_REPEAT, nullptr},
    {L"makejsonarray", MASK_MAKEJSONARRAY, nullptr},
    {L"makejsonobject", MASK_MAKEJSONOBJECT, nullptr},
    {L"makejsonitem", MASK_MAKEJSONITEM, nullptr},
    {L"makejson", MASK_MAKEJSON, nullptr},
};

}  // namespace

std::span<const GeneratorName> GeneratorNames() { return kGenerators; }

void RegisterGeneratorFunctions(FunctionTable& table) {
  for (const GeneratorName& g : kGenerators) {
    if (g.factory) table.AddGenerator(g.name, g.opCode, g.factory);
  }
}
