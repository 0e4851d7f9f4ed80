#include "brunox/ui/TaskPage.h"

#include "brunox/ui/TaskProps.h"

CTaskPage::CTaskPage(TaskProps& dialog, QWidget* parent) : QWidget(parent), dialog_(dialog) {}

CTaskPage::~CTaskPage() = default;

const CColorizer& CTaskPage::Colorizer() const { return dialog_.Colorizer(); }
