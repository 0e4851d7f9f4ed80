#pragma once
// CTirun: a line chart of values (x, y, group) over a vertical value axis and a horizontal axis,
// painted with QPainter into any device at a given rectangle. The chart owns its values; a page
// fills it, clears it and fills it again as its data changes.
#include <map>
#include <string>
#include <vector>

class QPainter;
class QRect;

// One axis: its range, its title, the step between labelled ticks (with a grid line each) and the
// step between small ticks. A step that would crowd the labels is replaced by a readable one.
struct AxisInfo {
  AxisInfo() = default;
  AxisInfo(double min, double max, std::wstring title, double majorStep, double minorStep)
      : min(min), max(max), title(std::move(title)), majorStep(majorStep), minorStep(minorStep) {}

  double min = 0;
  double max = 0;
  std::wstring title;
  double majorStep = 0;
  double minorStep = 0;
};

// One point of one group (series). Groups are numbered from 0.
struct ChartValue {
  double x = 0;
  double y = 0;
  int group = 0;
};

class CTirun {
 public:
  // Axis indexes: the first axis added is the value axis, the second the horizontal one.
  static constexpr int kValueAxis = 0;
  static constexpr int kHorizontalAxis = 1;
  // Chart kinds. Only line charts are drawn; any other kind is drawn as one.
  static constexpr int kLineChart = 2;
  // Option flags: mark each point with a dot while the points are few enough to tell apart.
  static constexpr int kMarkPoints = 1;

  // Returns the new axis's index. Axes past the second are kept but not drawn.
  int AddAxis(AxisInfo axis);
  // False for an axis that was not added.
  bool SetAxisRange(int axis, double min, double max);
  bool SetAxisTitle(int axis, std::wstring title);

  void Configure(int kind, int options);
  void AssignGroup(int group, std::wstring name);

  // Takes a copy of the value. A value with a coordinate that is not a finite number, or with a
  // negative group, is refused (false).
  bool AddValue(ChartValue value);
  void ClearValues();

  // Draws the whole chart into `area`, text sized from the painter's font. The painter's state
  // is left as it was.
  void Paint(QPainter& painter, const QRect& area) const;

  int AxisCount() const { return static_cast<int>(axes_.size()); }
  // A missing axis reads as an empty one (range 0 to 0, no title).
  AxisInfo Axis(int axis) const;
  int Kind() const { return kind_; }
  int Options() const { return options_; }
  const std::vector<ChartValue>& Values() const { return values_; }
  // The assigned name, else "Group <n + 1>".
  std::wstring GroupName(int group) const;
  // The groups that have at least one value, in ascending order: the legend lists these.
  std::vector<int> GroupsWithValues() const;

 private:
  std::vector<AxisInfo> axes_;
  std::map<int, std::wstring> groupNames_;
  std::vector<ChartValue> values_;
  int kind_ = kLineChart;
  int options_ = 0;
};
