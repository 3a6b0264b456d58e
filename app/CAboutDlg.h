#pragma once

#include <QDialog>
#include <QString>

namespace kestrova {

// The About box: the program icon, its name and version, a second fixed line, a link to the
// maker's home page, and OK. Modal to the main window only; OK, Esc and the close box close it.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    void setVisible(bool visible) override;

private:
    void OnInitDialog();
    // m_strVersion into the version line; the box never reads its controls back.
    void UpdateData();

    QString m_strVersion;
    bool m_initialised = false;
};

} // namespace kestrova
