// The player's object on the session bus, /org/mpris/MediaPlayer2 with the interfaces
// org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player. It reads every message itself, so a call or a
// property write with the wrong arguments is answered with InvalidArgs, a read-only or unknown property
// with the matching error, and a value the player cannot take with InvalidArgs and a reason.
#pragma once

#include <QDBusVirtualObject>
#include <QVariant>
#include <functional>
#include <vector>

class TMprisPlayer;

class TMprisBusObject : public QDBusVirtualObject {
    Q_OBJECT
public:
    explicit TMprisBusObject(TMprisPlayer& Player, QObject* Parent = nullptr);

    QString introspect(const QString& Path) const override;
    bool handleMessage(const QDBusMessage& Message, const QDBusConnection& Connection) override;

    // Every property of Interface with its value now; empty for an interface the object lacks.
    QVariantMap Properties(const QString& Interface) const;

    static const QString RootInterface;
    static const QString PlayerInterface;

private:
    struct TProperty {
        QString Interface;
        QString Name;
        QMetaType Type;
        std::function<QVariant()> Read;
        // Takes a value of Type; returns why it is refused, or nothing.
        std::function<QString(const QVariant&)> Write;
    };
    const TProperty* Find(const QString& Interface, const QString& Name) const;
    QDBusMessage Call(const QDBusMessage& Message);
    QDBusMessage PropertyCall(const QDBusMessage& Message);

    TMprisPlayer& FPlayer;
    std::vector<TProperty> FProperties;
};
