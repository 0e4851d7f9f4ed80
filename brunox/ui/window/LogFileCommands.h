#pragma once
// The Tools > Log file commands: open the program log with the desktop, or empty it.

// Opens the log file with the desktop's viewer; says why when there is none to open.
void ViewLogFile();
// Empties the log file; the log goes on writing at its new start. Says why when it cannot.
void TruncateLogFile();
