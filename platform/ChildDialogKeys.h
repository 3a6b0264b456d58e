#pragma once

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace kestrova {

// The panels inside the main window leave Enter and Esc to it, as child dialogs do. Their push
// buttons must not become the main window's default button (Qt makes the first one default
// when a dialog is shown, and Enter in the address box would then start a request), yet a
// focused button still takes Enter as it does on the platform.
inline void MakeButtonsNonDefault(QWidget* panel) {
    for (QPushButton* button : panel->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

// Handles a key that reached the panel: Enter on one of its focused buttons clicks it;
// everything else goes on to the main window.
inline void HandleChildDialogKey(QWidget* panel, QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    auto* button = qobject_cast<QPushButton*>(panel->focusWidget());
    if (enter && button && button->parentWidget() == panel && button->isEnabled()) {
        button->click();
        return;
    }
    event->ignore();
}

} // namespace kestrova
