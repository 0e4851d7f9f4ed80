#pragma once
// Random dates and times from a format such as "YYYY.MM.DD HH:MM:SS": "$RDate(..)" for the date
// part, "$RTime(..)" for the time part. The formats entered are remembered.
#include "brunox/ui/task/OptionPage.h"

class CHistCBox;

class OpDateTime : public OptionPage {
  Q_OBJECT

 public:
  explicit OpDateTime(QWidget* parent = nullptr);
  ~OpDateTime() override;

  void LoadParam(const TaskParam& param) override;
  void StoreParam(TaskParam& param) override;
  void PreviewParam(TaskParam& param) override;

  // Method and pattern from PropDateFormat.
  static void BuildPattern(TaskParam& param);

 private:
  CHistCBox* format_;
};
