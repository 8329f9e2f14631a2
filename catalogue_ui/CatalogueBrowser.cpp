#include "catalogue_ui/CatalogueBrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/base/DataFolder.h"
#include "catalogue/CatalogueAttach.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue_ui/CataloguePrinting.h"
#include "catalogue_ui/CatalogueTreeModel.h"
#include "catalogue_ui/DiscDataEditor.h"
#include "catalogue_ui/PictureDialog.h"
#include "catalogue_ui/SampleDisplay.h"
#include "devices/MessageBoxes.h"

namespace {

QString Q(const std::string& S) {
    return QString::fromUtf8(S.data(), static_cast<qsizetype>(S.size()));
}

// The hourglass while the catalogue is read.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

template <class T> T* Named(T* Control, const char* Name, const char* Hint = nullptr) {
    Control->setObjectName(QString::fromLatin1(Name));
    if (Hint) Control->setToolTip(QString::fromUtf8(Hint));
    return Control;
}

// The filter edits take upper case only, letters of every script included.
void ForceUpperCase(QLineEdit* Edit) {
    QObject::connect(Edit, &QLineEdit::textEdited, Edit, [Edit](const QString& Text) {
        const QString Upper = Text.toUpper();
        if (Upper == Text) return;
        const int Cursor = Edit->cursorPosition() + static_cast<int>(Upper.size() - Text.size());
        Edit->setText(Upper);
        Edit->setCursorPosition(std::clamp(Cursor, 0, static_cast<int>(Upper.size())));
    });
}

void DeleteQuietly(const std::string& File) {
    DeleteFileQuietly(File);
}

// A catalogue in a folder that cannot be written drops every change; an action that would make one says
// why it does nothing.
bool RefusedReadOnly(const TDiscCatalogue& Catalogue, const std::string& Refused) {
    if (!Catalogue.ReadOnly()) return false;
    ShowError(DataFolderNotWrittenMessage(Catalogue.DataDir()) + " " + Refused);
    return true;
}

} // namespace

TfrmCat::TfrmCat(TDiscCatalogue& Catalogue, TWaveAudio* Wave, std::function<TDiscToc()> DriveToc,
                 QWidget* Parent)
    : QDialog(Parent), FCatalogue(Catalogue), FWave(Wave), FDriveToc(std::move(DriveToc)),
      FModel(new TCatalogueTreeModel(this)) {
    setObjectName(QStringLiteral("frmCat"));
    setWindowTitle(QStringLiteral("CD catalogue"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setProperty("HelpContext", 1056);

    TV = Named(new QTreeView(this), "TV", "Select list to view or disk to edit.");
    TV->setModel(FModel);
    TV->setHeaderHidden(true);
    TV->setIndentation(19);
    TV->setUniformRowHeights(true);
    TV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TV->setSelectionMode(QAbstractItemView::SingleSelection);
    TV->setMinimumSize(360, 400);
    labList = Named(new QLabel(QStringLiteral("CDs in catalogue:"), this), "labList");
    labNo = Named(new QLabel(this), "labNo");
    labStatus = Named(new QLabel(this), "labStatus");
    QFont Bold = labStatus->font();
    Bold.setBold(true);
    labStatus->setFont(Bold);

    auto* gbOrder = new QGroupBox(QStringLiteral("Show collection by:"), this);
    rbName = Named(new QRadioButton(QStringLiteral("&Name"), gbOrder), "rbName",
                   "Select to list CD by disc name.");
    rbComp = Named(new QRadioButton(QStringLiteral("&Composer"), gbOrder), "rbComp",
                   "Select to list CD by composer.");
    rbArt =
        Named(new QRadioButton(QStringLiteral("&Artist"), gbOrder), "rbArt", "Select to list CD by Artist.");
    rbType = Named(new QRadioButton(QStringLiteral("&Music type"), gbOrder), "rbType",
                   "Select to list CD by music category.");
    rbLab = Named(new QRadioButton(QStringLiteral("&Record label"), gbOrder), "rbLab",
                  "Select to list CD by record label.");
    rbName->setChecked(true);
    auto* OrderBox = new QGridLayout(gbOrder);
    OrderBox->addWidget(rbName, 0, 0);
    OrderBox->addWidget(rbComp, 1, 0);
    OrderBox->addWidget(rbArt, 2, 0);
    OrderBox->addWidget(rbType, 0, 1);
    OrderBox->addWidget(rbLab, 1, 1);

    auto* gbFilter = new QGroupBox(QStringLiteral("Filter criteria:"), this);
    edName = Named(new QLineEdit(gbFilter), "edName",
                   "Enter a text string to search for within the CD name and data fields.");
    edRef = Named(new QLineEdit(gbFilter), "edRef",
                  "Enter a text string to search for within the CD reference field.");
    edTrack =
        Named(new QLineEdit(gbFilter), "edTrack", "Enter a text string to search for within the track data.");
    for (QLineEdit* Edit : {edName, edRef, edTrack})
        ForceUpperCase(Edit);
    cbFilter = Named(new QCheckBox(QStringLiteral("&Apply filter"), gbFilter), "cbFilter",
                     "Check to apply text fileters entered above.");
    btnRefresh = Named(new QPushButton(QStringLiteral("&Refresh"), gbFilter), "btnRefresh",
                       "Redisplay CD catalog applying the above criteria.");
    auto* FilterBox = new QVBoxLayout(gbFilter);
    FilterBox->addWidget(new QLabel(QStringLiteral("CD name or defined fields:"), gbFilter));
    FilterBox->addWidget(edName);
    FilterBox->addWidget(new QLabel(QStringLiteral("CD reference:"), gbFilter));
    FilterBox->addWidget(edRef);
    FilterBox->addWidget(new QLabel(QStringLiteral("Track name or defined fields:"), gbFilter));
    FilterBox->addWidget(edTrack);
    auto* FilterButtons = new QHBoxLayout;
    FilterButtons->addWidget(cbFilter);
    FilterButtons->addStretch();
    FilterButtons->addWidget(btnRefresh);
    FilterBox->addLayout(FilterButtons);

    const auto Button = [this](const char* Name, const char* Caption, const char* Hint) {
        return Named(new QPushButton(QString::fromUtf8(Caption), this), Name, Hint);
    };
    btnEdit = Button("btnEdit", "&Edit", "Edit the selected data record.");
    btnDelete = Button("btnDelete", "&Delete", "Delete the selected data record.");
    btnAttach = Button("btnAttach", "A&ttach", "Attach the inserted CD to the selected data record.");
    btnPrintCD = Button("btnPrintCD", "CD", "Print selected data record.");
    btnPrintCat = Button("btnPrintCat", "Catalogue", "Print CD catalog in order currently selected.");
    btnBitmap = Button("btnBitmap", "&Bitmap", "Show the bitmap for the selected data record.");
    btnPlay = Button("btnPlay", "&Sample", "Play the recorded sample of the selected data record.");
    btnClose = Button("btnClose", "Cl&ose", nullptr);
    Sample = new TSampleDisplay(FWave, FCatalogue, this);
    btnStop = Sample->btnStop;
    trBar = Sample->trBar;
    labStart = Sample->labStart;
    labEnd = Sample->labEnd;
    Timer = Sample->Timer;

    auto* Counts = new QHBoxLayout;
    Counts->addWidget(labList);
    Counts->addWidget(labNo);
    Counts->addStretch();
    Counts->addWidget(labStatus);
    auto* Left = new QVBoxLayout;
    Left->addLayout(Counts);
    Left->addWidget(TV, 1);

    auto* Actions = new QGridLayout;
    Actions->addWidget(btnEdit, 0, 0);
    Actions->addWidget(btnDelete, 0, 1);
    Actions->addWidget(btnAttach, 0, 2);
    Actions->addWidget(btnBitmap, 1, 0);
    Actions->addWidget(btnPlay, 1, 1);
    auto* gbPrint = new QGroupBox(QStringLiteral("Print"), this);
    auto* PrintBox = new QHBoxLayout(gbPrint);
    PrintBox->addWidget(btnPrintCD);
    PrintBox->addWidget(btnPrintCat);

    auto* Closing = new QHBoxLayout;
    Closing->addStretch();
    Closing->addWidget(btnClose);

    auto* Right = new QVBoxLayout;
    Right->addWidget(gbOrder);
    Right->addWidget(gbFilter);
    Right->addLayout(Actions);
    Right->addWidget(gbPrint);
    Right->addLayout(Sample->Layout());
    Right->addStretch();
    Right->addLayout(Closing);

    auto* Main = new QHBoxLayout(this);
    Main->addLayout(Left, 1);
    Main->addLayout(Right);
    Main->setSizeConstraint(QLayout::SetFixedSize);

    for (QRadioButton* Rb : {rbName, rbComp, rbArt, rbType, rbLab})
        connect(Rb, &QRadioButton::clicked, this, &TfrmCat::rbNameClick);
    connect(cbFilter, &QCheckBox::toggled, this, &TfrmCat::rbNameClick);
    connect(btnRefresh, &QPushButton::clicked, this, &TfrmCat::rbNameClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfrmCat::btnEditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmCat::btnDeleteClick);
    connect(btnAttach, &QPushButton::clicked, this, &TfrmCat::btnAttachClick);
    connect(btnBitmap, &QPushButton::clicked, this, &TfrmCat::btnBitmapClick);
    connect(btnPlay, &QPushButton::clicked, this, &TfrmCat::btnSelectedClick);
    connect(btnPrintCD, &QPushButton::clicked, this, &TfrmCat::btnPrintCDClick);
    connect(btnPrintCat, &QPushButton::clicked, this, &TfrmCat::btnPrintCatClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmCat::~TfrmCat() {
    StopSample();
}

void TfrmCat::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TfrmCat::done(int Result) {
    StopSample();
    ClearCatalogueTree();
    QDialog::done(Result);
}

void TfrmCat::FormShow() {
    StopSample();
    {
        TBusyCursor Busy;
        BuildCatalogueTree();
    }
    if (FCatalogue.OpenDiscFiles()) {
        const std::int32_t Discs = KeyCount(FCatalogue.DiscFile, kDiscCode);
        const std::int32_t Slots = RecordSlotCount(FCatalogue.DiscFile);
        labNo->setText(QString::number(Discs));
        labStatus->setText(Discs + 1 != Slots || FCatalogue.Settings().DeletedRecordsPresent
                               ? QStringLiteral("Unused space - Rebuild.")
                               : QString());
        FCatalogue.CloseDiscFiles();
    }
}

int TfrmCat::OrderKey() const {
    if (rbComp->isChecked()) return kComposer;
    if (rbArt->isChecked()) return kArtist;
    if (rbLab->isChecked()) return kRecordLabel;
    if (rbType->isChecked()) return kMusicType;
    return kDiscName;
}

TCatalogueFilter TfrmCat::Filter() const {
    TCatalogueFilter F;
    F.Apply = cbFilter->isChecked();
    F.Name = edName->text().toUpper().toStdString();
    F.Reference = edRef->text().toUpper().toStdString();
    F.Track = edTrack->text().toUpper().toStdString();
    return F;
}

void TfrmCat::BuildCatalogueTree() {
    // Opening through the catalogue creates a missing catalogue (on the user's word) and repairs one left
    // open; the tree itself is read without changing the files.
    if (!FCatalogue.OpenDiscFiles()) {
        FModel->Clear();
        return;
    }
    FCatalogue.CloseDiscFiles();
    std::string Error;
    int Skipped = 0, Unreadable = 0;
    const int Key = OrderKey();
    std::vector<TCatalogueGroup> Tree = CatalogueTreeOrder(FCatalogue.DataDir(), Key, Error, &Skipped);
    if (Error.empty() && cbFilter->isChecked())
        Tree = FilterCatalogueTree(FCatalogue.DataDir(), std::move(Tree), Filter(), Error, &Unreadable);
    FModel->SetTree(std::move(Tree), Key != kDiscName);
    TV->setRootIsDecorated(Key != kDiscName);
    if (!Error.empty()) {
        ShowError("The catalogue could not be read completely (" + Error + ").");
    } else if (Skipped + Unreadable > 0 && !FToldSkipped) {
        FToldSkipped = true;
        ShowError(std::to_string(Skipped + Unreadable) +
                  " catalogue entries could not be read and are left out or shown without their tracks. "
                  "Rebuilding the database recovers what can be read.");
    }
}

void TfrmCat::ClearCatalogueTree() {
    FModel->Clear();
}

void TfrmCat::rbNameClick() {
    {
        TBusyCursor Busy;
        ClearCatalogueTree();
        BuildCatalogueTree();
    }
    TV->setFocus();
}

bool TfrmCat::ReadCatRecord(std::int32_t RecNo) {
    if (!FCatalogue.OpenDiscFiles()) return false;
    TDiscRecordBytes Bytes;
    const bool Ok = ReadDiscRecord(FCatalogue.DiscFile, RecNo, Bytes) && DiscRecordStatus(Bytes) == 0;
    if (Ok)
        CatRecord = DecodeDiscRecord(Bytes);
    else
        FCatalogue.ReportDiscFileError(0);
    FCatalogue.CloseDiscFiles();
    return Ok;
}

bool TfrmCat::SelectedDisc(const char* Message, QModelIndex& Node) {
    Node = TV->currentIndex();
    const TCatalogueEntry* Disc = FModel->Disc(Node);
    if (!Disc) {
        if (Message) ShowError(Message);
        return false;
    }
    return ReadCatRecord(Disc->RecNo);
}

void TfrmCat::btnEditClick() {
    QModelIndex Node;
    if (!SelectedDisc("Please first select the CD to be edited.", Node)) return;
    if (!FCatalogue.CurrentDiscCode.empty() && CatRecord.DiscCode == FCatalogue.CurrentDiscCode) {
        ShowError("You may only edit the record of the disc currently inserted via the main handset.");
        return;
    }
    const std::string Code = CatRecord.DiscCode;
    std::int32_t RecNo = 0;
    TDiscDataHolder& H = FCatalogue.fvlf;
    FCatalogue.LoadDisc(Code, CatRecord, H.catTracks, H.catMemo, FCatalogue.CatalogueKeys, RecNo);
    EditDiscData(this, FCatalogue, FWave, CatRecord, H.catTracks, H.catMemo, FCatalogue.CatalogueKeys, RecNo,
                 Code);
    FModel->SetDiscName(Node, CatRecord.DiscName);
    TV->setFocus();
}

void TfrmCat::btnDeleteClick() {
    QModelIndex Node;
    if (!SelectedDisc("Please first select the data record to delete.", Node)) return;
    const TCatalogueEntry* Disc = FModel->Disc(Node);
    if (RefusedReadOnly(FCatalogue, "The data record called " + Disc->Name + " cannot be deleted.")) return;
    if (AskYesNo("Would you like to delete the CD data record called " + Disc->Name + "?") != idYes) return;
    if (!ReadCatRecord(Disc->RecNo)) return;
    if (!FCatalogue.CurrentDiscCode.empty() && CatRecord.DiscCode == FCatalogue.CurrentDiscCode) {
        ShowError("You cannot delete the data record for the CD currently inserted.");
        return;
    }
    // The record and its keys go together or not at all; blobs that cannot be freed have been told and
    // leave only unused space behind.
    FCatalogue.DeleteDisc(Disc->RecNo);
    if (!FCatalogue.OpenDiscFiles()) return;
    std::int32_t Found = 0;
    FindKey(FCatalogue.DiscFile, kDiscCode, Found, CatRecord.DiscCode);
    const bool Gone = !EngineOK || Found != Disc->RecNo;
    FCatalogue.CloseDiscFiles();
    if (Gone) FModel->RemoveDisc(Node);
}

void TfrmCat::btnAttachClick() {
    const char* const NoSelection = "Please first select the data record to attach to.";
    const QModelIndex Node = TV->currentIndex();
    if (!Node.isValid()) {
        ShowError(NoSelection);
        return;
    }
    if (FCatalogue.CurrentDiscCode.empty()) {
        ShowError("Please insert the CD to be attached.");
        return;
    }
    if (RefusedReadOnly(FCatalogue, "The CD cannot be attached to a data record.")) return;
    const TCatalogueEntry* Disc = FModel->Disc(Node);
    if (FCatalogue.CurrentDiscRecNo > 0 &&
        AskYesNo("There is a current data record for this CD, if you continue it will be deleted. Do you "
                 "wish to attach the CD to " +
                 Node.data().toString().toStdString() + "?") != idYes)
        return;
    if (!Disc) {
        ShowError(NoSelection);
        return;
    }
    if (!ReadCatRecord(Disc->RecNo)) return;
    if (CatRecord.DiscCode == FCatalogue.CurrentDiscCode) {
        ShowError("The CD is already attached to this data record.");
        return;
    }
    AttachDriveDisc(FCatalogue, Disc->RecNo, FDriveToc ? FDriveToc() : TDiscToc{});
    rbNameClick();
}

void TfrmCat::btnBitmapClick() {
    QModelIndex Node;
    if (!SelectedDisc("Please first select a CD whose Bitmap is to be viewed.", Node)) return;
    const std::string P = FCatalogue.WorkingPicture();
    DeleteQuietly(P);
    if (CatRecord.PictureRef == 0) {
        ShowError("Select CD does not have a bitmap attached to it.");
    } else {
        if (FCatalogue.OpenDiscVlf()) {
            FCatalogue.fvlf.Vlf.ExtractFile(CatRecord.PictureRef, P, false);
            FCatalogue.CloseDiscVlf();
        }
        if (QFileInfo::exists(Q(P))) {
            TfrmBitmap Bitmap(P, this);
            for (QPushButton* B : {Bitmap.btnLoad, Bitmap.btnSave, Bitmap.btnClear, Bitmap.btnCancel})
                B->setEnabled(false);
            Bitmap.exec();
        } else {
            ShowError("The picture of this CD cannot be read from the catalogue.");
        }
    }
    DeleteQuietly(P);
    TV->setFocus();
}

void TfrmCat::btnSelectedClick() {
    QModelIndex Node;
    if (!SelectedDisc("Please first select a CD whose Wave file is to be played.", Node)) return;
    if (CatRecord.SampleRef == 0)
        ShowError("Select CD does not have a recorded sample.");
    else
        Sample->PlaySample(CatRecord.SampleRef);
    TV->setFocus();
}

void TfrmCat::StopSample() {
    Sample->StopSample();
}

void TfrmCat::btnPrintCDClick() {
    const TCatalogueEntry* Disc = FModel->Disc(TV->currentIndex());
    PrintCDClick(this, FCatalogue, Disc ? Disc->RecNo : 0);
}

void TfrmCat::btnPrintCatClick() {
    PrintCatClick(this, FCatalogue, OrderKey(), Filter());
}
