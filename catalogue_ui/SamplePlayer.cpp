#include "catalogue_ui/SamplePlayer.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "catalogue/CatalogueOrder.h"
#include "catalogue/DiscCatalogue.h"
#include "catalogue/DiscRecordFile.h"
#include "catalogue/store/RecordEngine.h"
#include "catalogue_ui/CatalogueImages.h"
#include "catalogue_ui/SampleDisplay.h"
#include "devices/MessageBoxes.h"

namespace {

constexpr int CodeWidth = 16;
constexpr int ItemHeight = 18;
// A line's text is the disc name, so that typing in the list finds a disc; the whole line (code, mark and
// name) is kept under this role.
constexpr int LineRole = Qt::UserRole;

// Draws the name of a list line, and the sound image in front of it for a disc with a sample.
class TSampleListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override {
        QStyleOptionViewItem Item = Option;
        initStyleOption(&Item, Index);
        const QString Line = Index.data(LineRole).toString();
        Item.text.clear();
        Item.icon = QIcon();
        // The background, selected or not, as the style draws an item.
        Item.widget->style()->drawControl(QStyle::CE_ItemViewItem, &Item, Painter, Item.widget);
        const QRect R = Option.rect;
        if (Line.mid(CodeWidth, 1) == QLatin1String("Y"))
            CatalogueImage(ciSound).paint(Painter, QRect(R.left() + 2, R.top() + 1, 16, 16));
        Painter->save();
        Painter->setPen(Option.palette.color(Option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                   : QPalette::Text));
        Painter->drawText(R.adjusted(20, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          Line.mid(CodeWidth + 1));
        Painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
        return {QStyledItemDelegate::sizeHint(Option, Index).width(), ItemHeight};
    }
};

QPushButton* Button(QWidget* Owner, const char* Name, const char* Caption, const char* Hint) {
    auto* B = new QPushButton(QString::fromUtf8(Caption), Owner);
    B->setObjectName(QString::fromLatin1(Name));
    if (Hint) B->setToolTip(QString::fromUtf8(Hint));
    return B;
}

} // namespace

std::string SampleListItem(const std::string& DiscCode, bool HasSample, const std::string& DiscName) {
    return PadRight(DiscCode, CodeWidth) + (HasSample ? "Y" : "N") + DiscName;
}

TfrmSelectPlay::TfrmSelectPlay(TDiscCatalogue& Catalogue, TWaveAudio* Wave, QWidget* Parent)
    : QDialog(Parent), FCatalogue(Catalogue) {
    setObjectName(QStringLiteral("frmSelectPlay"));
    setWindowTitle(QStringLiteral("Play wave file"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setProperty("HelpContext", 1038);

    auto* Label1 = new QLabel(QStringLiteral("Known CDs:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lbDisc = new QListWidget(this);
    lbDisc->setObjectName(QStringLiteral("lbDisc"));
    lbDisc->setToolTip(
        QStringLiteral("Either double click to play a sample for the selected disk or highligth "
                       "disk and click on [Selected disc]."));
    lbDisc->setItemDelegate(new TSampleListDelegate(lbDisc));
    lbDisc->setUniformItemSizes(true);
    lbDisc->setMinimumSize(300, 260);
    Label1->setBuddy(lbDisc);
    btnCurrent = Button(this, "btnCurrent", "&Current CD", "Play sample for current disk.");
    btnSelected =
        Button(this, "btnSelected", "&Selected CD", "Play sample for disk selected in \"Known discs\" list.");
    btnWave = Button(this, "btnWave", "&Wave file", "Play a selected vave file.");
    btnClose = Button(this, "btnClose", "Cl&ose", nullptr);
    Sample = new TSampleDisplay(Wave, Catalogue, this);

    auto* Buttons = new QVBoxLayout;
    Buttons->addWidget(btnCurrent);
    Buttons->addWidget(btnSelected);
    Buttons->addWidget(btnWave);
    Buttons->addStretch();
    Buttons->addWidget(btnClose);
    auto* Top = new QHBoxLayout;
    Top->addWidget(lbDisc, 1);
    Top->addLayout(Buttons);
    auto* Main = new QVBoxLayout(this);
    Main->addWidget(Label1);
    Main->addLayout(Top, 1);
    Main->addLayout(Sample->Layout());
    Main->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnCurrent, &QPushButton::clicked, this, &TfrmSelectPlay::btnCurrentClick);
    connect(btnSelected, &QPushButton::clicked, this, &TfrmSelectPlay::btnSelectedClick);
    connect(lbDisc, &QListWidget::itemDoubleClicked, this, &TfrmSelectPlay::btnSelectedClick);
    connect(btnWave, &QPushButton::clicked, this, &TfrmSelectPlay::btnWaveClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmSelectPlay::~TfrmSelectPlay() {
    Sample->StopSample();
}

void TfrmSelectPlay::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TfrmSelectPlay::done(int Result) {
    Sample->StopSample();
    QDialog::done(Result);
}

void TfrmSelectPlay::FormShow() {
    Sample->StopSample();
    lbDisc->clear();
    // Opening through the catalogue creates a missing catalogue (on the user's word) and repairs one left
    // open; the list itself is read without changing the files.
    if (!FCatalogue.OpenDiscFiles()) return;
    FCatalogue.CloseDiscFiles();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string Error;
    int Skipped = 0;
    const std::vector<TCatalogueGroup> Discs =
        CatalogueTreeOrder(FCatalogue.DataDir(), kDiscName, Error, &Skipped);
    for (const TCatalogueGroup& Group : Discs)
        for (const TCatalogueEntry& Disc : Group.Discs) {
            auto* Item = new QListWidgetItem(QString::fromStdString(Disc.Name), lbDisc);
            Item->setData(LineRole,
                          QString::fromStdString(SampleListItem(Disc.Code, Disc.HasSample, Disc.Name)));
        }
    QApplication::restoreOverrideCursor();
    if (!Error.empty())
        ShowError("The catalogue could not be read completely (" + Error + ").");
    else if (Skipped > 0)
        ShowError(std::to_string(Skipped) +
                  " catalogue entries could not be read and are left out. Rebuilding the database recovers "
                  "what can be read.");
}

void TfrmSelectPlay::PlayStored(std::int32_t SampleRef) {
    if (SampleRef != 0) Sample->PlaySample(SampleRef);
}

void TfrmSelectPlay::btnCurrentClick() {
    if (FCatalogue.CurrentDiscCode.empty()) return;
    PlayStored(FCatalogue.CurrentDisc.SampleRef);
}

void TfrmSelectPlay::btnSelectedClick() {
    const QListWidgetItem* Item = lbDisc->currentItem();
    if (!Item || !Item->isSelected()) {
        ShowError("Please select a disc whose sample is to be played.");
        return;
    }
    const std::string Line = Item->data(LineRole).toString().toStdString();
    if (Line.size() <= CodeWidth || Line[CodeWidth] != 'Y') {
        ShowError("Selected disk does not have a recorded sample.");
        return;
    }
    std::string Code = Line.substr(0, CodeWidth);
    Code.erase(Code.find_last_not_of(' ') + 1);
    if (!FCatalogue.OpenDiscFiles()) return;
    std::int32_t RecNo = 0;
    FindKey(FCatalogue.DiscFile, kDiscCode, RecNo, Code);
    if (!EngineOK) {
        FCatalogue.CloseDiscFiles();
        ShowError("Disc record cannot be located in primary index");
        return;
    }
    TDiscRecordBytes Bytes;
    const bool Read = ReadDiscRecord(FCatalogue.DiscFile, RecNo, Bytes) && DiscRecordStatus(Bytes) == 0;
    if (!Read) FCatalogue.ReportDiscFileError(0);
    FCatalogue.CloseDiscFiles();
    if (Read) PlayStored(DecodeDiscRecord(Bytes).SampleRef);
}

void TfrmSelectPlay::btnWaveClick() {
    const QString FileName = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open"), QString(), QStringLiteral("Wave files (*.wav *.WAV);;All files (*)"));
    if (!FileName.isEmpty() && QFileInfo::exists(FileName)) Sample->PlayFile(FileName.toStdString());
}
