#include "player/ui/SmallHandset.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "app/base/ColourValues.h"
#include "app/ui/ScreenPlacement.h"
#include "player/ui/GlyphIcon.h"
#include "player/ui/Handset.h"
#include "player/ui/HandsetButton.h"

namespace {

constexpr int ButtonWidth = 25;
constexpr int ButtonHeight = 22;
constexpr int ModeLineWidth = 104;
// Outside the window: never seen, there only for their accelerator letters.
constexpr int HiddenTop = 2000;

enum TDrawnGlyph { dgVolume, dgFull, dgToggle };

// The three buttons the handset has no glyph for, drawn in the glyphs' 16-pixel square.
QIcon DrawnIcon(TDrawnGlyph Kind) {
    QPixmap Picture(16, 16);
    Picture.fill(Qt::transparent);
    QPainter Painter(&Picture);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(QPen(QColor(40, 40, 40), 1.2));
    switch (Kind) {
    case dgVolume: {
        QPainterPath Speaker;
        Speaker.moveTo(2, 6);
        Speaker.lineTo(5, 6);
        Speaker.lineTo(9, 2.5);
        Speaker.lineTo(9, 13.5);
        Speaker.lineTo(5, 10);
        Speaker.lineTo(2, 10);
        Speaker.closeSubpath();
        Painter.fillPath(Speaker, QColor(40, 40, 40));
        Painter.drawArc(QRectF(7, 5, 5, 6), -60 * 16, 120 * 16);
        Painter.drawArc(QRectF(7, 2.5, 8, 11), -60 * 16, 120 * 16);
        break;
    }
    case dgFull:
        Painter.drawRect(QRectF(1.5, 2.5, 13, 11));
        Painter.fillRect(QRectF(1.5, 2.5, 13, 3), QColor(0, 0, 128));
        Painter.fillRect(QRectF(4, 8, 8, 1.2), QColor(40, 40, 40));
        Painter.fillRect(QRectF(4, 10.5, 6, 1.2), QColor(40, 40, 40));
        break;
    case dgToggle: {
        Painter.setBrush(QColor(40, 40, 40));
        Painter.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(12.5, 6.5), QPointF(3.5, 6.5)}));
        Painter.drawPolygon(QPolygonF({QPointF(8, 14.5), QPointF(12.5, 9.5), QPointF(3.5, 9.5)}));
        break;
    }
    }
    return QIcon(Picture);
}

} // namespace

TfrmSmall::TfrmSmall(TPlayerSettings& Settings, const TPlayerState& State, TORB& Handset)
    : QWidget(nullptr), FSettings(Settings), FState(State), FHandset(Handset) {
    setObjectName(QStringLiteral("frmSmall"));
    Qt::WindowFlags Flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                            Qt::WindowCloseButtonHint;
    if (FSettings.KeepOnTop) Flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(Flags);
    // The handset decides when the program ends, after the settings are saved.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(Handset.windowTitle());
    setWindowIcon(Handset.windowIcon());

    const int Top = 2;
    int Left = 2;
    const auto Next = [&Left] {
        const QRect Place(Left, Top, ButtonWidth, ButtonHeight);
        Left += ButtonWidth;
        return Place;
    };
    btnPlay = MakeButton("btnPlay", {}, QStringLiteral("Play"), Next());
    btnPause = MakeButton("btnPause", {}, QStringLiteral("Pause"), Next());
    btnStop = MakeButton("btnStop", {}, QStringLiteral("Stop"), Next());
    BtnEject = MakeButton("BtnEject", {}, QStringLiteral("Eject"), Next());
    btnClose = MakeButton("btnClose", {}, QStringLiteral("Close"), Next());
    SpeedButton1 = MakeButton("SpeedButton1", {}, QStringLiteral("Toggle Tiny/Small control."), Next());
    btnFull = MakeButton("btnFull", {}, QStringLiteral("Full control display."), Next());
    btnMix = MakeButton("btnMix", {}, QStringLiteral("Volume control."), Next());
    const QString Suffix = FSettings.UseColorButtons ? QStringLiteral("Color") : QStringLiteral("Mono");
    for (auto [Button, Stem] :
         {std::pair{btnPlay, "Play"}, std::pair{btnPause, "Pause"}, std::pair{btnStop, "Stop"},
          std::pair{BtnEject, "Eject"}, std::pair{btnClose, "Close"}})
        Button->setIcon(GlyphIcon(QString::fromLatin1(Stem) + Suffix));
    btnMix->setIcon(DrawnIcon(dgVolume));
    btnFull->setIcon(DrawnIcon(dgFull));
    SpeedButton1->setIcon(DrawnIcon(dgToggle));

    Pan1 = new QLabel(this);
    Pan1->setObjectName(QStringLiteral("Pan1"));
    Pan1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Pan1->setAlignment(Qt::AlignCenter);
    Pan1->setTextFormat(Qt::PlainText);
    Pan1->setGeometry(Left + 4, Top, ModeLineWidth, ButtonHeight);

    Pan = new QFrame(this);
    Pan->setObjectName(QStringLiteral("Pan"));
    Pan->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Pan->setGeometry(2, Top + ButtonHeight + 2, Pan1->geometry().right() - 1, 30);
    labName = new QLabel(QStringLiteral("Disc:"), Pan);
    labName->setObjectName(QStringLiteral("labName"));
    bev = new QFrame(Pan);
    bev->setObjectName(QStringLiteral("bev"));
    bev->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    labTrack = new QLabel(QStringLiteral("Track:"), Pan);
    labTrack->setObjectName(QStringLiteral("labTrack"));
    for (QLabel* Label : {labName, labTrack})
        Label->setTextFormat(Qt::PlainText);

    const std::pair<const char*, const char*> Letters[] = {{"btnPlay1", "&P"},
                                                           {"btnStop1", "&S"},
                                                           {"btnPause1", "&U"},
                                                           {"btnEject1", "&E"},
                                                           {"btnClose1", "&C"}};
    QToolButton** Twins[] = {&btnPlay1, &btnStop1, &btnPause1, &btnEject1, &btnClose1};
    for (int I = 0; I < 5; ++I)
        *Twins[I] = MakeButton(Letters[I].first, QString::fromLatin1(Letters[I].second), {},
                               {I * 42, HiddenTop, 40, 20});

    const std::pair<QToolButton*, void (TfrmSmall::*)()> Commands[] = {
        {btnPlay, &TfrmSmall::btnPlayClick},
        {btnPlay1, &TfrmSmall::btnPlayClick},
        {btnStop, &TfrmSmall::btnStopClick},
        {btnStop1, &TfrmSmall::btnStopClick},
        {btnPause, &TfrmSmall::btnPauseClick},
        {btnPause1, &TfrmSmall::btnPauseClick},
        {BtnEject, &TfrmSmall::BtnEjectClick},
        {btnEject1, &TfrmSmall::BtnEjectClick},
        {btnClose, &TfrmSmall::btnCloseClick},
        {btnClose1, &TfrmSmall::btnCloseClick},
        {btnMix, &TfrmSmall::btnMixClick},
        {btnFull, &TfrmSmall::btnFullClick},
        {SpeedButton1, &TfrmSmall::SpeedButton1Click},
    };
    for (const auto& [Button, Handler] : Commands)
        connect(Button, &QToolButton::clicked, this, Handler);

    BuildMenu();
    timS.setObjectName(QStringLiteral("timS"));
    timS.setInterval(1000);
    connect(&timS, &QTimer::timeout, this, &TfrmSmall::timSTimer);
}

QToolButton* TfrmSmall::MakeButton(const char* Name, const QString& Caption, const QString& Hint,
                                   QRect Place) {
    return MakeHandsetButton(this, Name, Caption, Hint, Place);
}

void TfrmSmall::BuildMenu() {
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    const auto Add = [this](const char* Name, const char* Caption, auto Handler) {
        QAction* Item = PopupMenu->addAction(QString::fromLatin1(Caption));
        Item->setObjectName(QString::fromLatin1(Name));
        connect(Item, &QAction::triggered, this, Handler);
    };
    Add("Play1", "&Play", &TfrmSmall::btnPlayClick);
    Add("Stop1", "&Stop", &TfrmSmall::btnStopClick);
    Add("Pause1", "Pa&use", &TfrmSmall::btnPauseClick);
    PopupMenu->addSeparator();
    Add("Eject1", "&Eject", &TfrmSmall::BtnEjectClick);
    Add("Close1", "&Close", &TfrmSmall::btnCloseClick);
    PopupMenu->addSeparator();
    Add("Volume1", "&Volume", &TfrmSmall::btnMixClick);
    Add("EditcurrentCDdatarecord1", "&Edit current CD data record", [this] { FHandset.btnDataClick(); });
    Add("BrowseCDdatabase1", "&Browse CD database", [this] { FHandset.btnBrowseClick(); });
    PopupMenu->addSeparator();
    Add("Full1", "&Full", &TfrmSmall::btnFullClick);
}

void TfrmSmall::setVisible(bool Visible) {
    if (Visible && !isVisible()) FormShow();
    QWidget::setVisible(Visible);
}

void TfrmSmall::FormShow() {
    QPalette Palette = palette();
    Palette.setColor(QPalette::Window, ColorToQColor(FSettings.HandsetBackground));
    setPalette(Palette);
    setAutoFillBackground(true);
    ExitOnClose = true;

    QFont Font(QString::fromStdString(FSettings.SmallFontName));
    Font.setPointSize(std::clamp(FSettings.SmallFontSize, MinFontSize, MaxFontSize));
    QPalette TextPalette = labName->palette();
    TextPalette.setColor(QPalette::WindowText, ColorToQColor(FSettings.SmallFontColor));
    for (QLabel* Label : {labName, labTrack}) {
        Label->setFont(Font);
        Label->setPalette(TextPalette);
    }
    const int Line = labName->sizeHint().height();
    Pan->setFixedHeight(2 * Line + 7);
    const int Inner = Pan->width() - 6;
    labName->setGeometry(3, 1, Inner, Line);
    bev->setGeometry(3, Line + 3, Inner, 2);
    labTrack->setGeometry(3, Line + 5, Inner, Line);

    FSmallSize = QSize(Pan1->geometry().right() + 1 + 4, Pan->geometry().bottom() + 1 + 2);
    FTinySize = QSize(btnMix->geometry().right() + 1 + 4, btnMix->geometry().bottom() + 1 + 2);
    ApplySize();
    // Placed by the frame's corner, with room for the frame the handset has (the window is not framed
    // yet), so the title bar is on the screen too. Moved once it is up, the window would be placed by
    // its inside, and the frame added round it would shift it by its own size on every show.
    const QRect Client = FHandset.geometry();
    const QRect Framed = FHandset.frameGeometry();
    const QSize Frame(std::max(Framed.width() - Client.width(), 0),
                      std::max(Framed.height() - Client.height(), 0));
    move(KeepOnScreen(QPoint(FSettings.SmallLeft, FSettings.SmallTop), size() + Frame));
    timSTimer();
}

void TfrmSmall::ApplySize() {
    setFixedSize(FSettings.ShowTinyHandset ? FTinySize : FSmallSize);
}

void TfrmSmall::UpdateButtons() {
    struct TTwin {
        const char* Handset;
        QToolButton* Button;
        QToolButton* Letter;
        const char* Item;
    };
    const TTwin Twins[] = {
        {"btnPlay", btnPlay, btnPlay1, "Play1"},
        {"btnStop", btnStop, btnStop1, "Stop1"},
        {"btnPause", btnPause, btnPause1, "Pause1"},
        {"btnEject", BtnEject, btnEject1, "Eject1"},
        {"btnClose", btnClose, btnClose1, "Close1"},
        {"btnData", nullptr, nullptr, "EditcurrentCDdatarecord1"},
    };
    for (const TTwin& Twin : Twins) {
        const auto* Source = FHandset.findChild<QToolButton*>(QString::fromLatin1(Twin.Handset));
        const bool Enabled = Source && Source->isEnabled();
        for (QToolButton* Button : {Twin.Button, Twin.Letter}) {
            if (!Button) continue;
            Button->setEnabled(Enabled);
            // A disabled button takes no clicks, so a right click on it goes to the window and opens its
            // menu, as anywhere else on it; in the tiny size the buttons are all there is.
            Button->setAttribute(Qt::WA_TransparentForMouseEvents, !Enabled);
        }
        if (auto* Item = PopupMenu->findChild<QAction*>(QString::fromLatin1(Twin.Item)))
            Item->setEnabled(Enabled);
    }
}

void TfrmSmall::timSTimer() {
    timS.stop();
    StorePosition();
    const auto Caption = [this](const char* Name) {
        const auto* Label = FHandset.findChild<QLabel*>(QString::fromLatin1(Name));
        return Label ? Label->text() : QString();
    };
    const QString Mark = Caption("labMark");
    labName->setText(QStringLiteral("Disc: ") + Caption("labName") +
                     (Mark.isEmpty() ? QString() : QStringLiteral(" ") + Mark));
    labTrack->setText(QStringLiteral("Track: ") + Caption("labTrack"));
    setWindowTitle(FHandset.windowTitle());
    Pan1->setText(QStringLiteral("Mode: ") + QString::fromStdString(PlayModeName(FState.PlayMode)));
    UpdateButtons();
    timS.start();
}

void TfrmSmall::StorePosition() {
    if (y() == FSettings.SmallTop && x() == FSettings.SmallLeft) return;
    FSettings.SmallTop = y();
    FSettings.SmallLeft = x();
    SaveSettings(FSettings);
}

void TfrmSmall::SpeedButton1Click() {
    FSettings.ShowTinyHandset = !FSettings.ShowTinyHandset;
    ApplySize();
    SaveSettings(FSettings);
}

void TfrmSmall::btnFullClick() {
    ExitOnClose = false;
    close();
}

void TfrmSmall::RunHandsetButton(const char* Name) {
    // A disabled button does nothing, as the handset's own would.
    if (auto* Button = FHandset.findChild<QToolButton*>(QString::fromLatin1(Name))) Button->click();
    UpdateButtons();
}

void TfrmSmall::btnPlayClick() {
    RunHandsetButton("btnPlay");
}

void TfrmSmall::btnStopClick() {
    RunHandsetButton("btnStop");
}

void TfrmSmall::btnPauseClick() {
    RunHandsetButton("btnPause");
}

void TfrmSmall::BtnEjectClick() {
    RunHandsetButton("btnEject");
}

void TfrmSmall::btnCloseClick() {
    RunHandsetButton("btnClose");
}

void TfrmSmall::btnMixClick() {
    FHandset.miVolClick();
}

void TfrmSmall::closeEvent(QCloseEvent* Event) {
    timS.stop();
    // A move in the last second before closing is kept too.
    if (isVisible()) StorePosition();
    QWidget::closeEvent(Event);
    emit Closed();
}

void TfrmSmall::paintEvent(QPaintEvent* Event) {
    QWidget::paintEvent(Event);
    FormPaint();
}

void TfrmSmall::FormPaint() {
    const QImage& Picture = FHandset.BackgroundImage();
    if (!FSettings.UseBackgroundBitmap || Picture.isNull()) return;
    QPainter Painter(this);
    const int W = Picture.width();
    const int H = Picture.height();
    for (int Column = 0; Column <= width() / W; ++Column)
        for (int Row = 0; Row <= height() / H; ++Row)
            Painter.drawImage(Column * W, Row * H, Picture);
}

void TfrmSmall::contextMenuEvent(QContextMenuEvent* Event) {
    UpdateButtons();
    PopupMenu->popup(Event->globalPos());
}
