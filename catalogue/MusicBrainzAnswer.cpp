#include "catalogue/MusicBrainzAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

std::string Text(const QJsonValue& Value) {
    return Value.toString().trimmed().toStdString();
}

// "Artist A & Artist B": the credited names with their join phrases.
std::string CreditOf(const QJsonArray& Credit) {
    QString Names;
    for (const QJsonValue& Part : Credit) {
        const QJsonObject Name = Part.toObject();
        QString Shown = Name.value(QStringLiteral("name")).toString();
        if (Shown.isEmpty())
            Shown = Name.value(QStringLiteral("artist")).toObject().value(QStringLiteral("name")).toString();
        Names += Shown + Name.value(QStringLiteral("joinphrase")).toString();
    }
    return Names.trimmed().toStdString();
}

bool CarriesDisc(const QJsonObject& Medium, const std::string& DiscId) {
    for (const QJsonValue& Disc : Medium.value(QStringLiteral("discs")).toArray())
        if (Text(Disc.toObject().value(QStringLiteral("id"))) == DiscId) return true;
    return false;
}

int TrackCountOf(const QJsonObject& Medium) {
    const QJsonValue Count = Medium.value(QStringLiteral("track-count"));
    return Count.isDouble() ? Count.toInt()
                            : static_cast<int>(Medium.value(QStringLiteral("tracks")).toArray().size());
}

QJsonObject MediumOf(const QJsonArray& Media, const TLookupToc& Toc) {
    for (const QJsonValue& M : Media)
        if (CarriesDisc(M.toObject(), Toc.MusicBrainzId)) return M.toObject();
    for (const QJsonValue& M : Media)
        if (TrackCountOf(M.toObject()) == Toc.AudioTracks) return M.toObject();
    return Media.isEmpty() ? QJsonObject() : Media.first().toObject();
}

// The composers named by the works the recording performs, joined by "; ".
std::string ComposersOf(const QJsonObject& Recording) {
    std::vector<std::string> Names;
    for (const QJsonValue& Relation : Recording.value(QStringLiteral("relations")).toArray()) {
        const QJsonObject Work = Relation.toObject().value(QStringLiteral("work")).toObject();
        for (const QJsonValue& WorkRelation : Work.value(QStringLiteral("relations")).toArray()) {
            const QJsonObject R = WorkRelation.toObject();
            if (R.value(QStringLiteral("type")).toString() != QStringLiteral("composer")) continue;
            const std::string Name =
                Text(R.value(QStringLiteral("artist")).toObject().value(QStringLiteral("name")));
            if (!Name.empty() && std::find(Names.begin(), Names.end(), Name) == Names.end())
                Names.push_back(Name);
        }
    }
    std::string Joined;
    for (const std::string& Name : Names)
        Joined += (Joined.empty() ? "" : "; ") + Name;
    return Joined;
}

TLookupMatch MatchOf(const QJsonObject& Release, const TLookupToc& Toc) {
    TLookupMatch Match;
    Match.Source = TLookupSource::MusicBrainz;
    Match.ReleaseId = Text(Release.value(QStringLiteral("id")));
    Match.DiscName = Text(Release.value(QStringLiteral("title")));
    Match.Artist = CreditOf(Release.value(QStringLiteral("artist-credit")).toArray());
    Match.Country = Text(Release.value(QStringLiteral("country")));
    QString Date = Release.value(QStringLiteral("date")).toString();
    if (Date.isEmpty())
        Date = Release.value(QStringLiteral("release-group"))
                   .toObject()
                   .value(QStringLiteral("first-release-date"))
                   .toString();
    bool Ok = false;
    const int Year = Date.left(4).toInt(&Ok);
    if (Ok && Date.size() >= 4) Match.Year = Year;
    for (const QJsonValue& Info : Release.value(QStringLiteral("label-info")).toArray()) {
        Match.RecordLabel =
            Text(Info.toObject().value(QStringLiteral("label")).toObject().value(QStringLiteral("name")));
        if (!Match.RecordLabel.empty()) break;
    }
    const QJsonObject Medium = MediumOf(Release.value(QStringLiteral("media")).toArray(), Toc);
    Match.TrackCount = TrackCountOf(Medium);
    for (const QJsonValue& T : Medium.value(QStringLiteral("tracks")).toArray()) {
        const QJsonObject Track = T.toObject();
        const QJsonObject Recording = Track.value(QStringLiteral("recording")).toObject();
        std::string Title = Text(Track.value(QStringLiteral("title")));
        if (Title.empty()) Title = Text(Recording.value(QStringLiteral("title")));
        Match.Tracks.push_back(Title);
        if (Match.Composer.empty()) Match.Composer = ComposersOf(Recording);
    }
    return Match;
}

} // namespace

bool ParseMusicBrainzAnswer(const QByteArray& Json, const TLookupToc& Toc, std::vector<TLookupMatch>& Matches,
                            std::string& Error) {
    Matches.clear();
    QJsonParseError Parse{};
    const QJsonDocument Document = QJsonDocument::fromJson(Json, &Parse);
    if (Parse.error != QJsonParseError::NoError) {
        Error = "MusicBrainz answered with malformed JSON (" + Parse.errorString().toStdString() +
                " at byte " + std::to_string(Parse.offset) + ").";
        return false;
    }
    const QJsonObject Root = Document.object();
    const QJsonValue Releases = Root.value(QStringLiteral("releases"));
    if (!Document.isObject() || (!Releases.isArray() && !Releases.isUndefined()) ||
        (Releases.isUndefined() && !Root.contains(QStringLiteral("id")))) {
        Error = "MusicBrainz answered with JSON that holds no releases.";
        return false;
    }
    for (const QJsonValue& Release : Releases.toArray())
        if (Release.isObject()) Matches.push_back(MatchOf(Release.toObject(), Toc));
    return true;
}
