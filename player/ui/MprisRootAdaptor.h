// The org.mpris.MediaPlayer2 interface of the player's bus object: who the player is, Raise and Quit.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

class TMprisPlayer;

class TMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool Fullscreen READ Fullscreen WRITE SetFullscreen)
    Q_PROPERTY(bool CanSetFullscreen READ CanSetFullscreen)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit TMprisRootAdaptor(TMprisPlayer* Player);

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool Fullscreen() const { return false; }
    void SetFullscreen(bool) {}
    bool CanSetFullscreen() const { return false; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Orbelune"); }
    QString DesktopEntry() const { return QStringLiteral("orbelune"); }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise();
    void Quit();

private:
    TMprisPlayer* FPlayer;
};
