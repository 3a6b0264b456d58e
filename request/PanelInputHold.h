#pragma once

#include "widgets/WaitCursor.h"

#include <optional>

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace kestrova {

// Holds back the user's input to a panel and everything inside it while a request runs, and
// shows the wait cursor meanwhile. The controls keep their look (nothing is greyed out): their
// clicks, keys, wheel turns, drops and input-method text are dropped. Keys that belong to the
// main window still pass: Esc closes it, Shift+F10 and the Menu key open its window menu.
// Windows outside the panel (the main window's frame, the player) are not touched.
class PanelInputHold : public QObject {
public:
    explicit PanelInputHold(QWidget* panel);
    ~PanelInputHold() override;

    void hold();
    void release();
    bool held() const { return m_held; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool insidePanel(QObject* object) const;

    QPointer<QWidget> m_panel;
    std::optional<WaitCursor> m_waitCursor;
    bool m_held = false;
};

} // namespace kestrova
