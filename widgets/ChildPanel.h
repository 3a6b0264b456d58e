#pragma once

#include <QDialog>

class QKeyEvent;

namespace kestrova {

// A panel inside the main window, built from one of the dialog templates, with the life of a
// child dialog: Create builds and initialises it once, DestroyWindow takes it down once.
// Enter and Esc go on to the main window, except that Enter on one of the panel's focused
// buttons clicks it, as in a child dialog.
class ChildPanel : public QDialog {
    Q_OBJECT

public:
    // Builds the controls as a child of the parent, then runs OnInitDialog; false, and nothing
    // done, when the panel exists already.
    bool Create(QWidget* parent);
    // Runs OnDestroy, then hides the panel; false, and nothing done, when it does not exist.
    bool DestroyWindow();

    // Enter in the panel never closes it.
    void accept() override {}

protected:
    explicit ChildPanel(int templateId);

    virtual void OnInitDialog() = 0;
    virtual void OnDestroy() = 0;

    void keyPressEvent(QKeyEvent* event) override;

private:
    const int m_templateId;
    bool m_created = false;
};

} // namespace kestrova
