#pragma once
// The "..." buttons next to a path edit: a file or folder dialog that starts from the edit's
// text; the chosen path replaces that text, and a cancelled dialog leaves it as it was.
#include <string>

class QLineEdit;

// A save-file dialog; an empty answer is taken as cancelled.
void ChooseSavePath(QLineEdit& edit, const std::wstring& filter, const std::wstring& defaultExt);
// An open-file dialog titled `title` ("" gives the dialog's own title).
void ChooseOpenPath(QLineEdit& edit, const std::wstring& filter, const std::wstring& title = L"");
// A dialog that chooses an existing folder.
void ChooseFolderPath(QLineEdit& edit, const std::wstring& title);
