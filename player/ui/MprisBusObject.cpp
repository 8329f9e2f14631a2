#include "player/ui/MprisBusObject.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include "player/ui/MprisPlayer.h"

const QString TMprisBusObject::RootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString TMprisBusObject::PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

namespace {

const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString InvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

const char* const Introspection = R"(  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="Fullscreen" type="b" access="readwrite"/>
    <property name="CanSetFullscreen" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek">
      <arg name="Offset" type="x" direction="in"/>
    </method>
    <method name="SetPosition">
      <arg name="TrackId" type="o" direction="in"/>
      <arg name="Position" type="x" direction="in"/>
    </method>
    <method name="OpenUri">
      <arg name="Uri" type="s" direction="in"/>
    </method>
    <signal name="Seeked">
      <arg name="Position" type="x"/>
    </signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="LoopStatus" type="s" access="readwrite"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Shuffle" type="b" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read">
      <annotation name="org.qtproject.QtDBus.QtTypeName" value="QVariantMap"/>
    </property>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
)";

QDBusMessage Error(const QDBusMessage& Message, const QString& Name, const QString& Text) {
    return Message.createErrorReply(Name, Text);
}

} // namespace

TMprisBusObject::TMprisBusObject(TMprisPlayer& Player, QObject* Parent)
    : QDBusVirtualObject(Parent), FPlayer(Player) {
    const QMetaType Bool = QMetaType::fromType<bool>();
    const QMetaType Text = QMetaType::fromType<QString>();
    const QMetaType Texts = QMetaType::fromType<QStringList>();
    const QMetaType Real = QMetaType::fromType<double>();
    const QMetaType Long = QMetaType::fromType<qlonglong>();
    const QMetaType Map = QMetaType::fromType<QVariantMap>();
    TMprisPlayer* P = &Player;
    const auto Fixed = [](QVariant Value) { return [Value] { return Value; }; };
    FProperties = {
        {RootInterface, QStringLiteral("CanQuit"), Bool, Fixed(true), {}},
        {RootInterface, QStringLiteral("CanRaise"), Bool, Fixed(true), {}},
        // A player without a full-screen view ignores the request, as the interface allows.
        {RootInterface, QStringLiteral("Fullscreen"), Bool, Fixed(false),
         [](const QVariant&) { return QString(); }},
        {RootInterface, QStringLiteral("CanSetFullscreen"), Bool, Fixed(false), {}},
        {RootInterface, QStringLiteral("HasTrackList"), Bool, Fixed(false), {}},
        {RootInterface, QStringLiteral("Identity"), Text, Fixed(QStringLiteral("Orbelune")), {}},
        {RootInterface,
         QStringLiteral("DesktopEntry"),
         Text,
         Fixed(QStringLiteral("org.orbelune.orbelune")),
         {}},
        {RootInterface,
         QStringLiteral("SupportedUriSchemes"),
         Texts,
         [P] { return QVariant(P->UriSchemes()); },
         {}},
        {RootInterface,
         QStringLiteral("SupportedMimeTypes"),
         Texts,
         [P] { return QVariant(P->MimeTypes()); },
         {}},
        {PlayerInterface,
         QStringLiteral("PlaybackStatus"),
         Text,
         [P] { return QVariant(P->PlaybackStatus()); },
         {}},
        {PlayerInterface, QStringLiteral("LoopStatus"), Text, [P] { return QVariant(P->LoopStatus()); },
         [P](const QVariant& V) { return P->SetLoopStatus(V.toString()); }},
        {PlayerInterface, QStringLiteral("Rate"), Real, Fixed(1.0),
         [P](const QVariant& V) { return P->SetRate(V.toDouble()); }},
        {PlayerInterface, QStringLiteral("Shuffle"), Bool, [P] { return QVariant(P->Shuffle()); },
         [P](const QVariant& V) {
             P->SetShuffle(V.toBool());
             return QString();
         }},
        {PlayerInterface, QStringLiteral("Metadata"), Map, [P] { return QVariant(P->Metadata()); }, {}},
        {PlayerInterface, QStringLiteral("Volume"), Real, [P] { return QVariant(P->Volume()); },
         [P](const QVariant& V) {
             P->SetVolume(V.toDouble());
             return QString();
         }},
        {PlayerInterface, QStringLiteral("Position"), Long, [P] { return QVariant(P->Position()); }, {}},
        {PlayerInterface, QStringLiteral("MinimumRate"), Real, Fixed(1.0), {}},
        {PlayerInterface, QStringLiteral("MaximumRate"), Real, Fixed(1.0), {}},
        {PlayerInterface, QStringLiteral("CanGoNext"), Bool, [P] { return QVariant(P->CanGoNext()); }, {}},
        {PlayerInterface,
         QStringLiteral("CanGoPrevious"),
         Bool,
         [P] { return QVariant(P->CanGoPrevious()); },
         {}},
        {PlayerInterface, QStringLiteral("CanPlay"), Bool, [P] { return QVariant(P->CanPlay()); }, {}},
        {PlayerInterface, QStringLiteral("CanPause"), Bool, [P] { return QVariant(P->CanPause()); }, {}},
        {PlayerInterface, QStringLiteral("CanSeek"), Bool, [P] { return QVariant(P->CanSeek()); }, {}},
        {PlayerInterface, QStringLiteral("CanControl"), Bool, Fixed(true), {}},
    };
}

QString TMprisBusObject::introspect(const QString&) const {
    return QString::fromLatin1(Introspection);
}

const TMprisBusObject::TProperty* TMprisBusObject::Find(const QString& Interface, const QString& Name) const {
    for (const TProperty& P : FProperties)
        if ((Interface.isEmpty() || P.Interface == Interface) && P.Name == Name) return &P;
    return nullptr;
}

QVariantMap TMprisBusObject::Properties(const QString& Interface) const {
    QVariantMap All;
    for (const TProperty& P : FProperties)
        if (P.Interface == Interface) All[P.Name] = P.Read();
    return All;
}

bool TMprisBusObject::handleMessage(const QDBusMessage& Message, const QDBusConnection& Connection) {
    if (Message.type() != QDBusMessage::MethodCallMessage) return false;
    const QString Interface = Message.interface();
    // Introspection and the peer interface are the bus library's own.
    if (Interface != RootInterface && Interface != PlayerInterface && Interface != PropertiesInterface &&
        !Interface.isEmpty())
        return false;
    if (Interface.isEmpty() &&
        (Message.member() == QLatin1String("Introspect") || Message.member() == QLatin1String("Ping") ||
         Message.member() == QLatin1String("GetMachineId")))
        return false;
    const QDBusMessage Reply = Interface == PropertiesInterface ? PropertyCall(Message) : Call(Message);
    if (!Message.isReplyRequired()) return true;
    Connection.send(Reply);
    return true;
}

QDBusMessage TMprisBusObject::Call(const QDBusMessage& Message) {
    const QString Member = Message.member();
    const QString Signature = Message.signature();
    const QList<QVariant> Args = Message.arguments();
    const auto Plain = [&](const QString& Interface, std::function<void()> Command) -> QDBusMessage {
        if (!Message.interface().isEmpty() && Message.interface() != Interface)
            return Error(Message, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                         QStringLiteral("No method %1 in %2").arg(Member, Message.interface()));
        Command();
        return Message.createReply();
    };
    const auto WrongArguments = [&](const char* Wanted) {
        return Error(Message, InvalidArgs,
                     QStringLiteral("%1 takes (%2), not (%3)").arg(Member, QLatin1String(Wanted), Signature));
    };
    if (Member == QLatin1String("Raise") || Member == QLatin1String("Quit")) {
        if (!Signature.isEmpty()) return WrongArguments("");
        return Plain(RootInterface,
                     [&] { Member == QLatin1String("Raise") ? FPlayer.Raise() : FPlayer.Quit(); });
    }
    static const QStringList Transport = {QStringLiteral("Next"),  QStringLiteral("Previous"),
                                          QStringLiteral("Pause"), QStringLiteral("PlayPause"),
                                          QStringLiteral("Stop"),  QStringLiteral("Play")};
    if (Transport.contains(Member)) {
        if (!Signature.isEmpty()) return WrongArguments("");
        return Plain(PlayerInterface, [&] {
            if (Member == QLatin1String("Next")) FPlayer.Next();
            if (Member == QLatin1String("Previous")) FPlayer.Previous();
            if (Member == QLatin1String("Pause")) FPlayer.Pause();
            if (Member == QLatin1String("PlayPause")) FPlayer.PlayPause();
            if (Member == QLatin1String("Stop")) FPlayer.Stop();
            if (Member == QLatin1String("Play")) FPlayer.Play();
        });
    }
    if (Member == QLatin1String("Seek")) {
        if (Signature != QLatin1String("x")) return WrongArguments("x");
        return Plain(PlayerInterface, [&] { FPlayer.Seek(Args.at(0).toLongLong()); });
    }
    if (Member == QLatin1String("SetPosition")) {
        if (Signature != QLatin1String("ox")) return WrongArguments("ox");
        return Plain(PlayerInterface, [&] {
            FPlayer.SetPosition(qvariant_cast<QDBusObjectPath>(Args.at(0)), Args.at(1).toLongLong());
        });
    }
    if (Member == QLatin1String("OpenUri")) {
        if (Signature != QLatin1String("s")) return WrongArguments("s");
        const TMprisRefusal Refused = FPlayer.OpenUri(Args.at(0).toString());
        if (Refused.Kind == TMprisRefusal::BadArgument) return Error(Message, InvalidArgs, Refused.Text);
        if (Refused) return Error(Message, QStringLiteral("org.freedesktop.DBus.Error.Failed"), Refused.Text);
        return Message.createReply();
    }
    return Error(Message, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                 QStringLiteral("No method %1").arg(Member));
}

QDBusMessage TMprisBusObject::PropertyCall(const QDBusMessage& Message) {
    const QString Member = Message.member();
    const QString Signature = Message.signature();
    const QList<QVariant> Args = Message.arguments();
    if (Member == QLatin1String("GetAll")) {
        if (Signature != QLatin1String("s"))
            return Error(Message, InvalidArgs, QStringLiteral("GetAll takes (s)"));
        const QString Interface = Args.at(0).toString();
        if (!Interface.isEmpty() && Interface != RootInterface && Interface != PlayerInterface)
            return Error(Message, QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
                         QStringLiteral("No interface %1").arg(Interface));
        return Message.createReply(QVariant::fromValue(Properties(Interface)));
    }
    const bool Get = Member == QLatin1String("Get");
    const bool Set = Member == QLatin1String("Set");
    if (!Get && !Set)
        return Error(Message, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                     QStringLiteral("No method %1").arg(Member));
    if ((Get && Signature != QLatin1String("ss")) || (Set && Signature != QLatin1String("ssv")))
        return Error(Message, InvalidArgs,
                     QStringLiteral("%1 takes (%2)").arg(Member, QLatin1String(Get ? "ss" : "ssv")));
    const TProperty* P = Find(Args.at(0).toString(), Args.at(1).toString());
    if (!P)
        return Error(Message, QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                     QStringLiteral("No property %1").arg(Args.at(1).toString()));
    if (Get) return Message.createReply(QVariant::fromValue(QDBusVariant(P->Read())));
    if (!P->Write)
        return Error(Message, QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
                     QStringLiteral("%1 is read-only").arg(P->Name));
    const QVariant Value = qvariant_cast<QDBusVariant>(Args.at(2)).variant();
    if (Value.metaType() != P->Type)
        return Error(Message, InvalidArgs,
                     QStringLiteral("%1 takes a value of type %2")
                         .arg(P->Name, QLatin1String(QDBusMetaType::typeToSignature(P->Type))));
    const QString Refused = P->Write(Value);
    if (!Refused.isEmpty()) return Error(Message, InvalidArgs, Refused);
    return Message.createReply();
}
