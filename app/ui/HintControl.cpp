#include "app/ui/HintControl.h"

#include <QApplication>
#include <QEvent>
#include <QProxyStyle>

namespace {

constexpr int HintDelay = 2000;

class THintDelayStyle : public QProxyStyle {
public:
    int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                  QStyleHintReturn* Return) const override {
        if (Hint == QStyle::SH_ToolTip_WakeUpDelay) return HintDelay;
        return QProxyStyle::styleHint(Hint, Option, Widget, Return);
    }
};

class THintSwitch : public QObject {
public:
    bool Shown = true;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (!Shown && Event->type() == QEvent::ToolTip) return true;
        return QObject::eventFilter(Watched, Event);
    }
};

THintSwitch* Switch = nullptr;

} // namespace

void InstallHintControl() {
    if (Switch || !qApp) return;
    Switch = new THintSwitch;
    Switch->setParent(qApp);
    qApp->installEventFilter(Switch);
    QApplication::setStyle(new THintDelayStyle);
}

void SetHintsShown(bool Shown) {
    InstallHintControl();
    if (Switch) Switch->Shown = Shown;
}

bool HintsShown() {
    return !Switch || Switch->Shown;
}
