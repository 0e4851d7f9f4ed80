#include "brunox/ui/run/StatementLogModel.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/Text.h"

namespace {

constexpr std::size_t kIndexBlockBytes = std::size_t{4} << 20;  // even: UTF-16 units never split
constexpr std::size_t kCachedRows = 512;

const char* const kHeadings[StatementLogModel::kColumnCount] = {
    "Task", "TaskName", "Thread", "SQL", "Fetched", "ExecTime", "FetchTime", "Timestamp"};

enum Column { kTask = 0, kTaskName, kThread, kSql, kFetched, kExecTime, kFetchTime, kTimestamp };

bool IsNumberColumn(int column) {
  return column == kTask || column == kThread || column == kFetched || column == kExecTime ||
         column == kFetchTime;
}

// Reads `count` bytes at `offset`; fewer when the file has become shorter since it was indexed.
std::size_t ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, count - done,
                              static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace

StatementLogModel::StatementLogModel(QObject* parent)
    : QAbstractTableModel(parent), cache_(kCachedRows) {}

StatementLogModel::~StatementLogModel() = default;

StatementLogModel::LoadResult StatementLogModel::Load(const std::wstring& path) {
  if (!platform::FileExists(path)) return LoadResult::Missing;
  platform::UniqueFile file = platform::OpenUserFile(path);
  if (!file) return LoadResult::Unreadable;
  unsigned char mark[2] = {0, 0};
  const bool utf16 = std::fread(mark, 1, 2, file.get()) == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
  std::vector<std::int64_t> bounds;
  if (!IndexLines(file.get(), utf16, utf16 ? 2 : 0, bounds)) return LoadResult::Unreadable;

  beginResetModel();
  file_ = std::move(file);
  utf16_ = utf16;
  bounds_ = std::move(bounds);
  const std::size_t lines = bounds_.size() - 1;
  rows_ = static_cast<int>(std::min<std::size_t>(lines > 0 ? lines - 1 : 0, INT_MAX));
  for (CachedRow& cached : cache_) cached = CachedRow();
  endResetModel();
  return LoadResult::Loaded;
}

bool StatementLogModel::IndexLines(std::FILE* file, bool utf16, std::int64_t dataStart,
                                   std::vector<std::int64_t>& bounds) {
  if (fseeko(file, static_cast<off_t>(dataStart), SEEK_SET) != 0) return false;
  std::vector<char> block(kIndexBlockBytes);
  bounds.assign(1, dataStart);
  std::int64_t offset = dataStart;  // of the block's first byte
  for (;;) {
    const std::size_t got = std::fread(block.data(), 1, block.size(), file);
    const char* const begin = block.data();
    const char* const end = begin + got;
    for (const char* p = begin; p < end;) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      if (!lf) break;
      const std::int64_t at = offset + (lf - begin);
      if (!utf16) {
        bounds.push_back(at + 1);
      } else if ((at - dataStart) % 2 == 0 && lf + 1 < end && lf[1] == 0) {
        // A line feed is the unit 0A 00; a 0A byte elsewhere belongs to another character.
        bounds.push_back(at + 2);
      }
      p = lf + 1;
    }
    offset += static_cast<std::int64_t>(got);
    if (got < block.size()) break;
  }
  if (std::ferror(file)) return false;
  // A last line without a line end is still a line; a lone byte after the last UTF-16 unit is not.
  std::int64_t fileEnd = offset;
  if (utf16) fileEnd -= (fileEnd - dataStart) % 2;
  if (bounds.back() < fileEnd) bounds.push_back(fileEnd);
  return true;
}

QString StatementLogModel::DecodeLine(const std::string& bytes) const {
  return platform::IsValidUtf8(bytes) ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                                      : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

QStringList StatementLogModel::ReadRow(int row) const {
  const std::size_t line = static_cast<std::size_t>(row) + 1;
  const std::int64_t start = bounds_[line];
  const std::size_t length = static_cast<std::size_t>(
      std::min<std::int64_t>(bounds_[line + 1] - start, std::int64_t{platform::kUserLineMaxBytes}));
  const int fd = fileno(file_.get());
  QString text;
  if (utf16_) {
    std::u16string units(length / 2, u'\0');
    units.resize(ReadAt(fd, units.data(), units.size() * 2, start) / 2);
    if (!units.empty() && units.back() == u'\n') units.pop_back();
    if (!units.empty() && units.back() == u'\r') units.pop_back();
    text = QString::fromUtf16(units.data(), qsizetype(units.size()));
  } else {
    std::string bytes(length, '\0');
    bytes.resize(ReadAt(fd, bytes.data(), bytes.size(), start));
    if (!bytes.empty() && bytes.back() == '\n') bytes.pop_back();
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    text = DecodeLine(bytes);
  }
  QStringList fields = text.split(QLatin1Char('\t'));
  while (fields.size() > kColumnCount) fields.removeLast();
  while (fields.size() < kColumnCount) fields.append(QString());
  return fields;
}

QStringList StatementLogModel::Row(int row) const {
  if (row < 0 || row >= rows_) return QStringList(kColumnCount, QString());
  CachedRow& cached = cache_[static_cast<std::size_t>(row) % cache_.size()];
  if (cached.row != row) {
    cached.fields = ReadRow(row);
    cached.row = row;
  }
  return cached.fields;
}

int StatementLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int StatementLogModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant StatementLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= kColumnCount) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Row(index.row()).at(index.column());
    case Qt::ToolTipRole:
      // A statement is often wider than its column.
      return index.column() == kSql ? QVariant(Row(index.row()).at(kSql)) : QVariant();
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(IsNumberColumn(index.column())
                                     ? Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter)
                                     : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

QVariant StatementLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumnCount)
    return {};
  return QString::fromLatin1(kHeadings[section]);
}
