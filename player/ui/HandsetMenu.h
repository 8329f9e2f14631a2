// The handset's main menu, built from one table of captions, shortcuts and separators. An entry appears
// only when the handset gives it a handler, so no item is shown that would do nothing.
#pragma once

#include <QString>
#include <functional>
#include <map>

class QAction;
class QMenuBar;

using THandsetMenuHandlers = std::map<QString, std::function<void()>>;

class THandsetMenu {
public:
    THandsetMenu(QMenuBar* Bar, const THandsetMenuHandlers& Handlers);

    // The item of that name, nullptr when it was left out.
    QAction* Item(const QString& Name) const;
    void SetEnabled(const QString& Name, bool Enabled) const;
    void SetChecked(const QString& Name, bool Checked) const;
    bool IsChecked(const QString& Name) const;

private:
    std::map<QString, QAction*> FItems;
};
