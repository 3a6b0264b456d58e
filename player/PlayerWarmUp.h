#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace kestrova {

class CPlayerDlg;

// Warms the player's engine up at the first sign that a movie is wanted soon, so the program
// starts and rests without one: the first input to the main window, or the main window's
// activation once the player has shown (a person comes back to it to type). Watches the
// whole application until then, and nothing after.
class PlayerWarmUp : public QObject {
    Q_OBJECT

public:
    PlayerWarmUp(QWidget& mainWindow, CPlayerDlg& player);
    ~PlayerWarmUp() override;

    // Warms up now, unless that has been done.
    void now();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool showsIntent(QObject* watched, QEvent* event) const;

    QPointer<QWidget> m_mainWindow;
    QPointer<CPlayerDlg> m_player;
    bool m_done = false;
};

} // namespace kestrova
