#include "widgets/AddressDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace kestrova {

QStringList AddressesIn(const QMimeData* data) {
    QStringList addresses;
    if (!data) {
        return addresses;
    }
    for (const QUrl& url : data->urls()) {
        addresses << url.toString();
    }
    if (addresses.isEmpty() && data->hasText() && !data->text().trimmed().isEmpty()) {
        addresses << data->text().trimmed();
    }
    return addresses;
}

AddressDrop::AddressDrop(QWidget* widget, Open open, QObject* owner)
    : QObject(owner)
    , m_widget(widget)
    , m_open(std::move(open)) {
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

bool AddressDrop::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_widget) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (AddressesIn(drag->mimeData()).isEmpty()) {
            drag->ignore();
        } else {
            drag->acceptProposedAction();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList addresses = AddressesIn(drop->mimeData());
        drop->acceptProposedAction();
        for (const QString& address : addresses) {
            m_open(address);
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace kestrova
