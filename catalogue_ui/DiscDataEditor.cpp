#include "catalogue_ui/DiscDataEditor.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <utility>

#include "app/base/DataFolder.h"
#include "app/base/Settings.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscSamples.h"
#include "catalogue/ReferenceCompletion.h"
#include "catalogue/ReferenceList.h"
#include "catalogue/ui/ByteLimit.h"
#include "catalogue_ui/PictureDialog.h"
#include "catalogue_ui/TrackDialog.h"
#include "catalogue_ui/TrackGridDialog.h"
#include "devices/DiscIds.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveAudio.h"
#include "dialogs/LookupChooser.h"
#include "dialogs/ProgrammeDialog.h"
#include "dialogs/TrackLineDelegate.h"

namespace {

constexpr int NameComboWidth = 212;
constexpr int CoverPreviewSize = 120;

QString Q(const std::string& Text) {
    return QString::fromStdString(Text);
}

QLabel* MakeLabel(const char* Name, const QString& Caption, QWidget* Parent) {
    auto* Label = new QLabel(Caption, Parent);
    if (Name) Label->setObjectName(QString::fromLatin1(Name));
    return Label;
}

QLineEdit* MakeEdit(const char* Name, const char* Hint, int MaxBytes, QWidget* Parent) {
    auto* Edit = new QLineEdit(Parent);
    Edit->setObjectName(QString::fromLatin1(Name));
    Edit->setToolTip(QString::fromUtf8(Hint));
    LimitBytes(Edit, MaxBytes);
    return Edit;
}

std::string NotesCutMessage(int MaxBytes, const TTextCut& Cut) {
    std::string Msg = "The notes can hold no more than " + std::to_string(MaxBytes) +
                      " bytes (an accented letter or a line break takes two): ";
    if (Cut.Kept == 0) return Msg + "none of the " + std::to_string(Cut.Given) + " characters put in fit.";
    return Msg + "of the " + std::to_string(Cut.Given) + " characters put in, the first " +
           std::to_string(Cut.Kept) + (Cut.AtLineEnd ? " are kept, to the end of a line" : " are kept") +
           "; the rest is left out.";
}

} // namespace

TfrmCDData::TfrmCDData(TDiscEdit& Edit, TPlayerSettings& Settings, TWaveAudio* Wave, const TDriveDisc* Drive,
                       QWidget* Parent)
    : QDialog(Parent), FEdit(Edit), FSettings(Settings), FWave(Wave) {
    setObjectName(QStringLiteral("frmCDData"));
    setWindowTitle(QStringLiteral("Edit CD data record"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* gbData = new QGroupBox(QStringLiteral("CD data record"), this);
    gbData->setObjectName(QStringLiteral("gbData"));
    edName = MakeEdit("edName", "Enter disc name - up to 100 characters.", DiscNameMax, gbData);
    const auto NameField = [&](const char* EditName, const char* ComboName, const char* Hint, int MaxBytes,
                               const char* FileName, const char* Title) {
        auto* Combo = new QComboBox(gbData);
        Combo->setObjectName(QString::fromLatin1(ComboName));
        Combo->setMaxVisibleItems(10);
        Combo->setFocusPolicy(Qt::NoFocus);
        Combo->setMinimumWidth(NameComboWidth);
        Combo->installEventFilter(this);
        auto* Over = MakeEdit(EditName, Hint, MaxBytes, Combo);
        Over->setFrame(false);
        Over->installEventFilter(this);
        FFields.push_back({Over, Combo, FileName, Title, MaxBytes, {}});
        return std::pair{Over, Combo};
    };
    std::tie(edComp, cbComp) =
        NameField("edComp", "cbComp", "Enter or select the anme of the composer - up to 100 characters.",
                  ComposerMax, "composer.fle", "Composers");
    std::tie(edArt, cbArt) =
        NameField("edArt", "cbArt", "Enter or select the anme of the artist - up to 100 characters.",
                  ArtistMax, "artist.fle", "Artists");
    std::tie(edLab, cbLab) =
        NameField("edLab", "cbLab", "Enter or select the anme of the disc label - up to 50 characters.",
                  RecordLabelMax, "label.fle", "Labels");
    std::tie(edCat, cbCat) =
        NameField("edCat", "cbCat", "Enter or select the anme of the type of music - up to 50 characters.",
                  MusicTypeMax, "type.fle", "Category");
    ed1 = MakeEdit("ed1", "Enter user defined field 1 - up to 100 characters.", UserFieldMax, gbData);
    ed2 = MakeEdit("ed2", "Enter user defined field 2 - up to 100 characters.", UserFieldMax, gbData);
    edRef =
        MakeEdit("edRef", "Enter your reference for the disk - up to 30 characters.", ReferenceMax, gbData);
    edYear = new QLineEdit(gbData);
    edYear->setObjectName(QStringLiteral("edYear"));
    edYear->setToolTip(QStringLiteral("Enter the year of the recording."));
    edYear->setValidator(new QIntValidator(0, 9999, edYear));
    edYear->setMaxLength(4);
    edYear->setMaximumWidth(60);
    labID = MakeLabel("labID", {}, gbData);
    labTime = MakeLabel("labTime", {}, gbData);
    labUser1 = MakeLabel("labUser1", Q(Settings.DiscUser1Caption), gbData);
    labUser2 = MakeLabel("labUser2", Q(Settings.DiscUser2Caption), gbData);
    for (QLabel* Label : {labID, labTime, labUser1, labUser2})
        Label->setTextFormat(Qt::PlainText);

    auto* Grid = new QGridLayout(gbData);
    Grid->addWidget(MakeLabel(nullptr, QStringLiteral("Name"), gbData), 0, 0);
    Grid->addWidget(edName, 0, 1, 1, 3);
    const std::pair<QWidget*, QWidget*> LeftColumn[] = {
        {MakeLabel(nullptr, QStringLiteral("Composer"), gbData), cbComp},
        {MakeLabel(nullptr, QStringLiteral("Artist"), gbData), cbArt},
        {labUser1, ed1},
        {labUser2, ed2},
    };
    const std::pair<QWidget*, QWidget*> RightColumn[] = {
        {MakeLabel(nullptr, QStringLiteral("Record label"), gbData), cbLab},
        {MakeLabel(nullptr, QStringLiteral("Music type"), gbData), cbCat},
        {MakeLabel(nullptr, QStringLiteral("Reference"), gbData), edRef},
        {MakeLabel(nullptr, QStringLiteral("Year"), gbData), edYear},
    };
    for (int r = 0; r < 4; ++r) {
        Grid->addWidget(LeftColumn[r].first, r + 1, 0);
        Grid->addWidget(LeftColumn[r].second, r + 1, 1);
        Grid->addWidget(RightColumn[r].first, r + 1, 2);
        Grid->addWidget(RightColumn[r].second, r + 1, 3, Qt::AlignLeft);
    }
    auto* Identity = new QHBoxLayout;
    Identity->addWidget(MakeLabel(nullptr, QStringLiteral("Disc ID:"), gbData));
    Identity->addWidget(labID);
    // The disc-database ids, shown only when the disc is in the drive: they need its table of contents.
    auto* DatabaseIds = new QWidget(gbData);
    DatabaseIds->setObjectName(QStringLiteral("pnDiscIds"));
    auto* IdRow = new QHBoxLayout(DatabaseIds);
    IdRow->setContentsMargins(12, 0, 0, 0);
    labMBID = MakeLabel("labMBID", {}, DatabaseIds);
    labMBID->setToolTip(QStringLiteral("Open the page of this disc at MusicBrainz."));
    labFreeDBID = MakeLabel("labFreeDBID", {}, DatabaseIds);
    labFreeDBID->setToolTip(QStringLiteral("Open the page of this disc at gnudb (FreeDB)."));
    IdRow->addWidget(MakeLabel(nullptr, QStringLiteral("MusicBrainz:"), DatabaseIds));
    IdRow->addWidget(labMBID);
    IdRow->addSpacing(12);
    IdRow->addWidget(MakeLabel(nullptr, QStringLiteral("FreeDB:"), DatabaseIds));
    IdRow->addWidget(labFreeDBID);
    for (QLabel* Link : {labMBID, labFreeDBID}) {
        Link->setTextFormat(Qt::RichText);
        Link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(Link, &QLabel::linkActivated, this, &TfrmCDData::OpenDiscPage);
    }
    DatabaseIds->hide();
    Identity->addWidget(DatabaseIds);
    Identity->addStretch();
    Identity->addSpacing(12);
    Identity->addWidget(MakeLabel(nullptr, QStringLiteral("Playing time:"), gbData));
    Identity->addWidget(labTime);
    Grid->addLayout(Identity, 5, 0, 1, 4);
    Grid->setColumnStretch(1, 1);
    Grid->setColumnStretch(3, 1);

    auto* gbTracks = new QGroupBox(QStringLiteral("Tracks"), this);
    gbTracks->setObjectName(QStringLiteral("gbTracks"));
    lbTracks = new QListWidget(gbTracks);
    lbTracks->setObjectName(QStringLiteral("lbTracks"));
    lbTracks->setToolTip(QStringLiteral("Click on track to open edit window."));
    lbTracks->setItemDelegate(new TTrackLineDelegate(lbTracks));
    lbTracks->setUniformItemSizes(true);
    lbTracks->setMinimumSize(300, 200);
    connect(lbTracks, &QListWidget::itemDoubleClicked, this, &TfrmCDData::lbTracksDblClick);
    (new QVBoxLayout(gbTracks))->addWidget(lbTracks);

    auto* gbNotes = new QGroupBox(QStringLiteral("Notes"), this);
    gbNotes->setObjectName(QStringLiteral("gbNotes"));
    memDisc = new QPlainTextEdit(gbNotes);
    memDisc->setObjectName(QStringLiteral("memDisc"));
    memDisc->setToolTip(QStringLiteral("Enter notes relating to the disk."));
    memDisc->setTabChangesFocus(true);
    memDisc->setMinimumSize(240, 200);
    (new QVBoxLayout(gbNotes))->addWidget(memDisc);

    const auto Button = [this](const char* Name, const char* Caption) {
        auto* B = new QPushButton(QString::fromUtf8(Caption), this);
        B->setObjectName(QString::fromLatin1(Name));
        B->setAutoDefault(false);
        return B;
    };
    btnProg = Button("btnProg", "&Programme");
    btnBit = Button("btnBit", "&Bitmap");
    btnSample = Button("btnSample", "&Sample");
    btnWaveDel = Button("btnWaveDel", "&Clear sample");
    btnTracks = Button("btnTracks", "&Track grid");
    btnCdText = Button("btnCdText", "&Use CD-TEXT");
    btnCdText->setToolTip(
        QStringLiteral("Fill the disc name, artist and track names from the disc's CD-TEXT."));
    btnCdText->hide();
    btnLookup = Button("btnLookup", "&Look up");
    btnLookup->setToolTip(
        QStringLiteral("Fill the record from MusicBrainz, or gnudb, over the internet: the disc's "
                       "ids and table of contents are sent."));
    labLookup = MakeLabel("labLookup", {}, this);
    labLookup->setTextFormat(Qt::PlainText);
    // A long message wraps within the window rather than widening it; its tip has it whole too.
    labLookup->setWordWrap(true);
    labLookup->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    btnAttach = Button("btnAttach", "&Add to MusicBrainz...");
    btnAttach->setToolTip(QStringLiteral("Open MusicBrainz's page for adding this disc's id to its release, "
                                         "in your web browser."));
    btnAttach->hide();
    imgCover = MakeLabel("imgCover", {}, this);
    imgCover->setToolTip(QStringLiteral("The looked-up cover: it becomes the disc's picture on OK."));
    imgCover->setFixedSize(CoverPreviewSize, CoverPreviewSize);
    imgCover->setAlignment(Qt::AlignCenter);
    // The window keeps its size whether a cover shows or not, and whichever caption Look up has.
    QSizePolicy CoverPolicy = imgCover->sizePolicy();
    CoverPolicy.setRetainSizeWhenHidden(true);
    imgCover->setSizePolicy(CoverPolicy);
    imgCover->hide();
    btnLookup->setMinimumWidth(
        std::max(btnLookup->sizeHint().width(),
                 btnLookup->fontMetrics().horizontalAdvance(QStringLiteral("Stop look-up")) +
                     btnLookup->sizeHint().width() -
                     btnLookup->fontMetrics().horizontalAdvance(QStringLiteral("Look up"))));
    btnOK = Button("btnOK", "OK");
    btnCancel = Button("btnCancel", "Cancel");
    btnOK->setDefault(true);
    // The programme is written with the record at once, as the picture and sample are.
    connect(btnProg, &QPushButton::clicked, this, [this] {
        const auto LineOf = [this](int T) { return FEdit.TrackLineOf(T); };
        TPlayProgramme Programme = FEdit.EditRecord.Programme;
        if (EditRecordProgramme(this, FEdit.TrackCount(), LineOf, Programme)) FEdit.StoreProgramme(Programme);
    });
    connect(btnBit, &QPushButton::clicked, this, &TfrmCDData::btnBitClick);
    connect(btnSample, &QPushButton::clicked, this, &TfrmCDData::btnSampleClick);
    connect(btnWaveDel, &QPushButton::clicked, this, &TfrmCDData::btnWaveDelClick);
    connect(btnTracks, &QPushButton::clicked, this, &TfrmCDData::btnTracksClick);
    connect(btnCdText, &QPushButton::clicked, this, &TfrmCDData::btnCdTextClick);
    connect(btnLookup, &QPushButton::clicked, this, &TfrmCDData::btnLookupClick);
    connect(btnAttach, &QPushButton::clicked, this,
            [this] { OpenDiscPage(Q(MusicBrainzAttachUrl(FLookupToc))); });
    connect(btnOK, &QPushButton::clicked, this, &TfrmCDData::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    for (const TListField& Field : FFields) {
        QLineEdit* Over = Field.Edit;
        QComboBox* Combo = Field.Combo;
        // edCompChange: the combo follows the text typed, so its list opens on the matching entry.
        connect(Over, &QLineEdit::textChanged, Combo, [Combo](const QString& Text) {
            Combo->setCurrentIndex(Combo->findText(Text, Qt::MatchFixedString));
        });
        // cbCompChange: an entry picked from the list goes into the edit.
        connect(Combo, &QComboBox::activated, Over, [Over, Combo](int Index) {
            Over->setText(Combo->itemText(Index));
            Over->setFocus();
        });
    }

    auto* Middle = new QHBoxLayout;
    Middle->addWidget(gbTracks, 3);
    Middle->addWidget(gbNotes, 2);
    Middle->addWidget(imgCover, 0, Qt::AlignTop);
    auto* Buttons = new QHBoxLayout;
    for (QPushButton* B : {btnProg, btnBit, btnSample, btnWaveDel, btnTracks, btnCdText, btnLookup})
        Buttons->addWidget(B);
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addWidget(btnCancel);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(gbData);
    Layout->addLayout(Middle, 1);
    Layout->addLayout(Buttons);
    auto* Status = new QHBoxLayout;
    Status->addWidget(labLookup, 1);
    Status->addWidget(btnAttach, 0, Qt::AlignTop);
    Layout->addLayout(Status);
    Layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* Order[] = {edName,     edComp,    edArt,     ed1,       ed2,     edLab,    edCat,
                        edRef,      edYear,    lbTracks,  memDisc,   btnProg, btnBit,   btnSample,
                        btnWaveDel, btnTracks, btnCdText, btnLookup, btnOK,   btnCancel};
    for (std::size_t i = 1; i < std::size(Order); ++i)
        setTabOrder(Order[i - 1], Order[i]);

    ShowRecord();
    const TDiscRecord& R = FEdit.EditRecord;
    LimitBytes(memDisc, FEdit.NotesLimit(), [this, Max = FEdit.NotesLimit()](const TTextCut& Cut) {
        FNotesCut = NotesCutMessage(Max, Cut);
        QTimer::singleShot(0, this, &TfrmCDData::TellNotesCut);
    });
    memDisc->setPlainText(Q(FEdit.Notes));

    // A disc in the drive is looked up by its own table of contents, another by its stored track lengths.
    const bool InDrive = Drive && Drive->Code == R.DiscCode;
    FLookupToc = InDrive ? LookupTocOf(Drive->Toc) : LookupTocOf(R);
    btnLookup->setEnabled(FLookupToc.Valid());
    if (InDrive) {
        FDriveText = Drive->Text;
        ShowDiscIds(Drive->Toc);
        if (FEdit.OffersCdText(Drive->Text)) {
            FCdText = Drive->Text;
            btnCdText->show();
        }
        // What the lookup of the new disc found fills the fields as Look up would; OK stores it.
        if (Drive->LookedUp && R.DiscName == NewDiscRecord({}, 0, 0).DiscName) TakeMatch(*Drive->LookedUp);
    }
}

void TfrmCDData::ShowRecord() {
    const TDiscRecord& R = FEdit.EditRecord;
    edName->setText(Q(R.DiscName));
    edComp->setText(Q(R.Composer));
    edArt->setText(Q(R.Artist));
    ed1->setText(Q(R.UserField1));
    ed2->setText(Q(R.UserField2));
    edLab->setText(Q(R.RecordLabel));
    edCat->setText(Q(R.MusicType));
    edRef->setText(Q(R.Reference));
    edYear->setText(R.Year > 0 ? QString::number(R.Year) : QString());
    labID->setText(Q(R.DiscCode));
    labTime->setText(Q(FormatMinSec(R.TotalTime)));
    FillTrackList();
}

void TfrmCDData::ShowDiscIds(const TDriveToc& Toc) {
    const TDiscIds Ids = ComputeDiscIds(Toc);
    if (!Ids.Valid()) return;
    const auto Link = [](const std::string& Url, const std::string& Id) {
        return QStringLiteral("<a href=\"%1\">%2</a>").arg(Q(Url).toHtmlEscaped(), Q(Id).toHtmlEscaped());
    };
    labMBID->setText(Ids.MusicBrainz.empty() ? QString()
                                             : Link(MusicBrainzDiscUrl(Ids.MusicBrainz), Ids.MusicBrainz));
    labFreeDBID->setText(Link(FreeDbDiscUrl(Ids.FreeDb), Ids.FreeDb));
    labMBID->parentWidget()->show();
}

void TfrmCDData::OpenDiscPage(const QString& Url) {
    if (!QDesktopServices::openUrl(QUrl(Url)))
        ShowError("Cannot open the web page " + Url.toStdString() + " - no web browser was found.");
}

void TfrmCDData::btnCdTextClick() {
    const TCdTextNames Names = FEdit.TakeCdText(FCdText);
    if (!Names.DiscName.empty()) edName->setText(Q(Names.DiscName));
    if (!Names.Artist.empty()) edArt->setText(Q(Names.Artist));
    if (!Names.Composer.empty()) edComp->setText(Q(Names.Composer));
    FillTrackList();
    btnCdText->setEnabled(false);
}

TfrmCDData::~TfrmCDData() = default;

void TfrmCDData::EnsureLookup() {
    if (!FLookup) {
        FLookup = new TDiscLookup(LookupServersOf(FSettings), this);
        connect(FLookup, &TDiscLookup::Progress, labLookup, &QLabel::setText);
        connect(FLookup, &TDiscLookup::Finished, this, &TfrmCDData::LookupFinished);
        connect(FLookup, &TDiscLookup::DetailsFinished, this, &TfrmCDData::DetailsFinished);
    }
}

void TfrmCDData::btnLookupClick() {
    if (FLookup && FLookup->Busy()) {
        FLookup->Cancel();
        return;
    }
    EnsureLookup();
    // The window stays usable meanwhile; the button stops the lookup.
    setCursor(Qt::BusyCursor);
    btnLookup->setText(QStringLiteral("Stop &look-up"));
    btnAttach->hide();
    FUnread.clear();
    FLookup->Start(FLookupToc);
}

void TfrmCDData::LookupEnded(const QString& Status) {
    unsetCursor();
    btnLookup->setText(QStringLiteral("&Look up"));
    const QString Said = FUnread.isEmpty() ? Status : Status + QLatin1Char(' ') + FUnread;
    labLookup->setText(Said);
    labLookup->setToolTip(Said);
}

namespace {

// Text as one sentence: its own full stops, if any, are not doubled.
QString Sentence(const std::string& Text) {
    QString Said = Q(Text).trimmed();
    while (Said.endsWith(QLatin1Char('.')))
        Said.chop(1);
    return Said + QLatin1Char('.');
}

} // namespace

void TfrmCDData::LookupFinished(const TLookupResult& Result) {
    if (!Result.Unread.empty()) {
        FUnread = Result.Unread.size() == 1 ? QStringLiteral("gnudb could not give its entry ")
                                            : QStringLiteral("gnudb could not give its entries ");
        for (std::size_t i = 0; i < Result.Unread.size(); ++i)
            FUnread += (i ? QStringLiteral("; ") : QString()) + Q(Result.Unread[i]);
        FUnread = Sentence(FUnread.toStdString());
    }
    if (Result.Cancelled) return LookupEnded(QStringLiteral("Look-up stopped; nothing was changed."));
    if (!Result.Answered()) {
        FUnread.clear(); // the error names them
        return LookupEnded(Sentence(Result.Error) + QStringLiteral(" Nothing was changed."));
    }
    if (Result.Matches.empty()) {
        // The user can name the disc at MusicBrainz; what the disc itself says helps to find its release.
        QString Status = QStringLiteral("Neither MusicBrainz nor gnudb knows this disc; nothing was changed. "
                                        "Add to MusicBrainz opens its page for adding this disc.");
        const TCdTextNames Names = CdTextNamesOf(FDriveText);
        if (!Names.DiscName.empty() || !Names.Artist.empty())
            Status += QStringLiteral(" The disc's CD-TEXT names it \u201c%1\u201d%2.")
                          .arg(Q(Names.DiscName),
                               Names.Artist.empty() ? QString() : QStringLiteral(" by ") + Q(Names.Artist));
        btnAttach->show();
        return LookupEnded(Status);
    }
    int Index = 0;
    if (Result.Matches.size() > 1) {
        // The lookup has ended: the window says so while the user chooses.
        unsetCursor();
        btnLookup->setText(QStringLiteral("&Look up"));
        labLookup->setText(
            QStringLiteral("%1 releases match this disc: choose yours.").arg(Result.Matches.size()));
        Index = ChooseLookupMatch(this, Result.Matches, CdTextNamesOf(FDriveText));
        if (Index < 0) return LookupEnded(QStringLiteral("No match taken; nothing was changed."));
    }
    TakeMatch(Result.Matches[static_cast<std::size_t>(Index)]);
}

void TfrmCDData::TakeMatch(const TLookupMatch& Match) {
    TDiscTexts Texts = {
        edName->text().toStdString(), edComp->text().toStdString(), edArt->text().toStdString(),
        ed1->text().toStdString(),    ed2->text().toStdString(),    edLab->text().toStdString(),
        edCat->text().toStdString(),  edRef->text().toStdString(),  edYear->text().toInt()};
    TakeLookupMatch(Match, Texts, FEdit.Tracks, FEdit.TrackCount(), FFill);
    // Each shows its beginning, however long.
    const auto Show = [](QLineEdit* Edit, const std::string& Text) {
        Edit->setText(Q(Text));
        Edit->setCursorPosition(0);
    };
    Show(edName, Texts.DiscName);
    Show(edArt, Texts.Artist);
    Show(edComp, Texts.Composer);
    Show(edLab, Texts.RecordLabel);
    edYear->setText(Texts.Year > 0 ? QString::number(Texts.Year) : QString());
    FillTrackList();
    btnCdText->setEnabled(false);
    FTaken = Q(Match.Line());
    FCover.reset();
    imgCover->clear();
    imgCover->hide();
    if (Match.Source != TLookupSource::MusicBrainz)
        return LookupEnded(QStringLiteral("Filled from ") + FTaken + QStringLiteral(". OK stores it."));
    setCursor(Qt::BusyCursor);
    btnLookup->setText(QStringLiteral("Stop &look-up"));
    EnsureLookup();
    FLookup->StartDetails(Match, FLookupToc);
}

void TfrmCDData::DetailsFinished(const TLookupDetails& Details) {
    const QString Filled = QStringLiteral("Filled from ") + FTaken;
    if (Details.Cancelled)
        return LookupEnded(Filled + QStringLiteral(", without its composers and cover. OK stores it."));
    std::string Composer = edComp->text().toStdString();
    TakeLookupComposer(Details.Composer, Composer, FFill);
    if (Q(Composer) != edComp->text()) {
        edComp->setText(Q(Composer));
        edComp->setCursorPosition(0);
    }
    const QString Note = Details.Note.empty() ? QString() : QLatin1Char(' ') + Sentence(Details.Note);
    QImage Image;
    if (Details.Cover.isEmpty() || !Image.loadFromData(Details.Cover))
        return LookupEnded(Filled +
                           (Details.Note.empty() ? QStringLiteral("; the release has no cover.")
                                                 : QStringLiteral(".") + Note) +
                           QStringLiteral(" OK stores it."));
    // Kept in a working file until OK stores it as the disc's picture.
    auto File = std::make_unique<QTemporaryFile>(Q(FEdit.Catalogue().DataDir() + "cover-XXXXXX"));
    if (!File->open() || File->write(Details.Cover) != Details.Cover.size() || !File->flush())
        return LookupEnded(Filled + QStringLiteral("; the cover cannot be kept in ") +
                           Q(FEdit.Catalogue().DataDir()) + QStringLiteral(". OK stores the rest."));
    File->close();
    FCover = std::move(File);
    imgCover->setPixmap(QPixmap::fromImage(
        Image.scaled(CoverPreviewSize, CoverPreviewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    imgCover->show();
    LookupEnded(Filled + QStringLiteral(", with its cover.") + Note + QStringLiteral(" OK stores them."));
}

void TfrmCDData::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (FShown) return;
    FShown = true;
    FormShow();
}

void TfrmCDData::FormShow() {
    for (TListField& Field : FFields) {
        LoadReferenceCombo(Field);
        PlaceOverlay(Field);
    }
    const bool HasSample = FEdit.EditRecord.SampleRef != 0;
    btnSample->setEnabled(HasSample && FWave);
    btnWaveDel->setEnabled(HasSample);
    edName->setFocus();
}

void TfrmCDData::LoadReferenceCombo(TListField& Field) {
    Field.Names = ReadReferenceList(FEdit.Catalogue().DataDir() + Field.FileName).Names;
    std::stable_sort(Field.Names.begin(), Field.Names.end(), ReferenceNameLess);
    const QString Text = Field.Edit->text();
    Field.Combo->clear();
    for (const std::string& Name : Field.Names)
        Field.Combo->addItem(Q(Name));
    Field.Combo->setCurrentIndex(Field.Combo->findText(Text, Qt::MatchFixedString));
}

void TfrmCDData::PlaceOverlay(const TListField& Field) {
    QStyleOptionComboBox Option;
    Option.initFrom(Field.Combo);
    const QRect Text = Field.Combo->style()->subControlRect(QStyle::CC_ComboBox, &Option,
                                                            QStyle::SC_ComboBoxEditField, Field.Combo);
    Field.Edit->setGeometry(Text.isValid() ? Text : Field.Combo->rect().adjusted(3, 3, -24, -3));
}

TfrmCDData::TListField* TfrmCDData::FieldOf(QObject* Object) {
    for (TListField& Field : FFields)
        if (Field.Edit == Object || Field.Combo == Object) return &Field;
    return nullptr;
}

bool TfrmCDData::eventFilter(QObject* Watched, QEvent* Event) {
    if (TListField* Field = FieldOf(Watched)) {
        if (Watched == Field->Combo && Event->type() == QEvent::Resize) {
            PlaceOverlay(*Field);
        } else if (Watched == Field->Edit && Event->type() == QEvent::KeyRelease) {
            // Removing text proposes nothing: otherwise the proposal would come back at once and a name
            // that begins like a listed one could never be shortened.
            const int Key = static_cast<QKeyEvent*>(Event)->key();
            if (Key != Qt::Key_Backspace && Key != Qt::Key_Delete) CompleteFromList(*Field);
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TfrmCDData::CompleteFromList(TListField& Field) {
    QStringList Entries;
    for (int i = 0; i < Field.Combo->count(); ++i)
        Entries << Field.Combo->itemText(i);
    const TCompletion Proposal = ::CompleteFromList(Entries, Field.Edit->text(), Field.MaxBytes);
    if (Proposal.Text != Field.Edit->text()) Field.Edit->setText(Proposal.Text);
    if (Proposal.SelLength > 0) Field.Edit->setSelection(Proposal.SelStart, Proposal.SelLength);
}

void TfrmCDData::FillTrackList() {
    lbTracks->clear();
    for (int t = 1; t <= FEdit.TrackCount(); ++t)
        lbTracks->addItem(Q(FEdit.TrackLineOf(t)));
}

void TfrmCDData::lbTracksDblClick() {
    const int k = lbTracks->currentRow();
    if (k < 0 || !lbTracks->currentItem()->isSelected()) return;
    const int n = k + 1;
    TfrmSTrack Track(FSettings, this);
    Track.labNumber->setText(QString::number(n));
    Track.labTime->setText(lbTracks->item(k)->text().mid(2, 5));
    Track.edName->setText(Q(FEdit.Tracks.Cells(0, n)));
    Track.edUser1->setText(Q(FEdit.Tracks.Cells(1, n)));
    Track.edUser2->setText(Q(FEdit.Tracks.Cells(2, n)));
    if (Track.exec() != QDialog::Accepted) return;
    FEdit.Tracks.SetCells(0, n, Track.edName->text().toStdString());
    FEdit.Tracks.SetCells(1, n, Track.edUser1->text().toStdString());
    FEdit.Tracks.SetCells(2, n, Track.edUser2->text().toStdString());
    lbTracks->item(k)->setText(Q(FEdit.TrackLineOf(n)));
}

void TfrmCDData::btnTracksClick() {
    TfrmEdTr Grid(FSettings, this);
    Grid.SetTracks(FEdit.TrackCount(), FEdit.Tracks);
    Grid.setWindowTitle(QStringLiteral("Track details for - ") + edName->text());
    if (Grid.exec() != QDialog::Accepted) return;
    const TStringGridData Texts = Grid.Tracks();
    for (int t = 1; t <= FEdit.TrackCount(); ++t)
        for (int c = 0; c < 3; ++c)
            FEdit.Tracks.SetCells(c, t, Texts.Cells(c, t));
    FillTrackList();
}

void TfrmCDData::btnBitClick() {
    const std::string P = FEdit.Catalogue().WorkingPicture();
    DeleteFileQuietly(P);
    if (FEdit.EditRecord.PictureRef != 0) FEdit.ExtractPicture(P);
    {
        TfrmBitmap Picture(P, this);
        Picture.Store = [this](const std::string& FileName) { return FEdit.StorePicture(FileName).Done(); };
        Picture.exec();
    }
    DeleteFileQuietly(P);
}

void TfrmCDData::btnSampleClick() {
    FEdit.TakeRecordedSample();
    if (FEdit.EditRecord.SampleRef == 0) {
        ShowError(msgNoSample);
        return;
    }
    if (!FWave) return;
    TDiscSamplePlay Player(*FWave, FEdit.Catalogue());
    if (!Player.OpenSample(FEdit.EditRecord.SampleRef)) return;
    const QPalette Normal = btnSample->palette();
    QPalette Playing = Normal;
    Playing.setColor(QPalette::ButtonText, Qt::red);
    btnSample->setText(QStringLiteral("Playing..."));
    btnSample->setPalette(Playing);
    const int Length = Player.Length();
    if (Player.Play()) {
        // The window goes on painting and the clock ticking until the sample has played; what the user
        // does meanwhile waits.
        QElapsedTimer Clock;
        Clock.start();
        QEventLoop Wait;
        QTimer Poll;
        connect(&Poll, &QTimer::timeout, &Wait, [&] {
            if (!Player.IsPlaying() || Clock.elapsed() > Length + 2000) Wait.quit();
        });
        Poll.start(50);
        Wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    Player.Close();
    btnSample->setText(QStringLiteral("&Sample"));
    btnSample->setPalette(Normal);
}

void TfrmCDData::btnWaveDelClick() {
    if (FEdit.ClearSample()) {
        btnSample->setEnabled(false);
        btnWaveDel->setEnabled(false);
    }
}

void TfrmCDData::TellNotesCut() {
    if (FNotesCut.empty()) return;
    ShowError(std::exchange(FNotesCut, std::string()));
}

void TfrmCDData::btnOKClick() {
    TellNotesCut();
    if (FLookup) FLookup->Cancel();
    const TDiscCatalogue& Catalogue = FEdit.Catalogue();
    // A folder that cannot be written takes neither the record nor the lists: one message says so.
    if (Catalogue.ReadOnly()) {
        ShowError(DataFolderNotWrittenMessage(Catalogue.DataDir()) +
                  " The changes of this record are kept only until the program closes.");
        FEdit.Store(TakeBack());
        accept();
        return;
    }
    // Another program may have stored this disc since the window read it: the user decides whose
    // record stays. A store that fails leaves the window open with everything typed; the message said
    // why, and OK tries again.
    const TStoredCheck Check = FEdit.CheckStored();
    if (!Check.Read) return;
    if (Check.Changed && AskYesNo(msgStoredMeanwhile) != idYes) {
        if (FEdit.ReloadStored()) {
            ShowRecord();
            memDisc->setPlainText(Q(FEdit.Notes));
            FCover.reset();
            imgCover->clear();
            imgCover->hide();
        }
        return;
    }
    if (FCover) {
        if (!FEdit.StorePicture(FCover->fileName().toStdString())) return;
        FCover.reset();
    }
    if (FSettings.SaveNewEntries) {
        std::vector<std::string> Failed;
        for (TListField& Field : FFields) {
            if (!AddNewReferenceEntry(Field.Names, Field.Edit->text().toStdString(),
                                      Catalogue.DataDir() + Field.FileName))
                Failed.push_back(Field.Title);
            const QString Text = Field.Edit->text();
            Field.Combo->clear();
            for (const std::string& Name : Field.Names)
                Field.Combo->addItem(Q(Name));
            Field.Combo->setCurrentIndex(Field.Combo->findText(Text, Qt::MatchFixedString));
        }
        if (!Failed.empty()) ShowError(CannotSaveListsMessage(Failed));
    }
    if (!FEdit.Store(TakeBack())) return;
    accept();
}

TDiscTexts TfrmCDData::TakeBack() {
    FEdit.Notes = memDisc->toPlainText().toStdString();
    return {edName->text().toStdString(), edComp->text().toStdString(), edArt->text().toStdString(),
            ed1->text().toStdString(),    ed2->text().toStdString(),    edLab->text().toStdString(),
            edCat->text().toStdString(),  edRef->text().toStdString(),  edYear->text().toInt()};
}

int EditDiscData(QWidget* Owner, TDiscCatalogue& Catalogue, TWaveAudio* Wave, TDiscRecord& Rec,
                 TStringGridData& Grid, std::string& Memo, TDiscKeys& Keys, std::int32_t& RecNo,
                 const std::string& NotesCode, const TDriveDisc* Drive) {
    TDiscEdit Edit(Catalogue, Rec, Grid, Memo, Keys, RecNo, NotesCode);
    int Result;
    {
        TfrmCDData Form(Edit, Catalogue.Settings(), Wave, Drive, Owner);
        Result = Form.exec();
    }
    // OK stored before the window closed.
    if (Result != QDialog::Accepted) Edit.Finish(false, {});
    return Result;
}
