#include "catalogue/MusicBrainzAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

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

// Adds the composers named by the works the recording performs to Names, each once.
void ComposersOf(const QJsonObject& Recording, std::vector<std::string>& Names) {
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
}

TLookupMatch MatchOf(const QJsonObject& Release, const TLookupToc& Toc) {
    TLookupMatch Match;
    Match.Source = TLookupSource::MusicBrainz;
    Match.ReleaseId = Text(Release.value(QStringLiteral("id")));
    Match.DiscName = Text(Release.value(QStringLiteral("title")));
    Match.Artist = CreditOf(Release.value(QStringLiteral("artist-credit")).toArray());
    Match.Country = Text(Release.value(QStringLiteral("country")));
    Match.Barcode = Text(Release.value(QStringLiteral("barcode")));
    Match.Status = Text(Release.value(QStringLiteral("status")));
    Match.Date = Text(Release.value(QStringLiteral("date")));
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
        Match.CatalogueNumber = Text(Info.toObject().value(QStringLiteral("catalog-number")));
        if (!Match.RecordLabel.empty()) break;
    }
    const QJsonArray Media = Release.value(QStringLiteral("media")).toArray();
    const QJsonObject Medium = MediumOf(Media, Toc);
    Match.TrackCount = TrackCountOf(Medium);
    std::vector<std::string> Composers; // when the answer holds the works' relationships
    Match.Format = Text(Medium.value(QStringLiteral("format")));
    Match.Medium = Medium.value(QStringLiteral("position")).toInt();
    Match.MediumCount = static_cast<int>(Media.size());
    for (const QJsonValue& T : Medium.value(QStringLiteral("tracks")).toArray()) {
        const QJsonObject Track = T.toObject();
        const QJsonObject Recording = Track.value(QStringLiteral("recording")).toObject();
        std::string Title = Text(Track.value(QStringLiteral("title")));
        if (Title.empty()) Title = Text(Recording.value(QStringLiteral("title")));
        Match.Tracks.push_back(Title);
        ComposersOf(Recording, Composers);
    }
    for (const std::string& Name : Composers)
        Match.Composer += (Match.Composer.empty() ? "" : "; ") + Name;
    return Match;
}

} // namespace

bool ParseMusicBrainzComposers(const QByteArray& Json, const TLookupToc& Toc, std::string& Composer,
                               std::string& Error) {
    Composer.clear();
    QJsonParseError Parse{};
    const QJsonDocument Document = QJsonDocument::fromJson(Json, &Parse);
    if (Parse.error != QJsonParseError::NoError || !Document.isObject() ||
        !Document.object().value(QStringLiteral("media")).isArray()) {
        Error = "MusicBrainz answered the release's works with " +
                std::string(Parse.error != QJsonParseError::NoError ? "malformed JSON."
                                                                    : "JSON that holds no media.");
        return false;
    }
    const QJsonObject Medium = MediumOf(Document.object().value(QStringLiteral("media")).toArray(), Toc);
    std::vector<std::string> Names;
    for (const QJsonValue& T : Medium.value(QStringLiteral("tracks")).toArray())
        ComposersOf(T.toObject().value(QStringLiteral("recording")).toObject(), Names);
    for (const std::string& Name : Names)
        Composer += (Composer.empty() ? "" : "; ") + Name;
    return true;
}

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
