#include "monitor/app/MessageBoxNotifier.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxNotifier::Show(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}
