#include "player/ControlMenu.h"

#include "text/QtText.h"

#include <utility>

#include <QActionGroup>

namespace kestrova {

ControlMenu::ControlMenu(std::u16string_view name, QWidget* parent)
    : QMenu(ToQString(name), parent)
    , m_name(ToQString(name)) {}

// In the settings menu the label stands in the column of the shortcuts, at the right.
void ControlMenu::setLabel(const QString& label) {
    if (label == m_label)
        return;
    m_label = label;
    setTitle(m_name + QLatin1Char('\t') + label);
    emit changed();
}

void ControlMenu::setOffered(bool offered) {
    if (std::exchange(m_offered, offered) != offered)
        emit changed();
}

void ControlMenu::setChoices(const std::vector<Choice>& choices,
                             const std::function<void(const QVariant&)>& choose) {
    clear();
    if (!m_choices)
        m_choices = new QActionGroup(this);
    for (const Choice& choice : choices) {
        QAction* action = addAction(choice.text);
        action->setCheckable(true);
        action->setData(choice.value);
        m_choices->addAction(action);
        connect(action, &QAction::triggered, this,
                [choose, value = choice.value] { choose(value); });
    }
}

QString ControlMenu::checkChoice(const QVariant& value) {
    QString text;
    for (QAction* action : actions()) {
        action->setChecked(action->data() == value);
        if (action->isChecked())
            text = action->text();
    }
    return text;
}

} // namespace kestrova
