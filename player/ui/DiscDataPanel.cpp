#include "player/ui/DiscDataPanel.h"

#include <QLabel>
#include <algorithm>

#include "app/base/ColourValues.h"

namespace {

QLabel* MakeLabel(const char* Name, const QString& Caption, QWidget* Parent) {
    auto* Label = new QLabel(Caption, Parent);
    Label->setObjectName(QString::fromLatin1(Name));
    Label->setTextFormat(Qt::PlainText);
    return Label;
}

} // namespace

TDiscDataPanel::TDiscDataPanel(const TPlayerSettings& Settings, QWidget* Parent)
    : QFrame(Parent), FSettings(Settings) {
    setObjectName(QStringLiteral("DData"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Label1 = MakeLabel("Label1", QStringLiteral("Disc:"), this);
    Label2 = MakeLabel("Label2", QStringLiteral("Track:"), this);
    Label3 = MakeLabel("Label3", QStringLiteral("Composer:"), this);
    Label4 = MakeLabel("Label4", QStringLiteral("Artist:"), this);
    labName = MakeLabel("labName", QString(), this);
    labTrack = MakeLabel("labTrack", QString(), this);
    LabComp = MakeLabel("LabComp", QString(), this);
    labArt = MakeLabel("labArt", QString(), this);
    labMark = MakeLabel("labMark", QString(), this);
    labMark->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labMark->hide();
}

int TDiscDataPanel::LayoutRows() {
    QPalette Palette = palette();
    Palette.setColor(QPalette::Window, ColorToQColor(FSettings.DiscDataBackground));
    Palette.setColor(QPalette::WindowText, ColorToQColor(FSettings.DiscDataFontColor));
    setPalette(Palette);
    setAutoFillBackground(true);
    QFont Font(QString::fromStdString(FSettings.DiscDataFontName));
    Font.setPointSize(std::max(FSettings.DiscDataFontSize, 1));
    for (QLabel* Label : {Label1, Label2, Label3, Label4, labName, labTrack, LabComp, labArt}) {
        Label->setFont(Font);
        Label->setPalette(Palette);
        Label->adjustSize();
    }
    Font.setItalic(true);
    labMark->setFont(Font);
    labMark->setPalette(Palette);
    const int H = Label1->sizeHint().height();
    Label1->move(4, 2);
    Label2->move(4, H + 3);
    Label3->move(4, 2 * H + 4);
    Label4->move(4, 3 * H + 5);
    PlaceValues();
    setFixedHeight(4 * H + 14);
    return height();
}

void TDiscDataPanel::PlaceValues() {
    // "Composer:" is the widest caption.
    const int Left = Label3->sizeHint().width() + 8;
    const int Width = std::max(width() - Left - 4, 0);
    const QLabel* Captions[] = {Label1, Label2, Label3, Label4};
    QLabel* Values[] = {labName, labTrack, LabComp, labArt};
    for (int I = 0; I < 4; ++I)
        Values[I]->setGeometry(Left, Captions[I]->y(), Width, Captions[I]->sizeHint().height());
    if (labMark->isHidden()) return;
    // The mark keeps its whole width (up to half the row); the name gives way to it.
    const int MarkWidth = std::min(labMark->sizeHint().width(), Width / 2);
    labMark->setGeometry(Left + Width - MarkWidth, labName->y(), MarkWidth, labName->height());
    labName->resize(std::max(Width - MarkWidth - 6, 0), labName->height());
}

void TDiscDataPanel::SetWidth(int Width) {
    setFixedWidth(Width);
    PlaceValues();
}

void TDiscDataPanel::SetDisc(const std::string& Name, const std::string& Composer,
                             const std::string& Artist) {
    labName->setText(QString::fromStdString(Name));
    LabComp->setText(QString::fromStdString(Composer));
    labArt->setText(QString::fromStdString(Artist));
}

void TDiscDataPanel::SetTrack(const std::string& Track) {
    labTrack->setText(QString::fromStdString(Track));
}

void TDiscDataPanel::SetMark(const std::string& Mark, const std::string& Hint) {
    labMark->setText(Mark.empty() ? QString() : QStringLiteral("(%1)").arg(QString::fromStdString(Mark)));
    labMark->setVisible(!Mark.empty());
    labMark->setToolTip(QString::fromStdString(Hint));
    labName->setToolTip(QString::fromStdString(Hint));
    PlaceValues();
}

void TDiscDataPanel::Clear() {
    SetDisc({}, {}, {});
    SetTrack({});
    SetMark({}, {});
}
