#include "widgets/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace kestrova {

namespace {

// Shown without a nested event loop: a close of the program while the box is open then finds
// no caller waiting on the stack of a window that is going away.
void showWarning(const QString& text, QWidget* owner) {
    QWidget* window = owner ? owner->window() : QApplication::activeWindow();
    auto* box = new QMessageBox(QMessageBox::Warning, QCoreApplication::applicationName(), text,
                                QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}

} // namespace

void ShowMessageBox(const QString& text, QWidget* owner) {
    if (const auto& sink = MessageBoxSeam().standIn()) {
        sink(text);
        return;
    }
    showWarning(text, owner);
}

Seam<MessageBoxSink>& MessageBoxSeam() {
    static Seam<MessageBoxSink> seam;
    return seam;
}

} // namespace kestrova
