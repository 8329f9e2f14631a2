#include "dialogs/SettingsDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/base/AutoPlayHandler.h"
#include "app/base/ColourValues.h"
#include "devices/MessageBoxes.h"

namespace {

// What each colour item edits: its foreground and background settings, either of which may be absent.
struct TColourItem {
    const char* Name;
    const char* Caption;
    TColor TPlayerSettings::*Fore;
    TColor TPlayerSettings::*Back;
};

const std::array<TColourItem, 8> ColourItems{{
    {"rbTime", "&Time/main display", &TPlayerSettings::DisplayFontColor, &TPlayerSettings::DisplayBackground},
    {"rbTrack", "Track &number display", &TPlayerSettings::TrackWindowFontColor,
     &TPlayerSettings::TrackWindowBackground},
    {"rbSelect", "S&elected track number", &TPlayerSettings::TrackWindowSelectedColor, nullptr},
    {"rbVolBar", "&Volume bar", &TPlayerSettings::VolumeBarForeground, &TPlayerSettings::VolumeBarBackground},
    {"rbVolBack", "Volume &display background", nullptr, &TPlayerSettings::VolumeDisplayBackground},
    {"rbHandBack", "&Handset background", nullptr, &TPlayerSettings::HandsetBackground},
    {"rbDisc", "CD data record &large handset", &TPlayerSettings::DiscDataFontColor,
     &TPlayerSettings::DiscDataBackground},
    {"rbSmall", "CD data record &small handset", &TPlayerSettings::SmallFontColor, nullptr},
}};

struct TFontItem {
    const char* Name;
    const char* Caption;
    std::string TPlayerSettings::*FontName;
    int TPlayerSettings::*FontSize;
};

const std::array<TFontItem, 5> FontItems{{
    {"rbTimeFont", "&Time/main display", &TPlayerSettings::DisplayFontName,
     &TPlayerSettings::DisplayFontSize},
    {"rbTrackFont", "Track &number display", &TPlayerSettings::TrackWindowFontName,
     &TPlayerSettings::TrackWindowFontSize},
    {"rbDiscFont", "CD data display &large handset", &TPlayerSettings::DiscDataFontName,
     &TPlayerSettings::DiscDataFontSize},
    {"rbReportFont", "&Catalogue printing", &TPlayerSettings::ReportFontName,
     &TPlayerSettings::ReportFontSize},
    {"rbSmallFont", "CD data display &small handset", &TPlayerSettings::SmallFontName,
     &TPlayerSettings::SmallFontSize},
}};

// The stored colours travel with the buttons so that a system colour stays one until it is changed.
const char* const ForeProperty = "foreColour";
const char* const BackProperty = "backColour";

const char* const Filters[] = {"Bitmap file (*.bmp *.BMP)", "Applications (*)", "All files (*)"};

QCheckBox* MakeCheckBox(const char* Name, const char* Caption, QWidget* Parent) {
    auto* Box = new QCheckBox(QString::fromUtf8(Caption), Parent);
    Box->setObjectName(QString::fromLatin1(Name));
    return Box;
}

QPushButton* MakeButton(const char* Name, const char* Caption, const char* Hint, QWidget* Parent) {
    auto* Button = new QPushButton(QString::fromUtf8(Caption), Parent);
    Button->setObjectName(QString::fromLatin1(Name));
    Button->setToolTip(QString::fromUtf8(Hint));
    Button->setAutoDefault(false);
    return Button;
}

QLineEdit* MakeEdit(const char* Name, QWidget* Parent) {
    auto* Edit = new QLineEdit(Parent);
    Edit->setObjectName(QString::fromLatin1(Name));
    Edit->setMaxLength(255);
    return Edit;
}

QSpinBox* MakeSeconds(const char* Name, QWidget* Parent) {
    auto* Edit = new QSpinBox(Parent);
    Edit->setObjectName(QString::fromLatin1(Name));
    Edit->setRange(0, 59);
    Edit->setToolTip(QStringLiteral("Seconds, 0 to 59."));
    return Edit;
}

QLabel* MakeFileLabel(const char* Name, QWidget* Parent) {
    auto* Label = new QLabel(Parent);
    Label->setObjectName(QString::fromLatin1(Name));
    Label->setMinimumWidth(260);
    Label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return Label;
}

TColor StoredColour(const QRadioButton* Button, const char* Property) {
    return static_cast<TColor>(Button->property(Property).toInt());
}

} // namespace

Tfrmconf::Tfrmconf(TPlayerSettings& Settings, QWidget* Parent) : QDialog(Parent), FSettings(Settings) {
    setObjectName(QStringLiteral("frmconf"));
    setWindowTitle(QStringLiteral("Orbelune system settings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    Notebook = new QTabWidget(this);
    Notebook->setObjectName(QStringLiteral("Notebook"));
    Notebook->addTab(BuildColourPage(), QStringLiteral("&Colours"));
    Notebook->addTab(BuildFontPage(), QStringLiteral("&Fonts"));
    Notebook->addTab(BuildDataPage(), QStringLiteral("&Data fields"));
    Notebook->addTab(BuildOtherPage(), QStringLiteral("&Other"));

    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    Buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Notebook);
    Layout->addWidget(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);

    dlgColor = new QColorDialog(this);
    dlgColor->setObjectName(QStringLiteral("dlgColor"));
    dlgFont = new QFontDialog(this);
    dlgFont->setObjectName(QStringLiteral("dlgFont"));
    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setDefaultSuffix(QStringLiteral("bmp"));

    SetSettings(Settings);
    FormCreate();
}

void Tfrmconf::FormCreate() {
    SettingUp = true;
    SelectedColourItem = 1;
    SelectedFontItem = 1;
    FColourItems[0]->setChecked(true);
    FFontItems[0]->setChecked(true);
    ColourItemClick(1);
    cbAuto->setChecked(FSettings.AutoPlayHandler);
    SettingUp = false;
}

QWidget* Tfrmconf::BuildColourPage() {
    auto* Page = new QWidget;
    auto* Colours = new QGroupBox(QStringLiteral("Colours"), Page);
    auto* Grid = new QGridLayout(Colours);
    for (std::size_t i = 0; i < ColourItems.size(); ++i) {
        auto* Button = new QRadioButton(QString::fromUtf8(ColourItems[i].Caption), Colours);
        Button->setObjectName(QString::fromLatin1(ColourItems[i].Name));
        Button->setAutoFillBackground(true);
        const int Item = static_cast<int>(i) + 1;
        connect(Button, &QRadioButton::clicked, this, [this, Item] { ColourItemClick(Item); });
        FColourItems[i] = Button;
        Grid->addWidget(Button, static_cast<int>(i % 4), static_cast<int>(i / 4));
    }
    btnFore =
        MakeButton("btnFore", "&Foreground/Font", "Choose the text colour of the item checked.", Colours);
    btnBack =
        MakeButton("btnBack", "&Background", "Choose the background colour of the item checked.", Colours);
    connect(btnFore, &QPushButton::clicked, this, &Tfrmconf::btnForeClick);
    connect(btnBack, &QPushButton::clicked, this, &Tfrmconf::btnBackClick);
    auto* ColourButtons = new QHBoxLayout;
    ColourButtons->addWidget(btnFore);
    ColourButtons->addWidget(btnBack);
    ColourButtons->addStretch();
    Grid->addLayout(ColourButtons, 4, 0, 1, 2);

    auto* Other = new QGroupBox(QStringLiteral("Other options"), Page);
    auto* OtherLayout = new QGridLayout(Other);
    cbColor = MakeCheckBox("cbColor", "Colour in CD control &buttons", Other);
    cbBitmap = MakeCheckBox("cbBitmap", "Bitma&p background to handset", Other);
    labBitmap = MakeFileLabel("labBitmap", Other);
    auto* brnSelect =
        MakeButton("brnSelect", "Se&lect bitmap", "Choose the picture tiled behind the handset.", Other);
    connect(brnSelect, &QPushButton::clicked, this, &Tfrmconf::btnBitmapClick);
    OtherLayout->addWidget(cbColor, 0, 0, 1, 2);
    OtherLayout->addWidget(cbBitmap, 1, 0);
    OtherLayout->addWidget(brnSelect, 1, 1);
    OtherLayout->addWidget(new QLabel(QStringLiteral("Bitmap:"), Other), 2, 0);
    OtherLayout->addWidget(labBitmap, 3, 0, 1, 2);

    auto* Layout = new QVBoxLayout(Page);
    Layout->addWidget(Colours);
    Layout->addWidget(Other);
    Layout->addStretch();
    return Page;
}

QWidget* Tfrmconf::BuildFontPage() {
    auto* Page = new QWidget;
    auto* Fonts = new QGroupBox(QStringLiteral("Fonts"), Page);
    auto* FontLayout = new QVBoxLayout(Fonts);
    for (std::size_t i = 0; i < FontItems.size(); ++i) {
        auto* Button = new QRadioButton(QString::fromUtf8(FontItems[i].Caption), Fonts);
        Button->setObjectName(QString::fromLatin1(FontItems[i].Name));
        const int Item = static_cast<int>(i) + 1;
        connect(Button, &QRadioButton::clicked, this, [this, Item] { FontItemClick(Item); });
        FFontItems[i] = Button;
        FontLayout->addWidget(Button);
    }
    auto* btnFont = MakeButton("btnFont", "&Change font", "Choose the font of the item checked.", Fonts);
    connect(btnFont, &QPushButton::clicked, this, &Tfrmconf::btnFontClick);
    FontLayout->addWidget(btnFont, 0, Qt::AlignLeft);
    auto* Layout = new QVBoxLayout(Page);
    Layout->addWidget(Fonts);
    Layout->addStretch();
    return Page;
}

QWidget* Tfrmconf::BuildDataPage() {
    auto* Page = new QWidget;
    const auto Group = [Page](const char* Title, QLineEdit*& First, const char* FirstName, QLineEdit*& Second,
                              const char* SecondName) {
        auto* Box = new QGroupBox(QString::fromUtf8(Title), Page);
        auto* Form = new QFormLayout(Box);
        First = MakeEdit(FirstName, Box);
        Second = MakeEdit(SecondName, Box);
        Form->addRow(QStringLiteral("Field 1:"), First);
        Form->addRow(QStringLiteral("Field 2:"), Second);
        return Box;
    };
    auto* Layout = new QVBoxLayout(Page);
    Layout->addWidget(Group("User defined CD data fields", edCD1, "edCD1", edCD2, "edCD2"));
    Layout->addWidget(Group("User defined track data fields", edTr1, "edTr1", edTr2, "edTr2"));
    auto* Owner = new QGroupBox(QStringLiteral("Catalogue"), Page);
    auto* OwnerForm = new QFormLayout(Owner);
    edCollector = MakeEdit("edCollector", Owner);
    edCollector->setToolTip(QStringLiteral("The collector's name, printed on the catalogue reports."));
    OwnerForm->addRow(QStringLiteral("Collector's &name:"), edCollector);
    Layout->addWidget(Owner);
    Layout->addStretch();
    return Page;
}

QWidget* Tfrmconf::BuildOtherPage() {
    auto* Page = new QWidget;
    auto* System = new QGroupBox(QStringLiteral("System options"), Page);
    auto* Grid = new QGridLayout(System);
    cbAuto = MakeCheckBox("cbAuto", "&Use Orbelune for auto play on inserting a disk.", System);
    cbAuto->setToolTip(QStringLiteral("Takes effect at once, even if the settings are then cancelled."));
    connect(cbAuto, &QCheckBox::clicked, this, &Tfrmconf::cbAutoClick);
    cbSmall = MakeCheckBox("cbSmall", "&Keep small handset on top", System);
    cbPrintBM = MakeCheckBox("cbPrintBM", "&Include bitmap on printout of CD data record", System);
    cbStop = MakeCheckBox("cbStop", "&Stop CD playing on close down", System);
    cbSave = MakeCheckBox("cbSave", "Auto save &new entries in reference files", System);
    int Row = 0;
    for (QCheckBox* Box : {cbAuto, cbSmall, cbPrintBM, cbStop, cbSave})
        Grid->addWidget(Box, Row++, 0, 1, 3);
    edSkip = MakeSeconds("edSkip", System);
    edIntro = MakeSeconds("edIntro", System);
    Grid->addWidget(new QLabel(QStringLiteral("Number of seconds to skip on fast forward/reverse"), System),
                    Row, 0, 1, 2);
    Grid->addWidget(edSkip, Row++, 2);
    Grid->addWidget(
        new QLabel(QStringLiteral("Number of seconds to play of each track - Intro mode"), System), Row, 0, 1,
        2);
    Grid->addWidget(edIntro, Row++, 2);
    labMix = MakeFileLabel("labMix", System);
    labRec = MakeFileLabel("labRec", System);
    auto* SpeedButton1 = MakeButton("SpeedButton1", "...", "Choose the mixer control program.", System);
    auto* SpeedButton2 = MakeButton("SpeedButton2", "...", "Choose the recording control program.", System);
    connect(SpeedButton1, &QPushButton::clicked, this, &Tfrmconf::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &Tfrmconf::SpeedButton2Click);
    Grid->addWidget(new QLabel(QStringLiteral("Mixer:"), System), Row, 0);
    Grid->addWidget(labMix, Row, 1);
    Grid->addWidget(SpeedButton1, Row++, 2);
    Grid->addWidget(new QLabel(QStringLiteral("Record:"), System), Row, 0);
    Grid->addWidget(labRec, Row, 1);
    Grid->addWidget(SpeedButton2, Row++, 2);
    // Nothing is sent over the network unless the user asks: both are off by default.
    auto* Lookup = new QGroupBox(QStringLiteral("Disc lookup (MusicBrainz, gnudb)"), Page);
    auto* LookupGrid = new QGridLayout(Lookup);
    cbLookupNew =
        MakeCheckBox("cbLookupNew", "Look up ne&w discs on the internet when they are inserted", Lookup);
    cbLookupNew->setToolTip(
        QStringLiteral("Sends the disc's ids and table of contents to MusicBrainz and gnudb."));
    cbLookupStore =
        MakeCheckBox("cbLookupStore", "Sto&re a looked-up disc at once, without the editor's OK", Lookup);
    edContact = MakeEdit("edContact", Lookup);
    edContact->setToolTip(
        QStringLiteral("Named in every request, as the services ask; gnudb wants an e-mail address."));
    connect(cbLookupNew, &QCheckBox::toggled, cbLookupStore, &QWidget::setEnabled);
    LookupGrid->addWidget(cbLookupNew, 0, 0, 1, 2);
    LookupGrid->addWidget(cbLookupStore, 1, 0, 1, 2);
    auto* ContactLabel =
        new QLabel(QStringLiteral("Your contact for the services (&gnudb asks for an e-mail):"), Lookup);
    ContactLabel->setBuddy(edContact);
    LookupGrid->addWidget(ContactLabel, 2, 0);
    LookupGrid->addWidget(edContact, 2, 1);
    auto* Layout = new QVBoxLayout(Page);
    Layout->addWidget(System);
    Layout->addWidget(Lookup);
    Layout->addStretch();
    return Page;
}

void Tfrmconf::SetItemColours(QRadioButton* Button, TColor Fore, TColor Back) {
    Button->setProperty(ForeProperty, Fore);
    Button->setProperty(BackProperty, Back);
    QPalette Palette = Button->palette();
    Palette.setColor(QPalette::WindowText, ColorToQColor(Fore));
    Palette.setColor(QPalette::ButtonText, ColorToQColor(Fore));
    Palette.setColor(QPalette::Window, ColorToQColor(Back));
    Button->setPalette(Palette);
    // The style paints a radio button's background only when a style sheet asks for it.
    Button->setStyleSheet(QStringLiteral("QRadioButton { color: %1; background-color: %2; }")
                              .arg(ColorToQColor(Fore).name(), ColorToQColor(Back).name()));
}

void Tfrmconf::SetSettings(const TPlayerSettings& Source) {
    const TPlayerSettings Defaults;
    for (std::size_t i = 0; i < ColourItems.size(); ++i) {
        const TColourItem& Item = ColourItems[i];
        // An item without a colour of its own is shown on the background it is drawn on.
        const TColor Fore = Item.Fore ? Source.*Item.Fore : clBlack;
        const TColor Shown = Item.Fore == &TPlayerSettings::TrackWindowSelectedColor
                                 ? Source.TrackWindowBackground
                                 : clBtnFace;
        const TColor Back = Item.Back ? Source.*Item.Back : Shown;
        SetItemColours(FColourItems[i], Fore, Back);
    }
    for (std::size_t i = 0; i < FontItems.size(); ++i) {
        const TFontItem& Item = FontItems[i];
        QString Family = QString::fromStdString(Source.*Item.FontName).trimmed();
        if (Family.isEmpty()) Family = QString::fromStdString(Defaults.*Item.FontName);
        int Size = Source.*Item.FontSize;
        if (Size < MinFontSize || Size > MaxFontSize) Size = Defaults.*Item.FontSize;
        QFont Font(Family, Size);
        if (i == 0) Font.setBold(Source.DisplayBold);
        FFontItems[i]->setFont(Font);
    }
    cbColor->setChecked(Source.UseColorButtons);
    cbBitmap->setChecked(Source.UseBackgroundBitmap);
    labBitmap->setText(QString::fromStdString(Source.BackgroundBitmap));
    edCD1->setText(QString::fromStdString(Source.DiscUser1Caption));
    edCD2->setText(QString::fromStdString(Source.DiscUser2Caption));
    edTr1->setText(QString::fromStdString(Source.TracksUser1Caption));
    edTr2->setText(QString::fromStdString(Source.TracksUser2Caption));
    edCollector->setText(QString::fromStdString(Source.CollectorName));
    cbSmall->setChecked(Source.KeepOnTop);
    cbPrintBM->setChecked(Source.PrintBitmap);
    cbStop->setChecked(Source.AutoStopOnCloseDown);
    cbSave->setChecked(Source.SaveNewEntries);
    cbLookupNew->setChecked(Source.LookupNewDiscs);
    cbLookupStore->setChecked(Source.StoreLookedUpDiscs);
    cbLookupStore->setEnabled(Source.LookupNewDiscs);
    edContact->setText(QString::fromStdString(Source.LookupContact));
    edContact->setCursorPosition(0); // its beginning shows, not its end
    const auto Seconds = [](TMinSec Time) {
        const double Value = std::round(Time * 100);
        return std::isfinite(Value) ? static_cast<int>(std::clamp(Value, 0.0, 59.0)) : 0;
    };
    edSkip->setValue(Seconds(Source.SkipTime));
    edIntro->setValue(Seconds(Source.IntroTime));
    labMix->setText(QString::fromStdString(Source.MixerControl));
    labRec->setText(QString::fromStdString(Source.RecordingControl));
}

void Tfrmconf::GetSettings(TPlayerSettings& Target) const {
    for (std::size_t i = 0; i < FontItems.size(); ++i) {
        const QFont Font = FFontItems[i]->font();
        Target.*FontItems[i].FontName = CutText255(Font.family().toStdString());
        Target.*FontItems[i].FontSize = std::clamp(Font.pointSize(), MinFontSize, MaxFontSize);
    }
    Target.DisplayBold = FFontItems[0]->font().bold();
    for (std::size_t i = 0; i < ColourItems.size(); ++i) {
        if (ColourItems[i].Fore) Target.*ColourItems[i].Fore = StoredColour(FColourItems[i], ForeProperty);
        if (ColourItems[i].Back) Target.*ColourItems[i].Back = StoredColour(FColourItems[i], BackProperty);
    }
    Target.UseColorButtons = cbColor->isChecked();
    Target.UseBackgroundBitmap = cbBitmap->isChecked();
    Target.BackgroundBitmap = labBitmap->text().toStdString();
    Target.MixerControl = labMix->text().toStdString();
    Target.RecordingControl = labRec->text().toStdString();
    Target.DiscUser1Caption = edCD1->text().toStdString();
    Target.DiscUser2Caption = edCD2->text().toStdString();
    Target.TracksUser1Caption = edTr1->text().toStdString();
    Target.TracksUser2Caption = edTr2->text().toStdString();
    Target.CollectorName = edCollector->text().toStdString();
    Target.KeepOnTop = cbSmall->isChecked();
    Target.PrintBitmap = cbPrintBM->isChecked();
    Target.AutoStopOnCloseDown = cbStop->isChecked();
    Target.SaveNewEntries = cbSave->isChecked();
    Target.LookupNewDiscs = cbLookupNew->isChecked();
    Target.StoreLookedUpDiscs = cbLookupStore->isChecked();
    Target.LookupContact = CutText255(edContact->text().trimmed().toStdString());
    Target.SkipTime = edSkip->value() * 0.01;
    Target.IntroTime = edIntro->value() * 0.01;
}

void Tfrmconf::ColourItemClick(int Item) {
    if (Item < 1 || Item > static_cast<int>(ColourItems.size())) return;
    SelectedColourItem = Item;
    btnFore->setEnabled(ColourItems[static_cast<std::size_t>(Item - 1)].Fore != nullptr);
    btnBack->setEnabled(ColourItems[static_cast<std::size_t>(Item - 1)].Back != nullptr);
}

void Tfrmconf::FontItemClick(int Item) {
    if (Item >= 1 && Item <= static_cast<int>(FontItems.size())) SelectedFontItem = Item;
}

void Tfrmconf::btnForeClick() {
    QRadioButton* Button = FColourItems[static_cast<std::size_t>(SelectedColourItem - 1)];
    dlgColor->setCurrentColor(ColorToQColor(StoredColour(Button, ForeProperty)));
    if (dlgColor->exec() != QDialog::Accepted) return;
    SetItemColours(Button, QColorToColor(dlgColor->selectedColor()), StoredColour(Button, BackProperty));
}

void Tfrmconf::btnBackClick() {
    QRadioButton* Button = FColourItems[static_cast<std::size_t>(SelectedColourItem - 1)];
    dlgColor->setCurrentColor(ColorToQColor(StoredColour(Button, BackProperty)));
    if (dlgColor->exec() != QDialog::Accepted) return;
    SetItemColours(Button, StoredColour(Button, ForeProperty), QColorToColor(dlgColor->selectedColor()));
}

void Tfrmconf::btnFontClick() {
    QRadioButton* Button = FFontItems[static_cast<std::size_t>(SelectedFontItem - 1)];
    // The dialog lists the fonts there are: it is given the family the item is really drawn in (a
    // family that is not installed stands for another one), so it finds the font and its bold style,
    // and a change of the size alone keeps the rest.
    QFont Shown = Button->font();
    Shown.setFamily(QFontInfo(Shown).family());
    dlgFont->setCurrentFont(Shown);
    if (dlgFont->exec() != QDialog::Accepted) return;
    QFont Font = dlgFont->selectedFont();
    if (Font.pointSize() < MinFontSize || Font.pointSize() > MaxFontSize)
        Font.setPointSize(std::clamp(Font.pointSize(), MinFontSize, MaxFontSize));
    Button->setFont(Font);
}

void Tfrmconf::ChooseFile(QLabel* Label, const QString& Title, int Filter) {
    OpenDialog->setWindowTitle(Title);
    QStringList FilterList;
    for (const char* Text : Filters)
        FilterList << QString::fromLatin1(Text);
    OpenDialog->setNameFilters(FilterList);
    OpenDialog->selectNameFilter(FilterList[Filter]);
    const QString Shown = Label->text();
    if (!Shown.isEmpty()) {
        OpenDialog->setDirectory(QFileInfo(Shown).absolutePath());
        OpenDialog->selectFile(QFileInfo(Shown).fileName());
    } else {
        OpenDialog->setDirectory(QString::fromStdString(ProgramDir()));
        OpenDialog->selectFile(QString());
    }
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty()) return;
    Label->setText(OpenDialog->selectedFiles().constFirst());
}

void Tfrmconf::btnBitmapClick() {
    ChooseFile(labBitmap, QStringLiteral("Select bitmap to use"), 0);
}

void Tfrmconf::SpeedButton1Click() {
    ChooseFile(labMix, QStringLiteral("Select mixer control program"), 1);
}

void Tfrmconf::SpeedButton2Click() {
    ChooseFile(labRec, QStringLiteral("Select recording control program"), 1);
}

void Tfrmconf::cbAutoClick() {
    if (SettingUp) return;
    std::string Error;
    if (!SetAutoPlayHandler(FSettings, cbAuto->isChecked(), Error)) {
        ShowError(Error);
    } else if (!SaveSettings(FSettings)) {
        ShowError("The settings file " + SettingsFileName() + " cannot be written.");
    }
    // The box shows what the desktop will do.
    SettingUp = true;
    cbAuto->setChecked(FSettings.AutoPlayHandler);
    SettingUp = false;
}
