#pragma once
// One generated row of fields, rendered at once in up to four forms:
// - comma list: values joined by ","; a field whose quote flag is set is written as one SQL
//   literal in single quotes, with its single quotes doubled;
// - delimited text: values joined by the delimiter; a value holding the delimiter, a double quote
//   or a line break is put in double quotes with its double quotes doubled;
// - XML: one element per field, <name>value</name>, with no enclosing element. Values are escaped
//   (& < > " ' and CR as references); characters XML cannot carry at all (other control
//   characters, U+FFFE, U+FFFF, lone surrogates) become U+FFFD. A name that is not a valid XML
//   name is mended: each character that may not stand where it stands becomes "_", a name that
//   would start with a digit, "-" or "." gets a "_" in front, ":" (a namespace prefix) becomes "_",
//   and an empty name becomes "_";
// - JSON: members "name":"value" joined by ",", with no enclosing braces. Names and values are
//   JSON strings: quotes, backslashes and control characters escaped, other characters kept.
// Disabled fields take no part.
#include <string>
#include <vector>

#include "mervis/StringBuilder.h"
#include "synthor/engine/SynthorExport.h"

class DSynthor;
class OneField;

// Which forms a row is rendered in, and the rendered texts.
class SYNTHOR_API OneDataRowParams {
 public:
  int commaList = 1;
  int delimited = 0;
  int xml = 0;
  int json = 0;

  std::wstring commaListResult;
  std::wstring delimitedResult;
  std::wstring xmlResult;
  std::wstring jsonResult;
  std::wstring delimiter;
};

class SYNTHOR_API OneDataRow {
 public:
  OneDataRow() = default;
  OneDataRow(const OneDataRow&) = default;  // shares the same fields
  OneDataRow& operator=(const OneDataRow&) = default;
  virtual ~OneDataRow();

  // Renders one row: every enabled field gives its value through `engine` (for the column of its
  // position in `fields`), and each form whose flag is set in `params` is built; the four result
  // texts of `params` are then replaced (a form not asked for gives an empty text).
  // 1 when every enabled field gave its value; 0 when one failed (its value is empty in the
  // results and the engine's error tells why) or when `engine` or `params` is missing.
  int Make(DSynthor* engine, OneDataRowParams* params);

  // The row's fields, in column order. Not owned: the caller keeps them alive while the row is
  // used, and copies of the row share them.
  std::vector<OneField*> fields;

 private:
  StringBuilder commaList_;
  StringBuilder delimited_;
  StringBuilder xml_;
  StringBuilder json_;
};
