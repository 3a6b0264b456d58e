#include "app/CAboutDlg.h"

#include "process/VersionInfo.h"
#include "widgets/DialogBuilder.h"
#include "widgets/OpenUrl.h"

#include <QLabel>
#include <QPushButton>

namespace kestrova {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent) {
    BuildDialog(GetDialogTemplate(ids::kAboutDialog), this);
    auto* ok = findControl<QPushButton>(this, ids::kOk);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* link = findControl<QLabel>(this, ids::kMakerLink);
    connect(link, &QLabel::linkActivated, this, [] { OpenMakerHomePage(); });
}

CAboutDlg::~CAboutDlg() = default;

// The dialog initialises when it is first shown, as a template dialog does when it is created.
void CAboutDlg::setVisible(bool visible) {
    if (visible && !m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CAboutDlg::OnInitDialog() {
    m_strVersion = QString::fromStdU16String(AboutVersionText(GetVersionLabel()));
    UpdateData();
}

void CAboutDlg::UpdateData() {
    findControl<QLabel>(this, ids::kVersionText)->setText(m_strVersion);
}

} // namespace kestrova
