#include "sompel/RunSQL.h"

struct CRunSQL::Parts {};

CRunSQL::CRunSQL(QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>()) {}
CRunSQL::~CRunSQL() = default;
void CRunSQL::Init(int, int, const QString&, int, const CColorizer*) {}
void CRunSQL::SetConnection(CDB* db) { db_ = db; }
QString CRunSQL::Text() const { return {}; }
void CRunSQL::SetText(const QString&) {}
int CRunSQL::Run() { return 0; }
QTableWidget* CRunSQL::Grid() const { return nullptr; }
QPlainTextEdit* CRunSQL::Messages() const { return nullptr; }
QsciScintilla* CRunSQL::Editor() const { return nullptr; }
