// Program entry of the player.
#include <QApplication>
#include <QLabel>

#include "app/Settings.h"
#include "app/ui/QtMessageSink.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbelune"));
    TQtMessageSink messages;
    SetMessageSink(&messages);

    TPlayerSettings settings;
    LoadSettings(settings);
    QLabel window(QStringLiteral("Orbelune"));
    window.setWindowTitle(QStringLiteral("Orbelune"));
    window.resize(320, 120);
    window.show();
    const int result = app.exec();
    SaveSettings(settings);
    SetMessageSink(nullptr);
    return result;
}
