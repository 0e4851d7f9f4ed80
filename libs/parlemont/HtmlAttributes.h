#pragma once
// Attribute texts that report code passes to cells and rows, written as in a tag: ` width=5%`,
// ` width="80"`, ` align=right`. They are rewritten into one safe form, every value quoted and
// escaped, so that a careless value cannot break the page.
#include <string>
#include <string_view>

namespace parlemont {

// ` name="value"` for each attribute, in the given order; a bare name (` nowrap`) gets an empty
// value. Names are letters, digits, '-', '_' and ':'; anything that does not parse as an attribute
// is dropped, as are event handlers (`on...`), which have no place in a report.
std::wstring NormalizeAttributes(std::wstring_view attributes);

}  // namespace parlemont
