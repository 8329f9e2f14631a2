// The small handset: a compact window that stands in for the handset while the handset is hidden. It
// does no device work of its own: its buttons and menu run the handset's commands, and once a second it
// copies the handset's texts, title and button states. Two sizes: small, with the disc, track and mode
// lines, and tiny, with the buttons only.
#pragma once

#include <QTimer>
#include <QWidget>

#include "app/base/Settings.h"
#include "player/base/PlayerState.h"

class QFrame;
class QLabel;
class QMenu;
class QToolButton;
class TORB;

class TfrmSmall : public QWidget {
    Q_OBJECT
public:
    TfrmSmall(TPlayerSettings& Settings, const TPlayerState& State, TORB& Handset);

    // Set while the small handset is up; the full-control command clears it. Closing the window with it
    // still set ends the program.
    bool ExitOnClose = false;

    // Lays the window out and places it before it is shown: a window placed before it has a frame is
    // placed by its frame's corner, which is what SmallTop and SmallLeft keep.
    void setVisible(bool Visible) override;

    QSize SmallSize() const { return FSmallSize; }
    QSize TinySize() const { return FTinySize; }
    QTimer timS;

public slots:
    void timSTimer();
    void SpeedButton1Click();
    void btnFullClick();
    // The handset's buttons of the same name run the command.
    void btnPlayClick();
    void btnStopClick();
    void btnPauseClick();
    void BtnEjectClick();
    void btnCloseClick();
    void btnMixClick();

signals:
    // The window has closed; ExitOnClose tells how.
    void Closed();

protected:
    void closeEvent(QCloseEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    void FormShow();
    void FormPaint();
    void BuildMenu();
    void ApplySize();
    void UpdateButtons();
    void StorePosition();
    void RunHandsetButton(const char* Name);
    QToolButton* MakeButton(const char* Name, const QString& Caption, const QString& Hint, QRect Place);

    TPlayerSettings& FSettings;
    const TPlayerState& FState;
    TORB& FHandset;
    QSize FSmallSize;
    QSize FTinySize;

    QToolButton* btnPlay;
    QToolButton* btnPause;
    QToolButton* btnStop;
    QToolButton* BtnEject;
    QToolButton* btnClose;
    QToolButton* btnFull;
    QToolButton* SpeedButton1;
    QToolButton* btnMix;
    QToolButton* btnPlay1;
    QToolButton* btnStop1;
    QToolButton* btnPause1;
    QToolButton* btnEject1;
    QToolButton* btnClose1;
    QFrame* Pan;
    QLabel* labName;
    QFrame* bev;
    QLabel* labTrack;
    QLabel* Pan1;
    QMenu* PopupMenu;
};
