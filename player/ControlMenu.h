#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include <QMenu>
#include <QString>
#include <QVariant>

class QActionGroup;

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

protected:
    struct Choice {
        QString text;
        QVariant value;
    };
    // Makes the entries anew: one checkable entry a choice; `choose` is called with the value
    // of the one chosen. Not while an entry is being chosen.
    void setChoices(const std::vector<Choice>& choices,
                    const std::function<void(const QVariant&)>& choose);
    // Checks the entry whose value is `value`, and no other; its text, or none.
    QString checkChoice(const QVariant& value);

signals:
    // The label changed, or whether the menu is offered.
    void changed();

private:
    QString m_name;
    QString m_label;
    bool m_offered = true;
    QActionGroup* m_choices = nullptr;
};

} // namespace kestrova
