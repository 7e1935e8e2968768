#include "MDI.h"

#include "Accessibility.h"
#include "Dialogs.h"
#include "Guarded.h"
#include "LinkLabel.h"
#include "MenuBarClicks.h"
#include "OpenWindows.h"
#include "Style.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmDisplay.h"
#include "frmSave.h"
#include "modHelp.h"
#include "modSaveForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVBoxLayout>

namespace ui = zorvane::ui;

namespace {

// Design size of the client area, in twips; the frame opens maximized.
constexpr double DesignWidth = 11175;
constexpr double DesignHeight = 8025;

// Bar heights, in twips.
constexpr double BannerBarHeight = 615;
constexpr double NameBarHeight = 360;
constexpr double ButtonBarHeight = 615;

// Distance kept between each button's right edge and the screen's right
// edge, in twips.
constexpr double SavePictureRightOffset = 4500;
constexpr double ComprehensiveRightOffset = 2500;
constexpr double BackRightOffset = 1400;
constexpr double ExitRightOffset = 160;

constexpr double ButtonPointSize = 8.25;
constexpr double SoftwareNamePointSize = 14.25;
constexpr double OfferPointSize = 8.25;
constexpr double BannerPointSize = 9.75;

// A push button whose caption wraps onto further lines where one line is too
// narrow; the access key stays underlined.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        painter.setPen(option.palette.color(QPalette::ButtonText));
        painter.drawText(rect().adjusted(2, 1, -2, -1), Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                         text());
    }
};

// The panels window's frame. A sub-window keeps Tab among its own controls;
// this one passes Tab on along the frame's chain, so that the bottom bar's
// offer and buttons are reached from the panels.
class PanelsSubWindow : public QMdiSubWindow {
public:
    using QMdiSubWindow::QMdiSubWindow;

protected:
    bool focusNextPrevChild(bool next) override
    {
        QWidget* from = QApplication::focusWidget();
        if (!from || !isAncestorOf(from))
            return QMdiSubWindow::focusNextPrevChild(next);
        const auto step = [next](QWidget* w) { return next ? w->nextInFocusChain() : w->previousInFocusChain(); };
        for (QWidget* w = step(from); w && w != from; w = step(w)) {
            if ((w->focusPolicy() & Qt::TabFocus) && w != this && w->isEnabled() && w->window() == window()
                && w->isVisibleTo(window()) && !w->focusProxy()) {
                w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
        }
        return false;
    }
};

// The area around the panels window. Qt shows or hides an area's scroll
// bars by a queued call once its size has changed; this area does so at
// once. The frame is laid out at its design size, where the panels window
// needs scroll bars, before it takes the maximized size where it needs none:
// without this its first paint would show scroll bars that vanish at once,
// and paint everything again without them.
class PanelsArea : public QMdiArea {
public:
    using QMdiArea::QMdiArea;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QMdiArea::resizeEvent(event);
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
};

QPushButton* makeButton(QWidget* bar, const char* name, const QString& caption, const QString& description,
                        const QRect& geometry)
{
    auto* button = new WrappingButton(caption, bar);
    button->setObjectName(QLatin1String(name));
    ui::describeOnly(button, description);
    button->setFont(ui::verdana(ButtonPointSize, ui::Weight::Bold));
    ui::styleFaceButton(button, ui::colors::white);
    button->setGeometry(geometry);
    return button;
}

QWidget* makeBar(QWidget* parent, const char* name, double height, const QColor& background)
{
    auto* bar = new QWidget(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setFixedHeight(ui::px(height));
    ui::setColors(bar, background, ui::colors::darkPurple);
    return bar;
}

// Left edge, in twips, of a control kept rightOffset twips from the right
// edge of a screen screenWidth twips wide.
double keptFromRight(double screenWidth, const QWidget* control, double rightOffset)
{
    return screenWidth - (ui::toTwips(control->width()) + rightOffset);
}

double centred(double screenWidth, const QWidget* control)
{
    return (screenWidth - ui::toTwips(control->width())) / 2;
}

void moveLeftTo(QWidget* control, double leftTwips)
{
    control->move(ui::px(leftTwips), control->y());
}

}  // namespace

MDI::MDI(QWidget* parent, Showing showing)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDI"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ui::windowTitle());
    ui::addOpenWindow(this);

    // The menu bar comes first: its height is part of the frame's size.
    createMenus();
    setOpeningSize();
    if (showing == Showing::AsSoonAsSized)
        show();
    createBars();
    createLabels();
    createButtons();
    createPanelsWindow();
    arrangeTabOrder();
    MDIForm_Load(ScreenWidthTwips());
    // Made after the frame was shown, the client area is shown explicitly,
    // and with it everything in it, before the event loop paints the frame.
    centralWidget()->show();
}

void MDI::setOpeningSize()
{
    // The frame is created at its design size and maximized before it is
    // shown: the window system keeps the design size as the one to restore,
    // and maps the window at the screen's size, so that its first paint is
    // already the maximized one. Resizing it after maximizing would make the
    // screen's size the one restored. On a screen smaller than the design,
    // the restored frame fits the screen.
    QSize normalSize = ui::twipSize(DesignWidth, DesignHeight) + QSize(0, menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        normalSize = normalSize.boundedTo(screen->availableGeometry().size());
    resize(normalSize);
    setWindowState(Qt::WindowMaximized);
}

double MDI::ScreenWidthTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? ui::toTwips(screen->geometry().width()) : 0;
}

QList<QFont> MDI::fonts()
{
    return frmDisplay::fonts() << ui::verdana(SoftwareNamePointSize, ui::Weight::Bold)
                               << ui::verdana(ButtonPointSize, ui::Weight::Bold)
                               << ui::verdana(OfferPointSize, ui::Weight::Regular);
}

void MDI::prepareFirstShowing(const modFirdaria::SubPeriodNameTable& names)
{
    QString printable;
    for (char16_t c = u' '; c <= u'~'; ++c)
        printable += QChar(c);
    // The narrowed fonts of the captions with the characters they show; the
    // fonts of the frame and its panels with every printable character.
    QHash<QFont, QString> characters = frmDisplay::fitCaptionsAhead(names);
    for (const QFont& font : MDI::fonts())
        characters.insert(font, printable);

    // Text is placed at quarter-pixel offsets, and the glyph cache keeps a
    // picture of each character for each offset it was drawn at.
    constexpr int SubPixelOffsets = 4;
    QImage scratch(1, 1, QImage::Format_RGB32);
    scratch.setDevicePixelRatio(qApp->devicePixelRatio());
    QPainter painter(&scratch);
    for (auto font = characters.cbegin(); font != characters.cend(); ++font) {
        painter.setFont(font.key());
        for (int offset = 0; offset < SubPixelOffsets; ++offset)
            painter.drawText(QPointF(static_cast<double>(offset) / SubPixelOffsets, 0), font.value());
    }

    // The icons a sub-window asks its style for as it is created.
    for (const QStyle::StandardPixmap icon :
         {QStyle::SP_TitleBarMenuButton, QStyle::SP_TitleBarNormalButton, QStyle::SP_TitleBarMinButton,
          QStyle::SP_TitleBarMaxButton, QStyle::SP_TitleBarCloseButton})
        QApplication::style()->standardIcon(icon);
}

void MDI::createBars()
{
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Picture1 = makeBar(client, "Picture1", BannerBarHeight, ui::colors::white);
    // The design's system window colour behind the name's dark purple: white,
    // as the text was made for, and never a dark desktop's window colour.
    Picture3 = makeBar(client, "Picture3", NameBarHeight, ui::colors::white);
    Picture2 = makeBar(client, "Picture2", ButtonBarHeight, ui::colors::white);

    area_ = new PanelsArea(client);
    area_->setObjectName(QStringLiteral("mdiArea"));
    area_->setBackground(ui::colors::darkPurple);
    area_->setFrameShape(QFrame::NoFrame);
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Entering the panels, a screen reader says the panels window's name, not
    // the area's kind around it.
    ui::presentAsLayoutOnly(area_);

    layout->addWidget(Picture1);
    layout->addWidget(Picture3);
    layout->addWidget(area_, 1);
    layout->addWidget(Picture2);
    setCentralWidget(client);
}

void MDI::createLabels()
{
    lblHalvidorBanner =
        new ui::LinkLabel(QStringLiteral("lblHalvidorBanner"),
                          QStringLiteral("Visit our online astrology forum and our web site - click here"),
                          QStringLiteral("Opens the astrology discussion forum in the web browser"),
                          ui::verdana(BannerPointSize, ui::Weight::Bold), Picture1);
    lblHalvidorBanner->setAlignment(Qt::AlignCenter);
    lblHalvidorBanner->setGeometry(ui::twipRect(840, 0, 9480, 465));
    connect(lblHalvidorBanner, &ui::LinkLabel::clicked, this, ui::guarded(modHelp::OpenHomePage));

    lblSoftwareName = new QLabel(ui::appTitle(), Picture3);
    lblSoftwareName->setObjectName(QStringLiteral("lblSoftwareName"));
    ui::describeOnly(lblSoftwareName, QStringLiteral("Name of the program"));
    lblSoftwareName->setFont(ui::verdana(SoftwareNamePointSize, ui::Weight::Bold));
    lblSoftwareName->setAlignment(Qt::AlignCenter);
    lblSoftwareName->setGeometry(ui::twipRect(3600, -15, 5010, 345));

    Label8 = new ui::LinkLabel(QStringLiteral("Label8"), ui::fullBrandOffer(), ui::fullBrandOfferDescription(),
                               ui::verdana(OfferPointSize, ui::Weight::Regular), Picture2);
    Label8->setWordWrap(true);
    Label8->setGeometry(ui::twipRect(120, 120, 8535, 495));
    connect(Label8, &ui::LinkLabel::clicked, this, ui::guarded(modHelp::OpenFullBrandPage));
    // The labels' dark purple text comes from their bars (makeBar).
}

void MDI::createButtons()
{
    cmdSavePicture =
        makeButton(Picture2, "cmdSavePicture", QStringLiteral("Save as &JPG"),
                   QStringLiteral("Saves a picture of the periods as a JPEG file"), ui::twipRect(5880, 120, 1335, 465));
    cmdComprehensive = makeButton(Picture2, "cmdComprehensive", QStringLiteral("Comprehensive Reading"),
                                  QStringLiteral("Shows the interpretations of all nine rulers in one window"),
                                  ui::twipRect(7320, 120, 1740, 465));
    cmdBack = makeButton(Picture2, "cmdBack", QStringLiteral("&Back"),
                         QStringLiteral("Closes the results and returns to the date of birth"),
                         ui::twipRect(9120, 120, 900, 465));
    cmdMdiExit = makeButton(Picture2, "cmdMdiExit", QStringLiteral("&Exit"), QStringLiteral("Ends the program"),
                            ui::twipRect(10080, 120, 975, 495));

    connect(cmdSavePicture, &QPushButton::clicked, this, ui::guarded(this, &MDI::cmdSavePicture_Click));
    connect(cmdComprehensive, &QPushButton::clicked, this, ui::guarded(this, &MDI::cmdComprehensive_Click));
    connect(cmdBack, &QPushButton::clicked, this, ui::guarded(this, &MDI::cmdBack_Click));
    connect(cmdMdiExit, &QPushButton::clicked, this, ui::guarded(this, &MDI::cmdMdiExit_Click));
}

void MDI::createMenus()
{
    // An item named as its control, on a menu or, for the items without a
    // submenu, on the menu bar itself; its handler guarded.
    const auto addItem = [this](auto* menu, const char* name, const QString& caption, auto handler,
                                Qt::ConnectionType connection = Qt::AutoConnection) {
        QAction* item = menu->addAction(caption);
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, this, handler, connection);
    };

    // The items that duplicate a button run the button's handler.
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    addItem(mnuFile, "mnuBack", QStringLiteral("&Back"), ui::guarded(this, &MDI::cmdBack_Click));
    addItem(mnuFile, "mnuExit", QStringLiteral("E&xit"), ui::guarded(this, &MDI::cmdMdiExit_Click));

    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    addItem(mnuHelp, "mnuOnline", QStringLiteral("&Online Help"), ui::guarded(modHelp::OpenOnlineHelp));
    addItem(mnuHelp, "mnuVisit", QStringLiteral("&Visit Us Online"), ui::guarded(modHelp::OpenHomePage));
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuSep1"));
    addItem(mnuHelp, "mnuUpdate", QStringLiteral("Check for Software &Update"), ui::guarded(modHelp::OpenDownloadPage));
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuSep2"));
    addItem(mnuHelp, "mnuAbout", QStringLiteral("&About Software"), ui::guarded(this, &MDI::mnuAbout_Click),
            ui::OpensModalWindow);

    addItem(menuBar(), "mnuDonate", QStringLiteral("&Donate"), ui::guarded(modHelp::OpenDonatePage));
    addItem(menuBar(), "mkmoney", QStringLiteral("Make Money &Online"), ui::guarded(modHelp::OpenFullBrandPage));
    ui::runBarItemsOncePerDoubleClick(menuBar());
}

void MDI::createPanelsWindow()
{
    display_ = new frmDisplay;
    displayWindow_ = new PanelsSubWindow;
    displayWindow_->setWidget(display_);
    area_->addSubWindow(displayWindow_, Qt::FramelessWindowHint);
    // A frame without a frame: not a stop of its own on the Tab chain.
    displayWindow_->setFocusPolicy(Qt::NoFocus);
    displayWindow_->setObjectName(QStringLiteral("frmDisplayWindow"));
    displayWindow_->setFixedSize(display_->size());
    displayWindow_->move(0, 0);
    // Never shown, as the sub-window has no frame: the name that assistive
    // technology gives the sub-window, said as the focus enters it.
    displayWindow_->setWindowTitle(tr("Firdaria periods"));
    displayWindow_->show();
    connect(display_, &frmDisplay::periodOrderChanged, this, ui::guarded(this, &MDI::chainTabOrder));
}

void MDI::chainTabOrder()
{
    // Top to bottom as the frame reads: the banner, the time of birth, the
    // periods in the order they come in time, the panels' description
    // buttons, then the offer and the buttons of the bottom bar.
    QList<QWidget*> order{lblHalvidorBanner, display_->timeOfBirth()};
    order << display_->periods();
    for (QPushButton* button : display_->descriptionButtons())
        order << button;
    order << Label8 << cmdSavePicture << cmdComprehensive << cmdBack << cmdMdiExit;
    ui::setTabChain(order);
}

void MDI::arrangeTabOrder()
{
    chainTabOrder();
    // The frame opens at the first period, where the reading starts: a
    // screen reader says it at once, the Down key reads its sub-periods, and
    // Tab goes on to the next period. Panel 0 holds the first period of
    // either sequence, both of which start with a planet.
    display_->periods().first()->setFocus();
}

void MDI::MDIForm_Load(double screenWidth)
{
    moveLeftTo(lblHalvidorBanner, centred(screenWidth, lblHalvidorBanner));
    moveLeftTo(lblSoftwareName, centred(screenWidth, lblSoftwareName));
    moveLeftTo(cmdMdiExit, keptFromRight(screenWidth, cmdMdiExit, ExitRightOffset));
    moveLeftTo(cmdBack, keptFromRight(screenWidth, cmdBack, BackRightOffset));
    moveLeftTo(cmdComprehensive, keptFromRight(screenWidth, cmdComprehensive, ComprehensiveRightOffset));
    moveLeftTo(cmdSavePicture, keptFromRight(screenWidth, cmdSavePicture, SavePictureRightOffset));
    // Only the panels window's left is set; its top stays at the top of the
    // client area.
    moveLeftTo(displayWindow_, centred(screenWidth, displayWindow_));
}

void MDI::cmdSavePicture_Click()
{
    modSaveForm::SavePicture(display_->exportHolders());
}

void MDI::cmdComprehensive_Click()
{
    frmSave reading(this);
    reading.insertComprehensiveReading();
    reading.exec();
}

void MDI::cmdBack_Click()
{
    closingByBack_ = true;
    close();
}

void MDI::cmdMdiExit_Click()
{
    close();
}

void MDI::mnuAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void MDI::closeEvent(QCloseEvent* event)
{
    event->accept();
    ui::runGuarded([this] { MDIForm_Unload(); });
}

void MDI::MDIForm_Unload()
{
    // A closed frame may be closed again (by the general close at the end)
    // before it is deleted; it reports its ending once.
    if (unloaded_)
        return;
    unloaded_ = true;
    if (closingByBack_)
        Q_EMIT closedByBack();
    else
        Q_EMIT closedToEnd();
}
