#include "platform/MessageBox.h"

#include <utility>

#include <QApplication>
#include <QMessageBox>

namespace kestrova {

namespace {

MessageBoxSink& currentSink() {
    static MessageBoxSink sink;
    return sink;
}

void showWarning(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace

void ShowMessageBox(const QString& text) {
    if (const auto& sink = currentSink()) {
        sink(text);
        return;
    }
    showWarning(text);
}

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

} // namespace kestrova
