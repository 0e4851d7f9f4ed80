#include "synthor/generators/GeneratorFunctions.h"

#include "synthor/engine/MaskOpCode.h"
#include "synthor/generators/arrays/ArrayGenerators.h"
#include "synthor/generators/files/BlobData.h"
#include "synthor/generators/recognition/ByExampleData.h"
#include "synthor/generators/databases/ByQuery.h"
#include "synthor/generators/choices/ChoiceGenerators.h"
#include "synthor/generators/counters/CounterFactories.h"
#include "synthor/generators/files/FileData.h"
#include "synthor/generators/files/FileGroupData.h"
#include "synthor/generators/databases/FromTable.h"
#include "synthor/generators/databases/GroupByQuery.h"
#include "synthor/generators/databases/GroupFromTable.h"
#include "synthor/generators/documents/JsonData.h"
#include "synthor/generators/json/JsonGenerators.h"
#include "synthor/generators/library/LibData.h"
#include "synthor/generators/library/LibGroupData.h"
#include "synthor/generators/databases/MsAccessData.h"
#include "synthor/generators/databases/MsExcelData.h"
#include "synthor/generators/databases/MsExcelGroup.h"
#include "synthor/generators/plugins/PluginData.h"
#include "synthor/generators/recognition/RegexpData.h"
#include "synthor/generators/files/ScriptData.h"
#include "synthor/generators/files/ScriptGroupData.h"
#include "synthor/generators/documents/XmlData.h"
#include "synthor/generators/files/WebFileData.h"
#include "synthor/generators/files/WebFileGroupData.h"

namespace {

// Op codes are part of the library's interface; `tablegroup` and `tablegroupc` are one class that
// shares the engine's connection or makes its own.
constexpr GeneratorName kGenerators[] = {
    {L"inc", MASK_INC, MakeIncData},
    {L"incfloat", MASK_INCFLOAT, MakeIncFloatData},
    {L"incdate", MASK_INCDATE, MakeIncDateData},
    {L"inctime", MASK_INCTIME, MakeIncTimeData},
    {L"incchar", MASK_INCCHAR, MakeIncCharData},
    {L"sequence", MASK_SEQUENCE, MakeSeqData},
    {L"seq", MASK_SEQUENCE, MakeSeqData},
    {L"file", MASK_FILE, &FileData::Make},
    {L"filegroup", MASK_FILEGROUP, &FileGroupData::Make},
    {L"webfile", MASK_WEBFILE, &WebFileData::Make},
    {L"webfilegroup", MASK_WEBFILEGROUP, &WebFileGroupData::Make},
    {L"blob", MASK_BLOB, &BLOBData::Make},
    {L"xml", MASK_XML, &XmlData::Make},
    {L"json", MASK_JSON, &JsonData::Make},
    {L"lib", MASK_LIB, &LibData::Make},
    {L"library", MASK_LIB, &LibData::Make},
    {L"libgroup", MASK_LIBGROUP, &LibGroupData::Make},
    {L"dll", MASK_DLL, &PluginData::Make},
    {L"script", MASK_SCRIPT, &ScriptData::Make},
    {L"scriptgroup", MASK_SCRIPTGROUP, &ScriptGroupData::Make},
    {L"msaccess", MASK_MSACCESS, &MsAccessData::Make},
    {L"msexcel", MASK_MSEXCEL, &MsExcelData::Make},
    {L"msexcelgroup", MASK_MSEXCELGROUP, &MsExcelGroup::Make},
    {L"query", MASK_QUERY, &ByQuery::Make},
    {L"querygroup", MASK_QUERYGROUP, &GroupByQuery::Make},
    {L"table", MASK_TABLE, &FromTable::Make},
    {L"tablegroup", MASK_TABLEGROUP, &GroupFromTable::Make},
    {L"tablegroupc", MASK_TABLEGROUPC, &GroupFromTable::Make},
    {L"if", MASK_IF, MakeIf2Data},
    {L"ifr", MASK_IFR, MakeIfData},
    {L"case", MASK_CASE, MakeCaseData},
    {L"switch", MASK_CASE, MakeCaseData},
    {L"list", MASK_LIST, MakeListData},
    {L"listpattern", MASK_LISTPATTERN, MakeListPatternData},
    {L"unique", MASK_UNIQUE, MakeUniqueData},
    {L"uniq", MASK_UNIQUE, MakeUniqueData},
    {L"const", MASK_CONST, MakeConstData},
    {L"regexp", MASK_REGEXP, MakeRegexpData},
    {L"byexample", MASK_BYEXAMPLE, MakeByExampleData},
    {L"rintn", MASK_RINTN, MakeArrayIntData},
    {L"rstringn", MASK_RSTRINGN, MakeArrayStringData},
    {L"listn", MASK_LISTN, MakeArrayListData},
    {L"repeat", MASK_REPEAT, MakeArrayRepeatData},
    {L"makejsonarray", MASK_MAKEJSONARRAY, MakeMakeJSArrayData},
    {L"makejsonobject", MASK_MAKEJSONOBJECT, MakeMakeJSObjectData},
    {L"makejsonitem", MASK_MAKEJSONITEM, MakeMakeJSItemData},
    {L"makejson", MASK_MAKEJSON, MakeMakeJSData},
};

}  // namespace

std::span<const GeneratorName> GeneratorNames() { return kGenerators; }

void RegisterGeneratorFunctions(FunctionTable& table) {
  for (const GeneratorName& g : kGenerators) {
    if (g.factory) table.AddGenerator(g.name, g.opCode, g.factory);
  }
}
