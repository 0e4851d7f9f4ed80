#include "tirun/Tirun.h"

#include <cmath>
#include <set>

#include "tirun/ChartPainter.h"

int CTirun::AddAxis(AxisInfo axis) {
  axes_.push_back(std::move(axis));
  return AxisCount() - 1;
}

bool CTirun::SetAxisRange(int axis, double min, double max) {
  if (axis < 0 || axis >= AxisCount()) return false;
  axes_[axis].min = min;
  axes_[axis].max = max;
  return true;
}

bool CTirun::SetAxisTitle(int axis, std::wstring title) {
  if (axis < 0 || axis >= AxisCount()) return false;
  axes_[axis].title = std::move(title);
  return true;
}

void CTirun::Configure(int kind, int options) {
  kind_ = kind;
  options_ = options;
}

void CTirun::AssignGroup(int group, std::wstring name) { groupNames_[group] = std::move(name); }

bool CTirun::AddValue(ChartValue value) {
  if (!std::isfinite(value.x) || !std::isfinite(value.y) || value.group < 0) return false;
  values_.push_back(value);
  return true;
}

void CTirun::ClearValues() { values_.clear(); }

void CTirun::Paint(QPainter& painter, const QRect& area) const {
  tirun::PaintChart(*this, painter, area);
}

AxisInfo CTirun::Axis(int axis) const {
  if (axis < 0 || axis >= AxisCount()) return {};
  return axes_[axis];
}

std::wstring CTirun::GroupName(int group) const {
  const auto named = groupNames_.find(group);
  if (named != groupNames_.end()) return named->second;
  return L"Group " + std::to_wstring(static_cast<long long>(group) + 1);
}

std::vector<int> CTirun::GroupsWithValues() const {
  std::set<int> groups;
  for (const ChartValue& value : values_) groups.insert(value.group);
  return {groups.begin(), groups.end()};
}
