#include "brunox/ui/run/RunRowsModel.h"

#include "brunox/engine/project/RunEvents.h"

RunRowsModel::RunRowsModel(const RunRows& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows) {}

RunRowsModel::~RunRowsModel() = default;

int RunRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows_;
}

int RunRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString RunRowsModel::StatusText(int status) {
  switch (status) {
    case RunRows::kPrepared:
      return QStringLiteral("Prepared");
    case kThreadRunning:
      return QStringLiteral("Running");
    case kThreadStopped:
      return QStringLiteral("Terminated");
    case kThreadFinished:
      return QStringLiteral("All done");
    case kThreadEndedFailed:
      return QStringLiteral("Error found");
    case kThreadPaused:
      return QStringLiteral("Paused");
    default:
      return QString();
  }
}

QVariant RunRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shownRows_) return {};
  if (role == Qt::CheckStateRole && index.column() == kTask)
    return checked_[static_cast<size_t>(index.row())] ? Qt::Checked : Qt::Unchecked;
  if (role != Qt::DisplayRole) return {};
  const RunRows::Row row = rows_.Get(index.row());
  switch (index.column()) {
    case kTask:
      return QString::fromStdWString(row.task);
    case kThread:
      return QString::asprintf("%2d", row.thread);
    case kStatus:
      return StatusText(row.status);
    case kExecuted:
      return QString::number(row.executed);
    default:
      return {};
  }
}

bool RunRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != kTask ||
      index.row() >= shownRows_)
    return false;
  checked_[static_cast<size_t>(index.row())] =
      value.value<Qt::CheckState>() == Qt::Checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

Qt::ItemFlags RunRowsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == kTask) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant RunRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kTask:
      return QStringLiteral("Task");
    case kThread:
      return QStringLiteral("Thread");
    case kStatus:
      return QStringLiteral("Status");
    case kExecuted:
      return QStringLiteral("Executed");
    default:
      return {};
  }
}

void RunRowsModel::Refresh() {
  // The version is read before the rows: whatever changes after it moves the version again and
  // is shown by the next Refresh.
  const std::uint64_t version = rows_.Version();
  if (version == shownVersion_) return;
  shownVersion_ = version;
  const int count = rows_.Count();
  if (count < shownRows_) {
    // Emptied without a Reset (no listener): start over.
    Reset();
    shownVersion_ = version;
  }
  const int oldRows = shownRows_;
  if (count > shownRows_) {
    beginInsertRows(QModelIndex(), shownRows_, count - 1);
    shownRows_ = count;
    checked_.resize(static_cast<size_t>(count), false);
    endInsertRows();
  }
  // New rows are painted by their insertion; the rows shown before may have a new state.
  if (oldRows > 0)
    emit dataChanged(index(0, kTask), index(oldRows - 1, kExecuted), {Qt::DisplayRole});
}

void RunRowsModel::Reset() {
  beginResetModel();
  shownRows_ = 0;
  shownVersion_ = rows_.Version();
  checked_.clear();
  endResetModel();
}

bool RunRowsModel::IsChecked(int row) const {
  return row >= 0 && row < shownRows_ && checked_[static_cast<size_t>(row)];
}

void RunRowsModel::SetChecked(int row, bool checked) {
  setData(index(row, kTask), checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

QList<int> RunRowsModel::CheckedRows() const {
  QList<int> rows;
  for (int row = 0; row < shownRows_; ++row)
    if (checked_[static_cast<size_t>(row)]) rows.append(row);
  return rows;
}
