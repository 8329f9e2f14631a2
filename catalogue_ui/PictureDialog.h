// The disc picture: shown scaled to the frame, loaded from a picture file, saved to a bitmap file or
// cleared. What is chosen is stored on OK through Store, or by the caller when the dialog has closed.
#pragma once

#include <QDialog>
#include <QImage>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

class TfrmBitmap : public QDialog {
    Q_OBJECT
public:
    // WorkingPicture is the working file holding the disc's stored picture (it may not exist).
    TfrmBitmap(std::string WorkingPicture, QWidget* Parent = nullptr);

    // Empty while nothing was chosen, the chosen file's full name after Load, "..." after Clear.
    std::string PictureFileName;
    // When set, OK stores what was chosen through it, and the dialog stays open with the choice while
    // the store fails (the user was told why).
    std::function<bool(const std::string& FileName)> Store;

    // Shows the picture of FileName and chooses it; a file that is no picture is refused with a
    // message and nothing changes.
    bool LoadPicture(const QString& FileName);
    // Writes the picture shown to FileName as a bitmap file.
    bool SavePicture(const QString& FileName);
    const QImage& Picture() const { return FPicture; }

    QLabel* imgBit;
    QPushButton* btnLoad;
    QPushButton* btnSave;
    QPushButton* btnClear;
    QPushButton* btnCancel;
    QPushButton* btnOK;

public slots:
    void btnLoadClick();
    void btnClearClick();
    void btnSaveClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void FormShow();
    void ShowPicture();

    std::string FWorkingPicture;
    std::string FShownFile; // the file the picture shown came from
    QImage FPicture;
    bool FShown = false;
};
