#include "player/PlayerWarmUp.h"

#include "player/CPlayerDlg.h"

#include <QApplication>

namespace kestrova {

PlayerWarmUp::PlayerWarmUp(QWidget& mainWindow, CPlayerDlg& player)
    : m_mainWindow(&mainWindow)
    , m_player(&player) {
    qApp->installEventFilter(this);
}

PlayerWarmUp::~PlayerWarmUp() {
    qApp->removeEventFilter(this);
}

void PlayerWarmUp::now() {
    if (std::exchange(m_done, true))
        return;
    qApp->removeEventFilter(this);
    if (m_player)
        m_player->warmUp();
}

bool PlayerWarmUp::showsIntent(QObject* watched, QEvent* event) const {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod: {
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && widget->window() == m_mainWindow;
    }
    case QEvent::WindowActivate:
        return watched == m_mainWindow && m_player && m_player->isVisible();
    default:
        return false;
    }
}

bool PlayerWarmUp::eventFilter(QObject* watched, QEvent* event) {
    if (!m_done && showsIntent(watched, event))
        now();
    return false;
}

} // namespace kestrova
