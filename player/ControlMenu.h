#pragma once

#include <string_view>

#include <QMenu>
#include <QString>

namespace kestrova {

// A menu of the control bar, such as the speed. Where the bar has room it is a button of its
// own, named by the menu's name and showing its label, the current choice ("1.5x"); where it
// has none, an entry of the bar's settings menu ("設定"), its label beside its name. A menu that
// offers nothing now is shown in neither place.
class ControlMenu : public QMenu {
    Q_OBJECT

public:
    explicit ControlMenu(std::u16string_view name, QWidget* parent = nullptr);

    const QString& name() const { return m_name; }
    const QString& label() const { return m_label; }
    void setLabel(const QString& label);
    bool offered() const { return m_offered; }
    void setOffered(bool offered);

signals:
    // The label changed, or whether the menu is offered.
    void changed();

private:
    QString m_name;
    QString m_label;
    bool m_offered = true;
};

} // namespace kestrova
