#pragma once

// The main window: the date of birth in three drop-down lists, Day or Night,
// the reading button, the menus and the link labels.

#include "modFirdaria.h"

#include <QMainWindow>
#include <QPointer>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class MDI;

namespace zorvane::ui {
class LinkLabel;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    enum class Offer { CoBrand, FullBrand };

    explicit frmMain(QWidget* parent = nullptr);
    // The results frame it made goes with it.
    ~frmMain() override;

    // Checks that the picture converter stands in programFolder, fills the
    // lists and SubPeriodNames. False when the converter is missing:
    // the message has been shown and CloseAllAndEnd has run.
    bool Form_Load(const QString& programFolder);

    // Shows the window centred on its screen, fitted to it where it is
    // smaller than the window (its client area then scrolls).
    void showCentred();

    // Puts one of the two overlapping offer labels in front and hides the
    // other behind it.
    void bringOfferToFront(Offer offer);
    // The offer label the user sees.
    Offer offerInFront() const;

    // The date of birth and Day/Night as chosen in the lists and options.
    modFirdaria::BirthData birthData() const;
    // Shows a message and returns false when the chosen day does not exist
    // in the chosen month.
    bool ValidateBirthDate();

    // The 42 display names of the sub-periods ("Sun/Venus -" first), filled
    // by Form_Load and read by every reading the window asks for. The window
    // lives for the whole run, so the table is there at every press.
    modFirdaria::SubPeriodNameTable SubPeriodNames;

Q_SIGNALS:
    // A reading was asked for with a date that exists.
    void readingRequested(const modFirdaria::BirthData& birth);

public Q_SLOTS:
    void cmdNext_Click();
    // The rest of an accepted press, on readingRequested: texts, dating, the
    // results filled and shown in place of this window. Back shows this
    // window again; any other close of the results ends the program.
    void showReading(const modFirdaria::BirthData& birth);
    void cmdExit_Click();

protected:
    // Form_Unload: closing the main window ends the program.
    void closeEvent(QCloseEvent* event) override;

private Q_SLOTS:
    void mnuAbout_Click();

private:
    QWidget* createClientArea();
    QFrame* createTopStrip(QWidget* parent);
    QLabel* createDescription(QWidget* parent);
    QGroupBox* createBirthDayFrame(QWidget* parent);
    QFrame* createOfferStrip(QWidget* parent);
    void createExitButton(QWidget* parent);
    void createMenus();
    void arrangeTabOrder();

    QComboBox* cboMonth_ = nullptr;
    QComboBox* cboDate_ = nullptr;
    QComboBox* cboYear_ = nullptr;
    QButtonGroup* optDay_ = nullptr;
    QPushButton* cmdNext_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    zorvane::ui::LinkLabel* lblForum_ = nullptr;  // Label61
    zorvane::ui::LinkLabel* lblCobrand_ = nullptr;
    zorvane::ui::LinkLabel* lblFullBrand_ = nullptr;

    // The results frame while it is open; made afresh after Back.
    QPointer<MDI> results_;
};
