#include "sompel/AdvConnectDlg.h"

#include "sompel/AdvConnect.h"

struct CAdvConnectDlg::Controls {};

CAdvConnectDlg::CAdvConnectDlg(CAdvConnect& connector, QWidget* parent)
    : CSmDialog(parent, QStringLiteral("AdvConnect")), connector_(connector),
      controls_(std::make_unique<Controls>()) {}
CAdvConnectDlg::~CAdvConnectDlg() = default;
CONN_INFO CAdvConnectDlg::Chosen() const { return connector_.Info; }
void CAdvConnectDlg::Show(const CONN_INFO&) {}
bool CAdvConnectDlg::TestConnection() { return false; }
bool CAdvConnectDlg::SaveProfile(const QString&) { return false; }
bool CAdvConnectDlg::LoadProfile(const QString&) { return false; }
void CAdvConnectDlg::accept() { CSmDialog::accept(); }
