#include "devices/ui/RecordWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <filesystem>

#include "app/base/Settings.h"
#include "catalogue/DiscSamples.h"
#include "devices/CdAudio.h"
#include "devices/MessageBoxes.h"
#include "devices/WaveAudio.h"
#include "devices/ui/AdjustBookmark.h"
#include "player/PlayerCore.h"
#include "player/base/PlayerState.h"

namespace {

QRadioButton* Radio(const char* Name, const char* Caption, QWidget* Parent, QLayout* Layout) {
    auto* B = new QRadioButton(QString::fromUtf8(Caption), Parent);
    B->setObjectName(QString::fromLatin1(Name));
    Layout->addWidget(B);
    return B;
}

QPushButton* Push(const char* Name, const char* Caption, QWidget* Parent, QLayout* Layout) {
    auto* B = new QPushButton(QString::fromUtf8(Caption), Parent);
    B->setObjectName(QString::fromLatin1(Name));
    B->setAutoDefault(false);
    Layout->addWidget(B);
    return B;
}

QGroupBox* Group(const char* Title, QWidget* Parent, QBoxLayout*& Layout, bool Vertical = true) {
    auto* G = new QGroupBox(QString::fromUtf8(Title), Parent);
    Layout = Vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(G)) : new QHBoxLayout(G);
    return G;
}

const std::pair<QRadioButton * TfrmRecord::*, int> Rates[] = {
    {&TfrmRecord::rb40, 4000},  {&TfrmRecord::rb55, 5510},  {&TfrmRecord::rb8, 8000},
    {&TfrmRecord::rb11, 11025}, {&TfrmRecord::rb22, 22050}, {&TfrmRecord::rb44, 44100}};

} // namespace

TfrmRecord::TfrmRecord(TPlayerSettings& Settings, TPlayerState& State, TCdAudio& Cd, TWaveAudio& Wave,
                       TDiscCatalogue& Catalogue, TPlayerCore& Core, QWidget* Parent)
    : QDialog(Parent), FSettings(Settings), FState(State), FCd(Cd), FWave(Wave),
      FRecorder(std::make_unique<TSampleRecorder>(State, Cd, Wave, Core, DiscSampleKeeping(Catalogue))) {
    setObjectName(QStringLiteral("frmRecord"));
    setWindowTitle(QStringLiteral("Recording options"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    // The recorder ends a recording through this window, which asks where a declined sample goes.
    Core.EndRecording = [this] { EndRecording(); };
    FRecorder->ChooseSaveFile = [this] {
        QFileDialog SaveDialog(this, QString(), QString(),
                               QStringLiteral("Wave files (*.WAV);;All files (*)"));
        SaveDialog.setObjectName(QStringLiteral("SaveDialog"));
        SaveDialog.setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog.setDefaultSuffix(QStringLiteral("WAV"));
        return SaveDialog.exec() == QDialog::Accepted && !SaveDialog.selectedFiles().isEmpty()
                   ? SaveDialog.selectedFiles().first().toStdString()
                   : std::string();
    };

    auto* Main = new QHBoxLayout(this);
    auto* Left = new QVBoxLayout;
    QBoxLayout* L;
    QGroupBox* Options = Group("Recording options", this, L);
    rbTracks = Radio("rbTracks", "&Sample tracks", Options, L);
    rbBook = Radio("rbBook", "&Record bookmark", Options, L);
    rbTracks->setChecked(true);
    Left->addWidget(Options);
    QGroupBox* Bookmark = Group("Bookmark control", this, L, false);
    btnAdjust = Push("btnAdjust", "&Adjust", Bookmark, L);
    btnPrev = Push("btnPrev", "&Preview", Bookmark, L);
    Left->addWidget(Bookmark);
    QGroupBox* RateGroup = Group("Sampling rate - Mhz", this, L, false);
    const char* RateNames[] = {"rb40", "rb55", "rb8", "rb11", "rb22", "rb44"};
    const char* RateCaptions[] = {"4", "5.5", "8", "11", "22", "44"};
    for (int I = 0; I < 6; ++I)
        this->*Rates[I].first = Radio(RateNames[I], RateCaptions[I], RateGroup, L);
    rb11->setChecked(true);
    Left->addWidget(RateGroup);
    auto* Formats = new QHBoxLayout;
    QGroupBox* BitsGroup = Group("Bits", this, L, false);
    BitsGroup->setObjectName(QStringLiteral("gbBits"));
    rb8bit = Radio("rb8bit", "8 Bit", BitsGroup, L);
    rb16bit = Radio("rb16bit", "16 Bit", BitsGroup, L);
    rb8bit->setChecked(true);
    QGroupBox* ChannelGroup = Group("Channels", this, L, false);
    ChannelGroup->setObjectName(QStringLiteral("gbChannels"));
    rbMono = Radio("rbMono", "Mono", ChannelGroup, L);
    rbStereo = Radio("rbStereo", "Stereo", ChannelGroup, L);
    rbMono->setChecked(true);
    Formats->addWidget(BitsGroup);
    Formats->addWidget(ChannelGroup);
    Left->addLayout(Formats);
    Main->addLayout(Left);

    auto* Right = new QVBoxLayout;
    btnStart = Push("btnStart", "&Start recording", this, Right);
    btnStart->setDefault(true);
    btnCancel = Push("btnCancel", "Cancel", this, Right);
    btnRecord = Push("btnRecord", "Recording &control", this, Right);
    Right->addStretch();
    Main->addLayout(Right);

    connect(btnStart, &QPushButton::clicked, this, &TfrmRecord::btnStartClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnRecord, &QPushButton::clicked, this, &TfrmRecord::btnRecordClick);
    connect(btnAdjust, &QPushButton::clicked, this, &TfrmRecord::btnAdjustClick);
    connect(btnPrev, &QPushButton::clicked, this, &TfrmRecord::btnPrevClick);
}

TfrmRecord::~TfrmRecord() = default;

void TfrmRecord::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    FormShow();
}

void TfrmRecord::FormShow() {
    for (const auto& [Button, Rate] : Rates)
        (this->*Button)->setEnabled(FWave.CanRecordRate(Rate));
    const bool HaveBookmark = FState.BookmarkStart != 0 && FState.BookmarkEnd != 0;
    rbBook->setEnabled(HaveBookmark);
    rbBook->setChecked(HaveBookmark);
    if (!HaveBookmark) rbTracks->setChecked(true);
    btnAdjust->setEnabled(HaveBookmark);
    btnPrev->setEnabled(HaveBookmark);
}

TRecordFormat TfrmRecord::ChosenFormat() const {
    TRecordFormat Format;
    for (const auto& [Button, Rate] : Rates)
        if ((this->*Button)->isChecked()) Format.Rate = Rate;
    Format.Bits = rb16bit->isChecked() ? 16 : 8;
    Format.Channels = rbStereo->isChecked() ? 2 : 1;
    return Format;
}

void TfrmRecord::btnRecordClick() {
    std::error_code Ec;
    if (!std::filesystem::is_regular_file(FSettings.RecordingControl, Ec)) {
        QFileDialog OpenDialog(this, QString(), QString(),
                               QStringLiteral("Executable files (*);;All files (*)"));
        OpenDialog.setObjectName(QStringLiteral("OpenDialog"));
        OpenDialog.setFileMode(QFileDialog::ExistingFile);
        if (OpenDialog.exec() != QDialog::Accepted || OpenDialog.selectedFiles().isEmpty()) return;
        FSettings.RecordingControl = OpenDialog.selectedFiles().first().toStdString();
        SaveSettings(FSettings);
    }
    const QFileInfo Program(QString::fromStdString(FSettings.RecordingControl));
    RunProgram(FSettings.RecordingControl, "", Program.absolutePath().toStdString(), 1);
}

void TfrmRecord::btnStartClick() {
    try {
        FRecorder->StartRecording(rbTracks->isChecked(), ChosenFormat());
    } catch (const EMCIDeviceError& Error) {
        ShowError(Error.what());
    }
    accept();
}

void TfrmRecord::btnPrevClick() {
    try {
        FRecorder->Preview();
    } catch (const EMCIDeviceError& Error) {
        ShowError(Error.what());
    }
}

void TfrmRecord::btnAdjustClick() {
    TfrmAdjust Adjust(FState, FCd, this);
    Adjust.exec();
}

void TfrmRecord::EndRecording() {
    FRecorder->EndRecording();
}
