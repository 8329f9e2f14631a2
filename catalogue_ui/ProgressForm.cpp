#include "catalogue_ui/ProgressForm.h"

#include <QCoreApplication>
#include <QFrame>
#include <QProgressBar>
#include <QVBoxLayout>

TProgForm::TProgForm(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("ProgForm"));
    setWindowTitle(QStringLiteral("Progress"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    auto* Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel1"));
    Panel->setFrameShape(QFrame::StyledPanel);
    Gauge = new QProgressBar(Panel);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    Gauge->setRange(0, 100);
    Gauge->setValue(0);
    Gauge->setMinimumWidth(260);
    auto* PanelLayout = new QVBoxLayout(Panel);
    PanelLayout->addWidget(Gauge);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Panel);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TProgForm::Start(const QString& Caption) {
    setWindowTitle(Caption);
    Gauge->setValue(0);
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TProgForm::SetProgress(int Percent) {
    if (Percent == Gauge->value()) return;
    Gauge->setValue(Percent);
    // Painted at once, without the event loop: the clock tick, which uses the catalogue too, must not run
    // in the middle of an export or import.
    Gauge->repaint();
}
