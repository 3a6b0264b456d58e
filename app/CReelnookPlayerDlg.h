#pragma once

#include "widgets/Compositor.h"

#include <functional>
#include <memory>

#include <QDialog>
#include <QIcon>
#include <QPoint>
#include <QSize>

class QMenu;

namespace kestrova {

// Where the minimised window draws its icon: centred in the client area, an odd difference
// rounding up (the division truncates toward zero, so a larger icon rounds the other way).
QPoint CenteredIconOrigin(QSize client, QSize icon);

// Fills the menu that stands in for the window's system menu: minimise, close, then a
// separator and the About item, both left out when the About text is empty.
void FillSystemMenu(QMenu* menu, const QString& aboutText);

// The program's main window: the control panel, the "Powered By" link, the About
// command and, where a compositor offers it, a glass band around the panel. It is shown
// beside the player window, neither blocking the other, and the application's event loop
// runs until it closes: closing it ends the program.
class CReelnookPlayerDlg : public QDialog {
    Q_OBJECT

public:
    // Makes the control panel inside the main window; the panel saves its data when destroyed.
    using ControlPanelFactory = std::function<std::unique_ptr<QWidget>(QWidget* parent)>;

    // The panel is made by `controlPanel` when the window is first shown; without one there is
    // no panel.
    explicit CReelnookPlayerDlg(ControlPanelFactory controlPanel = {},
                                Compositor& compositor = SystemCompositor());
    ~CReelnookPlayerDlg() override;

    void setVisible(bool visible) override;
    // Enter (the confirmation command) leaves the window open.
    void accept() override;
    // Closes the window, which ends the program's run, then destroys the windows: the control
    // panel first.
    void done(int result) override;

    bool DestroyWindow();
    // The compositor switched composition on or off.
    void OnCompositionChanged();
    // Runs a command of the system menu.
    void OnSysCommand(int command);

    bool glassEnabled() const { return m_bGlass; }
    const GlassMargins& glassMargins() const { return m_glassMargins; }
    QWidget* controlPanel() const { return m_controlDlg.get(); }
    QMenu* systemMenu() const { return m_systemMenu; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnInitDialog();
    void updateGlass();

    std::unique_ptr<QWidget> m_controlDlg;
    bool m_bGlass = false;
    GlassMargins m_glassMargins;
    QIcon m_hIcon;
    ControlPanelFactory m_controlPanelFactory;
    Compositor& m_compositor;
    QMenu* m_systemMenu = nullptr;
    bool m_initialised = false;
};

} // namespace kestrova
