#include "kavra/XlsxReader.h"

#include <cerrno>
#include <cstdlib>
#include <map>

#include "kavra/XmlPull.h"
#include "kavra/ZipArchive.h"

namespace kavra_files {

namespace {

constexpr std::uint32_t kMaxRows = 1048576;
constexpr std::uint32_t kMaxColumns = 16384;

struct SheetRef {
  std::string name;
  std::string part;  // the worksheet's path inside the container
};

struct Styles {
  // Per cell style (the s attribute): 0 not a date, 1 a date, 2 a time of day only.
  std::vector<std::uint8_t> dateKind;
};

[[noreturn]] void Damaged(const std::string& what) { throw ReadError(ReadError::kDamaged, what); }

std::string PartOr(const ZipArchive& zip, const std::string& name, std::size_t cap) {
  return zip.Has(name) ? zip.Read(name, cap) : std::string();
}

// "xl/workbook.xml" + "worksheets/sheet1.xml" -> "xl/worksheets/sheet1.xml"; a target that
// begins with '/' is from the container's root. "." and ".." parts are resolved.
std::string ResolveTarget(const std::string& base, const std::string& target) {
  std::string joined;
  if (!target.empty() && target[0] == '/') {
    joined = target.substr(1);
  } else {
    std::size_t slash = base.rfind('/');
    joined = (slash == std::string::npos ? std::string() : base.substr(0, slash + 1)) + target;
  }
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= joined.size()) {
    std::size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    std::string part = joined.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

// What the workbook's .rels part says: its relationship targets by id (external ones left out)
// and the parts its shared-string and style relationships name, all resolved against the
// workbook. The usual part names stand when a type is not found.
struct WorkbookRelationships {
  std::map<std::string, std::string> targets;
  std::string stringsPart;
  std::string stylesPart;
};

WorkbookRelationships ReadWorkbookRelationships(const ZipArchive& zip, const std::string& workbook,
                                                std::size_t cap) {
  const std::string dir = workbook.substr(0, workbook.rfind('/') + 1);
  const std::string file = workbook.substr(workbook.rfind('/') + 1);
  const std::string relsPart = dir + "_rels/" + file + ".rels";
  WorkbookRelationships rels{{}, dir + "sharedStrings.xml", dir + "styles.xml"};
  const std::string xml = PartOr(zip, relsPart, cap);
  if (xml.empty()) return rels;
  XmlPull x(xml, relsPart);
  while (x.Next()) {
    if (!x.IsStart() || x.LocalName() != "Relationship") continue;
    const std::string target = ResolveTarget(workbook, x.Attribute("Target"));
    if (x.Attribute("TargetMode") != "External") rels.targets[x.Attribute("Id")] = target;
    const std::string type = x.Attribute("Type");
    if (type.ends_with("/sharedStrings"))
      rels.stringsPart = target;
    else if (type.ends_with("/styles"))
      rels.stylesPart = target;
  }
  return rels;
}

std::string WorkbookPart(const ZipArchive& zip, std::size_t cap) {
  const std::string xml = PartOr(zip, "_rels/.rels", cap);
  if (!xml.empty()) {
    XmlPull x(xml, "_rels/.rels");
    while (x.Next())
      if (x.IsStart() && x.LocalName() == "Relationship" &&
          x.Attribute("Type").ends_with("/officeDocument"))
        return ResolveTarget("", x.Attribute("Target"));
  }
  return "xl/workbook.xml";
}

std::vector<SheetRef> ReadSheetList(const ZipArchive& zip, const std::string& workbook,
                                    const std::map<std::string, std::string>& rels, std::size_t cap,
                                    bool* date1904) {
  const std::string xml = zip.Read(workbook, cap);
  std::vector<SheetRef> sheets;
  XmlPull x(xml, workbook);
  while (x.Next()) {
    if (!x.IsStart()) continue;
    if (x.LocalName() == "workbookPr") {
      const std::string v = x.Attribute("date1904");
      *date1904 = v == "1" || v == "true";
    } else if (x.LocalName() == "sheet") {
      auto it = rels.find(x.Attribute("id"));
      if (it == rels.end()) Damaged("the sheet '" + x.Attribute("name") + "' has no part");
      sheets.push_back({x.Attribute("name"), it->second});
    }
  }
  return sheets;
}

std::vector<std::string> ReadSharedStrings(const ZipArchive& zip, const std::string& part,
                                           std::size_t cap, LoadBudget* budget) {
  std::vector<std::string> strings;
  const std::string xml = PartOr(zip, part, cap);
  if (xml.empty()) return strings;
  XmlPull x(xml, part);
  int inItem = 0, inText = 0, inPhonetic = 0;
  while (x.Next()) {
    if (x.IsStart() && !x.IsEmptyElement()) {
      if (x.LocalName() == "si") {
        ++inItem;
        strings.emplace_back();
      } else if (x.LocalName() == "t") {
        ++inText;
      } else if (x.LocalName() == "rPh") {
        ++inPhonetic;
      }
    } else if (x.IsStart() && x.LocalName() == "si") {
      strings.emplace_back();  // <si/>: an empty string still takes its index
    } else if (x.IsEnd()) {
      if (x.LocalName() == "si") {
        --inItem;
        budget->AddCell(strings.back().size());
      } else if (x.LocalName() == "t") {
        --inText;
      } else if (x.LocalName() == "rPh") {
        --inPhonetic;
      }
    } else if (x.IsText() && inItem > 0 && inText > 0 && inPhonetic == 0) {
      strings.back() += x.Text();
    }
  }
  return strings;
}

bool IsDigits(const std::string& s) {
  return !s.empty() && s.size() <= 9 && s.find_first_not_of("0123456789") == std::string::npos;
}

Styles ReadStyles(const ZipArchive& zip, const std::string& part, std::size_t cap) {
  Styles styles;
  const std::string xml = PartOr(zip, part, cap);
  if (xml.empty()) return styles;
  std::map<int, std::string> codes;  // custom number formats by id
  XmlPull x(xml, part);
  int inCellXfs = 0;
  while (x.Next()) {
    if (x.IsStart() && x.LocalName() == "numFmt") {
      const std::string id = x.Attribute("numFmtId");
      if (IsDigits(id)) codes[std::atoi(id.c_str())] = x.Attribute("formatCode");
    } else if (x.IsStart() && x.LocalName() == "cellXfs" && !x.IsEmptyElement()) {
      ++inCellXfs;
    } else if (x.IsEnd() && x.LocalName() == "cellXfs") {
      --inCellXfs;
    } else if (x.IsStart() && inCellXfs > 0 && x.LocalName() == "xf") {
      const std::string idText = x.Attribute("numFmtId");
      const int id = IsDigits(idText) ? std::atoi(idText.c_str()) : 0;
      std::uint8_t kind = 0;
      auto custom = codes.find(id);
      if (custom != codes.end()) {
        if (IsDateFormatCode(custom->second)) kind = IsTimeOnlyFormatCode(custom->second) ? 2 : 1;
      } else if (IsDateFormatId(id)) {
        kind = IsTimeOnlyFormatId(id) ? 2 : 1;
      }
      styles.dateKind.push_back(kind);
    }
  }
  return styles;
}

// "B12" -> column 1, row 11. False for anything that is no reference inside the sheet's limits.
bool ParseReference(const std::string& ref, std::uint32_t* column, std::uint32_t* row) {
  std::size_t i = 0;
  std::uint32_t c = 0;
  while (i < ref.size() && i < 4 && ref[i] >= 'A' && ref[i] <= 'Z')
    c = c * 26 + static_cast<std::uint32_t>(ref[i++] - 'A' + 1);
  if (i == 0 || c > kMaxColumns) return false;
  const std::string digits = ref.substr(i);
  if (!IsDigits(digits)) return false;
  const long r = std::strtol(digits.c_str(), nullptr, 10);
  if (r < 1 || r > static_cast<long>(kMaxRows)) return false;
  *column = c - 1;
  *row = static_cast<std::uint32_t>(r - 1);
  return true;
}

// "2024-03-05T13:45:00" (a t="d" cell) -> "2024-03-05 13:45:00"; midnight drops the time.
std::string IsoDateText(std::string v) {
  std::size_t t = v.find('T');
  if (t == std::string::npos) return v;
  std::string time = v.substr(t + 1);
  if (time.rfind("00:00:00", 0) == 0 && time.find_first_not_of("0:.Z", 8) == std::string::npos)
    return v.substr(0, t);
  v[t] = ' ';
  return v;
}

class SheetReader {
 public:
  SheetReader(const std::vector<std::string>& strings, const Styles& styles, bool date1904,
              LoadBudget* budget)
      : strings_(strings), styles_(styles), date1904_(date1904), budget_(budget) {}

  void Read(const std::string& xml, const std::string& part, Table* table) {
    XmlPull x(xml, part);
    part_ = &part;
    row_ = column_ = nextColumn_ = 0;
    started_ = inCell_ = inValue_ = inInline_ = inText_ = inPhonetic_ = false;
    while (x.Next()) {
      if (x.IsStart()) {
        Start(x);
      } else if (x.IsEnd()) {
        End(x.LocalName(), table);
      } else if (x.IsText() && inCell_ && (inValue_ || (inInline_ && inText_ && !inPhonetic_))) {
        value_ += x.Text();
        hasValue_ = true;
      }
    }
  }

 private:
  void Start(XmlPull& x) {
    const std::string_view name = x.LocalName();
    if (name == "row") {
      const std::string r = x.Attribute("r");
      if (!r.empty()) {
        if (!IsDigits(r) || std::atol(r.c_str()) < 1 || std::atol(r.c_str()) > long{kMaxRows})
          Damaged(*part_ + ": bad row number '" + r + "'");
        row_ = static_cast<std::uint32_t>(std::atol(r.c_str()) - 1);
      } else {
        row_ = started_ ? row_ + 1 : 0;
      }
      if (row_ >= kMaxRows) Damaged(*part_ + ": more rows than a sheet can have");
      started_ = true;
      nextColumn_ = 0;
    } else if (name == "c") {
      const std::string ref = x.Attribute("r");
      std::uint32_t row = row_;
      if (!ref.empty()) {
        if (!ParseReference(ref, &column_, &row))
          Damaged(*part_ + ": bad cell reference '" + ref + "'");
        row_ = row;
        started_ = true;
      } else {
        column_ = nextColumn_;
        if (column_ >= kMaxColumns) Damaged(*part_ + ": more columns than a sheet can have");
      }
      nextColumn_ = column_ + 1;
      type_ = x.Attribute("t");
      const std::string s = x.Attribute("s");
      style_ = IsDigits(s) ? std::atoi(s.c_str()) : 0;
      value_.clear();
      hasValue_ = false;
      inCell_ = !x.IsEmptyElement();
    } else if (inCell_ && !x.IsEmptyElement()) {
      if (name == "v")
        inValue_ = true;
      else if (name == "is")
        inInline_ = true;
      else if (name == "t")
        inText_ = true;
      else if (name == "rPh")
        inPhonetic_ = true;
    }
  }

  void End(std::string_view name, Table* table) {
    if (name == "v")
      inValue_ = false;
    else if (name == "is")
      inInline_ = false;
    else if (name == "t")
      inText_ = false;
    else if (name == "rPh")
      inPhonetic_ = false;
    else if (name == "c" && inCell_) {
      inCell_ = false;
      if (hasValue_) Emit(table);
    }
  }

  void Emit(Table* table) {
    Cell cell;
    cell.row = row_;
    cell.column = column_;
    if (type_ == "s") {
      const std::string& v = value_;
      if (!IsDigits(v) || static_cast<std::size_t>(std::atol(v.c_str())) >= strings_.size())
        Damaged(*part_ + ": bad shared-string index '" + v + "'");
      cell.text = strings_[static_cast<std::size_t>(std::atol(v.c_str()))];
    } else if (type_ == "str" || type_ == "inlineStr" || type_ == "e") {
      cell.text = value_;
    } else if (type_ == "b") {
      cell.text = value_ == "1" || value_ == "true" ? "TRUE" : "FALSE";
    } else if (type_ == "d") {
      cell.text = IsoDateText(value_);
    } else {
      const char* begin = value_.c_str();
      char* end = nullptr;
      errno = 0;
      const double number = std::strtod(begin, &end);
      while (end && (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n')) ++end;
      if (end == begin || *end != '\0') Damaged(*part_ + ": bad number '" + value_ + "'");
      const std::uint8_t dateKind =
          style_ >= 0 && static_cast<std::size_t>(style_) < styles_.dateKind.size()
              ? styles_.dateKind[static_cast<std::size_t>(style_)]
              : 0;
      if (dateKind != 0)
        cell.text = DateText(number, date1904_, dateKind == 2);
      else
        SetNumber(&cell, number);
    }
    budget_->AddCell(cell.text.size());
    table->cells.push_back(std::move(cell));
  }

  const std::vector<std::string>& strings_;
  const Styles& styles_;
  const bool date1904_;
  LoadBudget* budget_;
  const std::string* part_ = nullptr;

  std::uint32_t row_ = 0, column_ = 0, nextColumn_ = 0;
  bool started_ = false;
  std::string type_;
  int style_ = 0;
  std::string value_;
  bool hasValue_ = false, inCell_ = false, inValue_ = false, inInline_ = false, inText_ = false,
       inPhonetic_ = false;
};

}  // namespace

std::vector<Table> ReadXlsx(const ZipArchive& zip, LoadBudget* budget) {
  const std::size_t cap = budget->Limit();
  const std::string workbook = WorkbookPart(zip, cap);
  if (workbook.ends_with(".bin") || zip.Has("xl/workbook.bin"))
    throw ReadError(ReadError::kUnsupportedFormat,
                    "Excel binary workbooks (.xlsb) are not read; save the workbook as .xlsx");
  if (!zip.Has(workbook)) Damaged("the container holds no workbook (" + workbook + ")");

  const WorkbookRelationships rels = ReadWorkbookRelationships(zip, workbook, cap);
  bool date1904 = false;
  const std::vector<SheetRef> sheets = ReadSheetList(zip, workbook, rels.targets, cap, &date1904);
  const std::vector<std::string> strings = ReadSharedStrings(zip, rels.stringsPart, cap, budget);
  const Styles styles = ReadStyles(zip, rels.stylesPart, cap);

  std::vector<Table> tables;
  SheetReader reader(strings, styles, date1904, budget);
  for (const SheetRef& sheet : sheets) {
    if (!zip.Has(sheet.part)) Damaged("the sheet '" + sheet.name + "' has no part");
    const std::string xml = zip.Read(sheet.part, cap);
    if (xml.find("<worksheet") == std::string::npos && xml.find(":worksheet") == std::string::npos)
      continue;  // a chart sheet or a dialog sheet: no cells
    Table table;
    table.name = sheet.name + "$";
    reader.Read(xml, sheet.part, &table);
    tables.push_back(std::move(table));
  }
  return tables;
}

}  // namespace kavra_files
