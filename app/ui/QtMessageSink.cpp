#include "app/ui/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>
#include <iostream>

namespace {

// The window a box belongs to: the active one, else the shown handset. Before the handset is shown a box
// stands alone and carries the program's name, so the user knows who asks.
QWidget* BoxParent() {
    if (QWidget* Active = QApplication::activeWindow()) return Active;
    for (QWidget* Window : QApplication::topLevelWidgets())
        if (Window->objectName() == QLatin1String("ORB") && Window->isVisible()) return Window;
    return nullptr;
}

QString BoxCaption(QWidget* Parent, const char* Caption) {
    return Parent ? QString::fromLatin1(Caption) : QStringLiteral("Orbelune");
}

} // namespace

void TQtMessageSink::Information(const std::string& Msg) {
    if (FQuiet) {
        std::cerr << "orbelune: " << Msg << '\n';
        return;
    }
    QApplication::beep();
    QWidget* Parent = BoxParent();
    QMessageBox::information(Parent, BoxCaption(Parent, "Information"), QString::fromStdString(Msg));
}

int TQtMessageSink::Confirm(const std::string& Msg) {
    if (FQuiet) {
        std::cerr << "orbelune: " << Msg << " - No\n";
        return idNo;
    }
    QWidget* Parent = BoxParent();
    const auto answer =
        QMessageBox::question(Parent, BoxCaption(Parent, "Confirm"), QString::fromStdString(Msg),
                              QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes ? idYes : idNo;
}

int TQtMessageSink::Run(const std::string& FileName, const std::string& Params, const std::string& Directory,
                        int) {
    return StartDetachedProgram(FileName, Params, Directory);
}
