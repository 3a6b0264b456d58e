#include "ModalRun.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QPointer>
#include <QTimer>

namespace kestrova::test {

int RunModal(QDialog& dialog, const std::function<void()>& whileOpen, int limitMs) {
    QPointer<QDialog> guarded(&dialog);
    QTimer::singleShot(0, &dialog, whileOpen);
    QTimer::singleShot(limitMs, &dialog, [guarded] {
        if (guarded && guarded->isVisible()) {
            guarded->done(kTimedOut);
        }
    });
    return dialog.exec();
}

bool WaitFor(const std::function<bool()>& condition, int limitMs) {
    const QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace kestrova::test
