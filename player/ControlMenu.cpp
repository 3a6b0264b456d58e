#include "player/ControlMenu.h"

#include "text/QtText.h"

#include <utility>

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

} // namespace kestrova
