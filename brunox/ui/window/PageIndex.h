#pragma once
// The pages of the main window, in the order the window holds them; the navigation tree's items
// carry these numbers.

// In a namespace of their own: the settings pages' store classes carry some of the same names.
namespace PageIndex {
enum : int {
  PagePackage = 0,            // the project: run mode and task list
  PageProps = 1,              // project properties
  PageConsole = 2,            // execution console
  PageSettingsMain = 3,       // general settings
  PageStat = 4,               // statistics table
  PageGraph = 5,              // statistics graph
  PageRunSQL = 6,             // SQL console
  PgLogView = 7,              // program log
  PgReportViewProject = 8,    // project description report
  PgReportViewExecution = 9,  // execution report
  PageSQLLog = 10,            // executed-statement log
  PgReportViewCounters = 11,  // counters report
  PagePlugin = 12,            // execution plans
  PagePlugin2 = 13,           // performance counters
  PageCompare = 14,           // report comparison
  PageSettingsReport = 15,    // report options
  PageSettingsTask = 16,      // task defaults
  kPageCount = 17
};
}  // namespace PageIndex

// The help file (in the program's help folder) that describes a page.
inline const wchar_t* HelpTopicOf(int page) {
  switch (page) {
    case PageIndex::PageProps:
      return L"projprops.html";
    case PageIndex::PageConsole:
      return L"console.html";
    case PageIndex::PageSettingsMain:
      return L"settings.html";
    case PageIndex::PageStat:
      return L"stat.html";
    case PageIndex::PageGraph:
      return L"graph.html";
    case PageIndex::PageRunSQL:
      return L"runsql.html";
    case PageIndex::PgLogView:
      return L"log.html";
    case PageIndex::PagePlugin:
      return L"showplan.html";
    case PageIndex::PagePlugin2:
      return L"perfplugin.html";
    case PageIndex::PageCompare:
      return L"compare.html";
    default:
      return L"index.html";
  }
}
