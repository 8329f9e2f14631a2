#include "player/ui/TrackChooser.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/DialogButtons.h"
#include "devices/MessageBoxes.h"
#include "dialogs/TrackLineDelegate.h"

TfrmTracks::TfrmTracks(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmTracks"));
    setWindowTitle(QStringLiteral("Goto selected track"));
    auto* Group = new QGroupBox(QStringLiteral("Tracks on CD now playing"), this);
    lstTracks = new QListWidget(Group);
    lstTracks->setObjectName(QStringLiteral("lstTracks"));
    lstTracks->setToolTip(QStringLiteral("Double click on a track to set the play position to it."));
    lstTracks->setSelectionMode(QAbstractItemView::SingleSelection);
    lstTracks->setItemDelegate(new TTrackLineDelegate(lstTracks));
    lstTracks->setMinimumSize(300, 220);
    auto* GroupLayout = new QVBoxLayout(Group);
    GroupLayout->addWidget(lstTracks);
    const TDialogButtons Buttons = MakeDialogButtons(this);
    connect(Buttons.OK, &QPushButton::clicked, this, &TfrmTracks::btnOKClick);
    connect(Buttons.Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstTracks, &QListWidget::itemDoubleClicked, this, &TfrmTracks::btnOKClick);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Group);
    Layout->addLayout(Buttons.Row);
}

void TfrmTracks::SetLines(const std::vector<std::string>& Lines) {
    lstTracks->clear();
    for (const std::string& Line : Lines)
        lstTracks->addItem(QString::fromStdString(Line));
}

int TfrmTracks::SelectedIndex() const {
    const QList<QListWidgetItem*> Selected = lstTracks->selectedItems();
    return Selected.isEmpty() ? -1 : lstTracks->row(Selected.front());
}

void TfrmTracks::btnOKClick() {
    if (SelectedIndex() < 0) {
        ShowError("No track selected.  Please select a track before clicking [OK].");
        return;
    }
    accept();
}
