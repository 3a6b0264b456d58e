#include "request/PanelInputHold.h"

#include <QApplication>
#include <QKeyEvent>

namespace kestrova {

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool isMainWindowKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
    return key->key() == Qt::Key_Escape || key->key() == Qt::Key_Menu || shiftF10;
}

} // namespace

PanelInputHold::PanelInputHold(QWidget* panel)
    : m_panel(panel) {}

PanelInputHold::~PanelInputHold() {
    release();
}

void PanelInputHold::hold() {
    if (m_held) {
        return;
    }
    m_held = true;
    qApp->installEventFilter(this);
    m_waitCursor.emplace();
}

void PanelInputHold::release() {
    if (!m_held) {
        return;
    }
    m_held = false;
    qApp->removeEventFilter(this);
    m_waitCursor.reset();
}

bool PanelInputHold::insidePanel(QObject* object) const {
    auto* widget = qobject_cast<QWidget*>(object);
    return m_panel && widget && (widget == m_panel || m_panel->isAncestorOf(widget));
}

bool PanelInputHold::eventFilter(QObject* watched, QEvent* event) {
    return isUserInput(event->type()) && !isMainWindowKey(event) && insidePanel(watched);
}

} // namespace kestrova
