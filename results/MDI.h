#pragma once

// The results frame: a maximized frame around the period panels window, with
// a banner bar and a name bar at the top, a button bar at the bottom, and the
// navigation and web-link menus.
//
// The frame closes in two ways. Back closes it and emits closedByBack(); the
// owner shows the main window again. Every other close (Exit, File > Exit,
// the close box) emits closedToEnd(); the owner ends the program. Either
// signal comes once per frame. The frame deletes itself when closed.

#include "modFirdaria.h"

#include <QFont>
#include <QList>
#include <QMainWindow>

class QCloseEvent;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class frmDisplay;

namespace zorvane::ui {
class LinkLabel;
}

class MDI : public QMainWindow {
    Q_OBJECT
public:
    // When the frame is shown. ByOwner: after the constructor, by whoever
    // made it. AsSoonAsSized: by the constructor itself, as soon as its menu
    // bar, size and maximized state are set and before its client area is
    // made, so that the window system maps the frame while the rest is built.
    // Either way the first paint, which waits for the event loop, shows it
    // whole.
    enum class Showing { ByOwner, AsSoonAsSized };

    explicit MDI(QWidget* parent = nullptr, Showing showing = Showing::ByOwner);

    // The period panels window, the frame's only child.
    frmDisplay* display() const { return display_; }

    // The width of the whole primary screen in twips (not the frame's width).
    static double ScreenWidthTwips();

    // Loads ahead of time what the first showing of the results would
    // otherwise load while the person waits: the fonts at the frame's and the
    // panels' sizes with the pictures of their printable ASCII characters,
    // those of the captions narrowed to fit (the sub-period names, names)
    // with the pictures of the characters they show, and the icons of a
    // sub-window.
    static void prepareFirstShowing(const modFirdaria::SubPeriodNameTable& names);
    // The fonts of the texts of the frame and its panels window, underline
    // aside.
    static QList<QFont> fonts();

    // Places the labels, the buttons and the panels window for a screen
    // screenWidth twips wide. The constructor runs it for the real screen;
    // nothing moves afterwards, whatever the frame's size.
    void MDIForm_Load(double screenWidth);

Q_SIGNALS:
    void closedByBack();
    void closedToEnd();

public Q_SLOTS:
    void cmdSavePicture_Click();
    void cmdComprehensive_Click();
    void cmdBack_Click();
    void cmdMdiExit_Click();

private Q_SLOTS:
    void mnuAbout_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createBars();
    void createLabels();
    void createButtons();
    void createMenus();
    void setOpeningSize();
    void createPanelsWindow();
    // The Tab chain, again whenever the periods change their order; and the
    // focus where the frame opens.
    void chainTabOrder();
    void arrangeTabOrder();
    void MDIForm_Unload();

    // The frame's three bars (picture strips), full width.
    QWidget* Picture1 = nullptr;  // banner bar, at the top
    QWidget* Picture3 = nullptr;  // product name bar, below the banner
    QWidget* Picture2 = nullptr;  // button bar, at the bottom, with the offer
    QMdiArea* area_ = nullptr;
    zorvane::ui::LinkLabel* lblHalvidorBanner = nullptr;
    QLabel* lblSoftwareName = nullptr;
    zorvane::ui::LinkLabel* Label8 = nullptr;
    QPushButton* cmdSavePicture = nullptr;
    QPushButton* cmdComprehensive = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdMdiExit = nullptr;
    frmDisplay* display_ = nullptr;
    QMdiSubWindow* displayWindow_ = nullptr;

    bool closingByBack_ = false;
    bool unloaded_ = false;
};
