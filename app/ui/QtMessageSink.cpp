#include "app/ui/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>

void TQtMessageSink::Information(const std::string& Msg) {
    QApplication::beep();
    QMessageBox::information(QApplication::activeWindow(), QStringLiteral("Information"),
                             QString::fromStdString(Msg));
}

int TQtMessageSink::Confirm(const std::string& Msg) {
    const auto answer =
        QMessageBox::question(QApplication::activeWindow(), QStringLiteral("Confirm"),
                              QString::fromStdString(Msg), QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes ? idYes : idNo;
}

int TQtMessageSink::Run(const std::string& FileName, const std::string& Params, const std::string& Directory,
                        int) {
    return StartDetachedProgram(FileName, Params, Directory);
}
