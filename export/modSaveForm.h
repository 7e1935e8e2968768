#pragma once

// Saving a picture of the period panels window as a JPEG file.
//
// The capture copies what the screen shows of the window from its backing
// store: no device context, palette or picture wrapper is involved, and on
// true-colour displays no palette is needed. The picture goes to the Bmp2Jpeg
// library that stands in the program's folder as a device-independent bitmap
// in memory (its header and its rows where they lie), which its encoder
// reads directly: no temporary bitmap file is written, so none can be left
// anywhere. A taken name gets a
// numbered copy (_001 to _999); no existing file is ever replaced, not even
// one that appears while the picture is being written. The JPEG prints at
// the size the screen showed: 96 dots per inch times the screen's scale.

#include "ConverterLibrary.h"

#include <QDate>
#include <QPixmap>
#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace modSaveForm {

// The controls of the panels window that the export works on.
struct PanelsWindow {
    QWidget* form = nullptr;         // captured: its client area at its current size
    QLabel* Picture1 = nullptr;      // off-view holder of the latest capture
    QLineEdit* txtFolder = nullptr;  // receives the folder of the written file
    QLineEdit* txtFile = nullptr;    // receives the chosen name before any copy number
};

// The client area of form at its current size, in device pixels, as the
// screen shows it: copied from the window's backing store without painting
// anything anew, or rendered where the form is not on the screen. A null
// pixmap when the form has no area.
QPixmap SnapFormClient(QWidget* form);

// The whole "Save as JPG" flow: captures the panels into Picture1 (before the
// dialog opens, so the dialog is never in the picture), asks for a file name
// and exports. A cancelled dialog or an empty name saves nothing. Returns the
// path of the JPEG written, or an empty string.
QString SavePicture(const PanelsWindow& panels, const QString& converterPath = ConverterPath());

// Writes the picture held by Picture1 as a JPEG named after chosenPath (its
// extension replaced by ".jpg", numbered when taken, also when the name is
// taken while the picture is being written) and fills txtFile and txtFolder.
// A failure is reported in a critical message with the system's reason (a
// full disk, the file size limit) and leaves no JPEG behind. Returns the path of the JPEG written, or an empty
// string.
QString ExportJpeg(const PanelsWindow& panels, const QString& chosenPath,
                   const QString& converterPath = ConverterPath());

// Sets folder to the text before the last "/" of path and file to the text
// after it; the root folder stays "/". Without any "/" both are left as they
// were.
void SplitFolderAndFile(const QString& path, QString& folder, QString& file);

// A path in folder (the program's folder when empty) that no existing file,
// folder or link has: file itself, or file numbered _001 to _999 before its
// dot. The name gets ".jpg" when it has no dot, a ".bmp" in it becomes ".jpg",
// and an empty file becomes the date stamp; any other extension is kept
// (ExportJpeg always hands over a name ending in ".jpg"). When all are taken,
// says so in a critical message over parent and returns an empty string.
QString MakeUniqueJpegPath(const QString& folder, const QString& file, QWidget* parent = nullptr);

// The date as eight digits, YYYYMMDD.
QString TodayStamp(QDate today = QDate::currentDate());

// True when anything at all stands at path: a file (hidden ones included), a
// folder, or a link, even one that leads nowhere.
bool FileExists(const QString& path);

}  // namespace modSaveForm
