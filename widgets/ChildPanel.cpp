#include "widgets/ChildPanel.h"

#include "widgets/DialogBuilder.h"

#include <QKeyEvent>
#include <QPushButton>

namespace kestrova {

namespace {

// Qt makes the first push button of a dialog its default when the dialog is shown, and Enter
// in the address box would then start a request; a focused button still takes Enter.
void makeButtonsNonDefault(QWidget* panel) {
    for (QPushButton* button : panel->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

} // namespace

ChildPanel::ChildPanel(int templateId)
    : QDialog(nullptr, Qt::Widget)
    , m_templateId(templateId) {}

bool ChildPanel::Create(QWidget* parent) {
    if (m_created) {
        return false;
    }
    setParent(parent, Qt::Widget);
    BuildDialog(GetDialogTemplate(m_templateId), this);
    makeButtonsNonDefault(this);
    m_created = true;
    OnInitDialog();
    return true;
}

bool ChildPanel::DestroyWindow() {
    if (!m_created) {
        return false;
    }
    m_created = false;
    OnDestroy();
    hide();
    return true;
}

void ChildPanel::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    auto* button = qobject_cast<QPushButton*>(focusWidget());
    if (enter && button && button->parentWidget() == this && button->isEnabled()) {
        button->click();
        return;
    }
    event->ignore();
}

} // namespace kestrova
