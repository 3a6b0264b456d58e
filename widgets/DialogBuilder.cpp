#include "widgets/DialogBuilder.h"

#include "res/ProgramIcon.h"
#include "text/QtText.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

namespace kestrova {

namespace {

// Installed in place of the Windows dialog faces: a Japanese gothic of the same kind.
constexpr const char* kSubstituteFace = "IPAGothic";

// The shell dialog face of a Japanese Windows draws its Latin letters narrower than the
// substitute, whose letters are half an em (5.5 px at 8 pt, 96 dpi, against about 5 px). At
// full width the panels' dialog unit came out as the main window's, template 129 overflowed
// the main window by about 60 px and the control texts were clipped; condensed, the letters
// match the Windows metrics and the dialog units follow from them as they do there.
constexpr std::u16string_view kShellDialogFace = u"MS Shell Dlg";
constexpr int kShellDialogStretch = 90;

void installFontSubstitutions() {
    static const bool installed = [] {
        for (const char* face : {"MS UI Gothic", "MS Shell Dlg", "MS Shell Dlg 2"}) {
            QFont::insertSubstitution(QString::fromLatin1(face),
                                      QString::fromLatin1(kSubstituteFace));
        }
        return true;
    }();
    Q_UNUSED(installed);
}

// Rounds like the platform's MulDiv for the non-negative values templates hold.
int mulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

// A SysLink's "<a>text</a>" becomes a link the label reports instead of following.
QString linkMarkup(std::u16string_view text) {
    QString markup = ToQString(text);
    markup.replace(QStringLiteral("<a>"), QStringLiteral("<a href=\"syslink\">"));
    return markup;
}

QWidget* makeLabel(const ControlTemplate& c, QWidget* host) {
    auto* label = new QLabel(host);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (c.kind == ControlClass::SysLink) {
        label->setTextFormat(Qt::RichText);
        label->setText(linkMarkup(c.text));
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    } else if (c.kind == ControlClass::IconStatic) {
        const int side = host->style()->pixelMetric(QStyle::PM_LargeIconSize);
        label->setPixmap(ProgramIcon().pixmap(side, side));
    } else {
        label->setTextFormat(Qt::PlainText);
        // A static text breaks lines at spaces only; Qt would also break "Url/VideoID" after
        // its slash and show half of it in a one-line box.
        label->setWordWrap(c.text.find(u' ') != std::u16string_view::npos);
        label->setText(ToQString(c.text));
    }
    return label;
}

QWidget* makeListView(QWidget* host) {
    auto* list = new QTreeWidget(host);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(false);
    return list;
}

QWidget* makeControl(const ControlTemplate& c, QWidget* host) {
    switch (c.kind) {
    case ControlClass::Edit:
        return new QLineEdit(ToQString(c.text), host);
    case ControlClass::PushButton:
    case ControlClass::DefPushButton: {
        auto* button = new QPushButton(ToQString(c.text), host);
        button->setDefault(c.kind == ControlClass::DefPushButton);
        return button;
    }
    case ControlClass::GroupBox:
        return new QGroupBox(ToQString(c.text), host);
    case ControlClass::CheckBox:
        return new QCheckBox(ToQString(c.text), host);
    case ControlClass::ListView:
        return makeListView(host);
    case ControlClass::Static:
    case ControlClass::SysLink:
    case ControlClass::IconStatic:
        break;
    }
    return makeLabel(c, host);
}

// Even condensed, the substitute sets some one-line texts wider than the Windows face they
// were laid out for ("Url/VideoID", "Top Most"); such a text is narrowed a little more,
// as far as it stays legible, rather than losing its last letters.
void condenseToFit(QWidget* widget) {
    constexpr int kNarrowestStretch = 70;
    QFont font = widget->font();
    int stretch = font.stretch() == QFont::AnyStretch ? 100 : font.stretch();
    while (widget->sizeHint().width() > widget->width() && stretch > kNarrowestStretch) {
        stretch -= 5;
        font.setStretch(stretch);
        widget->setFont(font);
    }
}

bool isOneLineText(const ControlTemplate& c) {
    return (c.kind == ControlClass::Static && c.text.find(u' ') == std::u16string_view::npos) ||
           c.kind == ControlClass::CheckBox || c.kind == ControlClass::PushButton ||
           c.kind == ControlClass::DefPushButton;
}

Qt::FocusPolicy focusPolicyOf(const ControlTemplate& c) {
    if (c.kind == ControlClass::Static || c.kind == ControlClass::GroupBox ||
        c.kind == ControlClass::IconStatic) {
        return Qt::NoFocus;
    }
    if (c.tabStop) {
        return Qt::StrongFocus;
    }
    const bool takesClicks = c.kind == ControlClass::Edit || c.kind == ControlClass::ListView;
    return takesClicks ? Qt::ClickFocus : Qt::NoFocus;
}

void setWindowButtons(const DialogTemplate& dialog, QWidget* host) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialog.minimizeBox) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (dialog.maximizeBox) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    host->setWindowFlags(flags);
}

void placeHost(const DialogTemplate& dialog, const DialogBaseUnits& units, QWidget* host) {
    const QRect rect = MapDialogRect(units, dialog.x, dialog.y, dialog.w, dialog.h);
    if (dialog.child) {
        host->setGeometry(rect);
        return;
    }
    setWindowButtons(dialog, host);
    host->setWindowTitle(ToQString(dialog.caption));
    if (dialog.sizable) {
        host->resize(rect.size());
    } else {
        host->setFixedSize(rect.size());
    }
}

// A label names the edit box next to it in tab order, as screen readers expect.
void linkBuddies(const DialogTemplate& dialog, const std::vector<QWidget*>& widgets) {
    const auto& controls = dialog.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind != ControlClass::Static) {
            continue;
        }
        for (std::size_t j : {i + 1, i - 1}) {
            if (j < controls.size() && controls[j].kind == ControlClass::Edit) {
                static_cast<QLabel*>(widgets[i])->setBuddy(widgets[j]);
                break;
            }
        }
    }
}

void chainTabOrder(const std::vector<QWidget*>& widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (!(widget->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        if (previous) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

} // namespace

QFont TemplateFont(const DialogTemplate& dialog) {
    installFontSubstitutions();
    QFont font(ToQString(dialog.fontFace));
    font.setPointSize(dialog.fontPoints);
    if (dialog.fontFace == kShellDialogFace) {
        font.setStretch(kShellDialogStretch);
    }
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    // The platform's average character width: the advance of the 52 Latin letters, halved.
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const DialogBaseUnits& units, int x, int y, int w, int h) {
    return {mulDiv(x, units.x, 4), mulDiv(y, units.y, 8), mulDiv(w, units.x, 4),
            mulDiv(h, units.y, 8)};
}

void BuildDialog(const DialogTemplate& dialog, QWidget* host) {
    const QFont font = TemplateFont(dialog);
    host->setFont(font);
    const DialogBaseUnits units = BaseUnitsOf(font);
    placeHost(dialog, units, host);

    std::vector<QWidget*> widgets;
    for (const ControlTemplate& c : dialog.controls) {
        QWidget* widget = makeControl(c, host);
        widget->setProperty(kControlIdProperty, c.id);
        if (c.id != ids::kStatic) {
            widget->setObjectName(QStringLiteral("control%1").arg(c.id));
        }
        widget->setGeometry(MapDialogRect(units, c.x, c.y, c.w, c.h));
        if (c.kind == ControlClass::IconStatic) {
            widget->resize(widget->sizeHint()); // an icon static takes the icon's size
        } else if (isOneLineText(c)) {
            condenseToFit(widget);
        }
        widget->setFocusPolicy(focusPolicyOf(c));
        if (!c.visible) {
            widget->hide();
        }
        widgets.push_back(widget);
    }
    // A group box only frames its neighbours: keep it beneath them so they get the clicks.
    for (QWidget* widget : widgets) {
        if (qobject_cast<QGroupBox*>(widget)) {
            widget->lower();
        }
    }
    linkBuddies(dialog, widgets);
    chainTabOrder(widgets);
}

} // namespace kestrova
