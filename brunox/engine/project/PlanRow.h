#pragma once
// One row of a captured execution plan: eight text columns, filled in the order the server's
// plan dialect gives them and printed in that order.
#include <array>
#include <string>

struct PlanRow {
  static constexpr int kColumns = 8;
  std::array<std::wstring, kColumns> Columns;

  bool operator==(const PlanRow&) const = default;
};
