#pragma once
// The documents `$cvt` writes from a list of values: XML (one element per value inside <data>)
// or JSON (one member per value, all under the same name). Whatever the values and the name hold,
// the result is well-formed: texts are escaped, and an element name XML cannot carry is mended.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "synthor/engine/SynthorExport.h"

enum class CvtTarget { Xml, Json };

// "XML" or "JSON" in any letter case; nothing for any other name.
SYNTHOR_API std::optional<CvtTarget> ParseCvtTarget(std::wstring_view name);

// `name` with every character that may not stand in an XML element name replaced by '_' (and a
// '_' put in front of a name that may not start as it does); "item" for an empty name.
SYNTHOR_API std::wstring XmlElementName(std::wstring_view name);

// Lines end with CR LF.
SYNTHOR_API std::wstring WriteCvtDocument(const std::vector<std::wstring>& values,
                                          const std::wstring& name, CvtTarget target);
