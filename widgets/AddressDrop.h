#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QStringList>

class QMimeData;
class QWidget;

namespace kestrova {

// What a drop or the clipboard carries as addresses: each link, else the text, without the
// white space a selection picks up around it. Empty when it carries neither.
QStringList AddressesIn(const QMimeData* data);

// Takes drops of links and text on a widget, and on everything in it that takes no drops of
// its own, and hands each address over.
class AddressDrop : public QObject {
public:
    using Open = std::function<void(const QString& address)>;

    // A child of `owner`, whose `open` it calls; it lets go of the widget when it goes.
    AddressDrop(QWidget* widget, Open open, QObject* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_widget;
    Open m_open;
};

} // namespace kestrova
