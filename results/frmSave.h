#pragma once

// The reading window: interpretation text in a box, saved as an .rtf file or
// printed. Modal, created empty for each opening and destroyed on closing:
//
//     frmSave reading(this);
//     reading.insertReadingText(index);
//     reading.exec();

#include <QDialog>
#include <QString>

class QPrinter;
class QPushButton;
class QTextEdit;

namespace zorvane::ui {
class LinkLabel;
}

class frmSave final : public QDialog {
    Q_OBJECT

public:
    explicit frmSave(QWidget* parent = nullptr);

    // Puts text into the box at the caret, replacing the selection; the caret
    // then stands after it. CR LF (or a lone CR or LF) starts a new line.
    void insertText(const QString& text);
    // The interpretation text modFirdaria::ReadingTexts[slot]; a slot outside
    // 0..9 inserts nothing. The window is then called after the ruler ("The
    // Sun reading") for assistive technology; its title stays the program's.
    void insertReadingText(int slot);
    // The nine interpretation texts in ruler order, Sun to South Node, each
    // followed by an empty line (CR LF CR LF). The window is then called
    // "Comprehensive Reading" for assistive technology.
    void insertComprehensiveReading();

    // Writes the whole box as an RTF document. An existing file is replaced
    // only once the new one is complete; on failure it stays as it was and
    // errorText, if given, receives the reason. Never through a link that
    // another user may place, on the path or at the name (ChosenFile.h).
    bool saveRtf(const QString& path, QString* errorText = nullptr) const;
    // Prints the selection if the box has one, otherwise everything, as one job.
    void print(QPrinter& printer) const;
    // The job of print() for a printer set up to print to a file, written
    // at that file's path by the rules of saveRtf(); empty, or the reason
    // nothing was written there.
    QString printToFile(QPrinter& printer) const;

public Q_SLOTS:
    void cmdSave_Click();
    void cmdPrint_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void placeControls();
    void connectControls();

    QString boxText() const;

    // Every change of the box (RTB_Change) and every press, move and release
    // of the mouse over it, a click included (RTB_MouseDown, RTB_MouseMove,
    // RTB_MouseUp, RTB_Click: eventFilter), empties the system clipboard and
    // the selection clipboard, so text never leaves the window by copy and
    // paste; so does the box's own filling of the selection clipboard as it
    // handles a mouse release or double-click.
    static void emptyClipboard();

    zorvane::ui::LinkLabel* Label14 = nullptr;
    zorvane::ui::LinkLabel* Label1 = nullptr;
    QTextEdit* RTB = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdPrint = nullptr;
    zorvane::ui::LinkLabel* Label2 = nullptr;
};
