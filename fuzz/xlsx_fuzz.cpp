// The .xlsx reader on arbitrary bytes taken as a workbook file: the zip container, its XML parts
// and the SQLite tables built from them. Any input either loads or fails with a reader error;
// nothing may crash, leak, hang or throw anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kavra/FileDatabase.h"
#include "kavra/FileTables.h"
#include "kavra/XlsxReader.h"
#include "kavra/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    // A small budget: a tiny input that inflates to a huge part must stop at the cap.
    kavra_files::LoadBudget budget(std::size_t{8} << 20);
    std::vector<kavra_files::Table> tables =
        kavra_files::ReadXlsx(kavra_files::ZipArchive::OpenMemory(data, size), &budget);
    const bool header = size > 0 && (data[size - 1] & 1) != 0;
    kavra_files::SqliteHandle db = kavra_files::BuildDatabase(&tables, header);
    if (!db) std::abort();
  } catch (const kavra_files::ReadError&) {
  }
  return 0;
}
