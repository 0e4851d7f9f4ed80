#pragma once
// The connection strings of Access and Excel files, as the Windows drivers and providers take
// them:
//   DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=<path>;[ReadOnly=1;]
//   Provider=Microsoft.ACE.OLEDB.12.0;Data Source=<path>;Extended Properties="Excel 12.0
//   Xml;HDR=YES" Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Extended
//   Properties="Excel 8.0;IMEX=1;HDR=NO" Driver={Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm,
//   *.xlsb)};DriverId=1046;DBQ=<path>;
// Keys compare without regard to case; a value may be written in braces or double quotes (a
// doubled quote inside stands for one).
#include <string>

namespace kavra_files {

struct FileSource {
  std::wstring path;
  bool headerRow = true;  // HDR=NO in the extended properties, or FirstRowHasNames=0, clears it
  bool readOnly = false;  // ReadOnly=1 (the file is never written either way)
};

// True when `text` is such a connection string: a Jet or ACE OLE DB provider with a data source,
// or an Access or Excel driver with DBQ. Fills *out when given.
bool ParseFileConnString(const std::wstring& text, FileSource* out = nullptr);

}  // namespace kavra_files
