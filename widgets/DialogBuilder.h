#pragma once

// Builds the Qt widgets of a dialog template inside a host widget. Positions and sizes are in
// dialog units of the template's font: x = units * average character width / 4,
// y = units * character height / 8.

#include "res/DialogTemplates.h"

#include <QFont>
#include <QRect>
#include <QVariant>
#include <QWidget>

namespace kestrova {

// The property that carries a control's template id.
inline constexpr char kControlIdProperty[] = "kestrovaControlId";

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
    int x;
    int y;
};

// The template's font, with the Windows faces substituted by an installed Japanese gothic.
QFont TemplateFont(const DialogTemplate& dialog);

DialogBaseUnits BaseUnitsOf(const QFont& font);

// A rectangle in dialog units, in pixels.
QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int w, int h);

// Sets the host's font, caption, size (position too for a child template) and window
// buttons, and creates the controls in tab order. The host's own visibility is the caller's.
void BuildDialog(const DialogTemplate& dialog, QWidget* host);

// The host's control with the given id (a direct child), or nullptr.
template <class T = QWidget>
T* findControl(const QWidget* parent, int id) {
    const auto children = parent->findChildren<T*>(Qt::FindDirectChildrenOnly);
    for (T* child : children) {
        const QVariant value = child->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id) {
            return child;
        }
    }
    return nullptr;
}

} // namespace kestrova
