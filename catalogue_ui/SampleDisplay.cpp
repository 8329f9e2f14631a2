#include "catalogue_ui/SampleDisplay.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalogue/DiscSamples.h"

TSampleDisplay::TSampleDisplay(TWaveAudio* Wave, TDiscCatalogue& Catalogue, QWidget* Owner)
    : QObject(Owner), FPlay(Wave ? std::make_unique<TDiscSamplePlay>(*Wave, Catalogue) : nullptr) {
    Label2 = new QLabel(QStringLiteral("Playing:"), Owner);
    Label2->setObjectName(QStringLiteral("Label2"));
    btnStop = new QToolButton(Owner);
    btnStop->setObjectName(QStringLiteral("btnStop"));
    btnStop->setToolTip(QStringLiteral("Stop wave file playing."));
    btnStop->setFixedSize(12, 12);
    btnStop->setIconSize(QSize(8, 8));
    btnStop->setIcon(Owner->style()->standardIcon(QStyle::SP_MediaStop));
    trBar = new QSlider(Qt::Horizontal, Owner);
    trBar->setObjectName(QStringLiteral("trBar"));
    trBar->setToolTip(QStringLiteral("Move pointer to change play position."));
    trBar->setTickInterval(1);
    trBar->setTickPosition(QSlider::TicksBelow);
    trBar->setPageStep(1);
    trBar->setRange(0, 0);
    labStart = new QLabel(Owner);
    labStart->setObjectName(QStringLiteral("labStart"));
    labEnd = new QLabel(Owner);
    labEnd->setObjectName(QStringLiteral("labEnd"));
    labEnd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(100);
    connect(btnStop, &QToolButton::clicked, this, &TSampleDisplay::StopSample);
    connect(Timer, &QTimer::timeout, this, &TSampleDisplay::TimerTimer);
    connect(trBar, &QSlider::sliderMoved, this, &TSampleDisplay::trBarChange);
    StopSample();
}

TSampleDisplay::~TSampleDisplay() {
    // The owner's controls may be gone already; only the device is closed here.
    if (FPlay) FPlay->Close();
}

QLayout* TSampleDisplay::Layout() {
    auto* Playing = new QHBoxLayout;
    Playing->addWidget(Label2);
    Playing->addWidget(btnStop);
    Playing->addWidget(trBar, 1);
    auto* Ends = new QHBoxLayout;
    Ends->addWidget(labStart);
    Ends->addStretch();
    Ends->addWidget(labEnd);
    auto* Both = new QVBoxLayout;
    Both->addLayout(Playing);
    Both->addLayout(Ends);
    return Both;
}

bool TSampleDisplay::PlaySample(std::int32_t SampleRef) {
    if (!FPlay) return false;
    StopSample();
    return Play(FPlay->OpenSample(SampleRef));
}

bool TSampleDisplay::PlayFile(const std::string& FileName) {
    if (!FPlay) return false;
    StopSample();
    return Play(FPlay->OpenFile(FileName));
}

bool TSampleDisplay::Play(bool Opened) {
    if (!Opened) return false;
    StartSampleDisplay();
    if (FPlay->Play()) return true;
    StopSample();
    return false;
}

bool TSampleDisplay::Playing() const {
    return FPlay && FPlay->IsOpen() && Timer->isActive();
}

void TSampleDisplay::StartSampleDisplay() {
    btnStop->setEnabled(true);
    trBar->setEnabled(true);
    WaveLength = FPlay->Length();
    labStart->setText(QStringLiteral("0"));
    labEnd->setText(QString::asprintf("%6.2f", WaveLength * 0.001));
    trBar->setRange(0, WaveLength / 1000);
    trBar->setValue(0);
    Timer->start();
}

void TSampleDisplay::StopSample() {
    if (FPlay) FPlay->Close();
    Timer->stop();
    btnStop->setEnabled(false);
    trBar->setValue(0);
    trBar->setEnabled(false);
    labStart->clear();
    labEnd->clear();
}

void TSampleDisplay::TimerTimer() {
    if (!FPlay || !FPlay->IsOpen()) {
        StopSample();
        return;
    }
    WavePosition = FPlay->Position();
    if (!trBar->isSliderDown()) trBar->setValue(WavePosition / 1000);
    // The position may stop just short of or pass the length: either way the sample has ended.
    if (WavePosition >= WaveLength) StopSample();
}

void TSampleDisplay::trBarChange(int Position) {
    if (FPlay && FPlay->IsOpen()) FPlay->PlayFrom(Position * 1000);
}
