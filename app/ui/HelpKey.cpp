#include "app/ui/HelpKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

#include "app/base/HelpTopics.h"
#include "app/ui/HelpWindow.h"

namespace {

class THelpKeyFilter : public QObject {
protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() != QEvent::KeyPress) return false;
        const auto* Key = static_cast<QKeyEvent*>(Event);
        if (Key->key() != Qt::Key_F1 || Key->modifiers() != Qt::NoModifier) return false;
        const auto* Widget = qobject_cast<QWidget*>(Watched);
        const QWidget* Window = Widget ? Widget->window() : QApplication::activeWindow();
        const THelpRequest Request = HelpRequestFor(Window);
        ShowHelp(Request.Context, Request.Anchor);
        return true;
    }
};

THelpKeyFilter* Filter = nullptr;

} // namespace

THelpRequest HelpRequestFor(const QWidget* Window) {
    for (const QWidget* W = Window; W; W = W->parentWidget() ? W->parentWidget()->window() : nullptr) {
        const QVariant Own = W->property("HelpContext");
        if (Own.isValid() && Own.toInt() > 0) return {Own.toInt(), W->property("HelpAnchor").toString()};
        const THelpPlace Place = HelpPlaceOfWindow(W->objectName().toStdString());
        if (Place.Context > 0) return {Place.Context, QString::fromStdString(Place.Anchor)};
    }
    return {hcContents, {}};
}

void InstallHelpKey() {
    if (Filter || !qApp) return;
    Filter = new THelpKeyFilter;
    Filter->setParent(qApp);
    qApp->installEventFilter(Filter);
}
