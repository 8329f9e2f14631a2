// The frame the export and import windows share: the file name row with its Browse button, OK and Cancel
// at the foot, the file chooser, and the progress window while the transfer runs.
#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QString>
#include <initializer_list>
#include <string>

#include "catalogue_ui/ProgressForm.h"

class QLineEdit;
class QPushButton;
class TDiscCatalogue;

class TTransferDialog : public QDialog {
    Q_OBJECT
public:
    QLineEdit* edFile = nullptr;
    QPushButton* btnBrowse = nullptr;
    QPushButton* btnOK = nullptr;

public slots:
    virtual void btnBrowseClick() = 0;
    virtual void btnOKClick() = 0;

protected:
    // Name is the window's control name; the file row starts with the default file.
    TTransferDialog(TDiscCatalogue& Catalogue, QWidget* Parent, const char* Name, const QString& Title,
                    int HelpContext);

    // The file the export writes by default and the import offers for the round trip.
    static std::string DefaultFile();

    template <typename T> static T* Named(T* Widget, const char* Name) {
        Widget->setObjectName(QString::fromLatin1(Name));
        return Widget;
    }

    // Lays out Groups, then the file row, then OK and Cancel (control name CancelName), and connects the
    // three buttons. Returns the Cancel button.
    QPushButton* LayOut(std::initializer_list<QWidget*> Groups, const char* CancelName);

    // The file chooser, titled as the window, on the file in the file row; the chosen file goes into it.
    // Saving, it takes any name and does not ask before overwriting (OK does); opening, an existing file.
    void ChooseFile(QFileDialog::AcceptMode Mode, const QStringList& Filters, int Filter);

    // Runs Transfer(progress callback) with the progress window captioned Caption open; its result.
    template <typename F> auto WithProgress(const QString& Caption, F&& Transfer) {
        TProgForm Progress(this);
        Progress.Start(Caption);
        auto Result = Transfer([&Progress](int Percent) { Progress.SetProgress(Percent); });
        Progress.close();
        return Result;
    }

    TDiscCatalogue& FCatalogue;
};
