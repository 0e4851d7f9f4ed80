#pragma once
// The executed-statement log of a run as a table of eight columns: task, task name, thread,
// statement, rows fetched, execution and fetch time, time of day. The first line of the file (the
// header) is not a row; fields past the eighth (counter samples) are not shown.
//
// A log may hold millions of lines, so loading only notes where each line starts, reading the
// file in large blocks; a row is read and decoded when the view asks for it, and the rows the
// view showed last are kept decoded. The file stays open while it is shown, so a log that is
// deleted or replaced later still shows the rows it had when it was loaded (a log rewritten in
// place shows what is there now until the next load).
#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/UserFile.h"

class StatementLogModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 8;
  enum class LoadResult {
    Loaded,
    Missing,     // no such file: the rows stay as they were
    Unreadable,  // it could not be opened: the rows stay as they were
  };

  explicit StatementLogModel(QObject* parent = nullptr);
  ~StatementLogModel() override;

  // Reads the log at `path` afresh. A file beginning with the byte-order mark FF FE is UTF-16LE;
  // any other is 8-bit text (UTF-8 where a line is valid UTF-8, else Latin-1).
  LoadResult Load(const std::wstring& path);

  // The fields of a row as shown (always kColumnCount of them; empty when out of range).
  QStringList Row(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  struct CachedRow {
    int row = -1;
    QStringList fields;
  };
  // Where every line of the open file starts, and the end of the last one. False when the file
  // could not be read.
  static bool IndexLines(std::FILE* file, bool utf16, std::int64_t dataStart,
                         std::vector<std::int64_t>& bounds);
  QStringList ReadRow(int row) const;
  QString DecodeLine(const std::string& bytes) const;

  platform::UniqueFile file_;
  bool utf16_ = false;
  // bounds_[i] is where line i begins, bounds_[i + 1] where the next does (or the file ends);
  // line 0 is the header, so row r is line r + 1.
  std::vector<std::int64_t> bounds_;
  int rows_ = 0;
  // Direct-mapped by row number: a screenful of rows is decoded once, not once per column.
  mutable std::vector<CachedRow> cache_;
};
