#include "frmMain.h"

#include "Accessibility.h"
#include "AppShell.h"
#include "ConverterLibrary.h"
#include "Dialogs.h"
#include "DropDownList.h"
#include "FillResults.h"
#include "FirstPaint.h"
#include "Guarded.h"
#include "LinkLabel.h"
#include "MDI.h"
#include "MenuBarClicks.h"
#include "OpenWindows.h"
#include "ScreenFit.h"
#include "Style.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmDisplay.h"
#include "modHelp.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>

using zorvane::app::CloseAllAndEnd;
using namespace zorvane::ui;

namespace {
// Offered years of birth; 2000 is the only century year among them.
constexpr int FirstYear = 1910;
constexpr int LastYear = 2050;
constexpr int DaysInLongestMonth = 31;

// SubPeriodNames as written, one period ruler a line, Sun to Mars,
// ordinals 2 to 7. Two end in a blank after the hyphen.
// clang-format off
constexpr std::array<const char*, modFirdaria::SubPeriodNameCount> SubPeriodNameTexts = {
    "Sun/Venus -", "Sun/Mercury -", "Sun/Moon -", "Sun/Saturn -", "Sun/Jupiter -", "Sun/Mars -",
    "Venus/Mercury -", "Venus/Moon -", "Venus/Saturn -", "Venus/Jupiter -", "Venus/Mars -", "Venus/Sun -",
    "Mercury/Moon -", "Mercury/Saturn -", "Mercury/Jupiter -", "Mercury/Mars -", "Mercury/Sun -", "Mercury/Venus -",
    "Moon/Saturn -", "Moon/Jupiter -", "Moon/Mars -", "Moon/Sun -", "Moon/Venus -", "Moon/Mercury -",
    "Saturn/Jupiter -", "Saturn/Mars -", "Saturn/Sun -", "Saturn/Venus -", "Saturn/Mercury -", "Saturn/Moon -",
    "Jupiter/Mars -", "Jupiter/Sun -", "Jupiter/Venus -", "Jupiter/Mercury -", "Jupiter/Moon -", "Jupiter/Saturn -",
    "Mars/Sun -", "Mars/Venus -", "Mars/Mercury - ", "Mars/Moon -", "Mars/Saturn -", "Mars/Jupiter - ",
};
// clang-format on

// optDay(0) and optDay(1)
constexpr int DayOption = 0;
constexpr int NightOption = 1;

QString optDayName(int index)
{
    return QStringLiteral("optDay(%1)").arg(index);
}

QStringList monthNames()
{
    return {QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
            QStringLiteral("April"),   QStringLiteral("May"),      QStringLiteral("June"),
            QStringLiteral("July"),    QStringLiteral("August"),   QStringLiteral("September"),
            QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
}

// White with dark purple text, as the strips and the date frame are.
void setColorsOnWhite(QWidget* widget)
{
    setColors(widget, colors::white, colors::darkPurple);
}

QComboBox* createDateList(const QString& name, const QString& accessibleName, const QString& description,
                          const QRect& geometry, QWidget* parent)
{
    auto* list = new DropDownList(parent);
    list->setObjectName(name);
    describe(list, accessibleName, description);
    // Assistive technology on Linux names a drop-down list by its chosen
    // entry and says what the list is from the labels that label it ("Month
    // of birth, combo box, January"); the frame around the three lists
    // labels each of them alike, and screen readers pass over a label that
    // holds the list. Each list gets a label of its own, never shown.
    auto* label = new QLabel(accessibleName, parent);
    label->setObjectName(name + QStringLiteral("Label"));
    label->setBuddy(list);
    label->hide();
    list->setEditable(false);
    list->setGeometry(geometry);
    list->setFont(verdana(8.25));
    styleFaceButton(list, colors::darkPurple, colors::white);
    return list;
}

// With ZORVANE_TIMING set in the environment, each reading prints the
// milliseconds from the hand-over to the end of the filled panels window's
// first paint (bench/run reads them).
bool timingReadings()
{
    static const bool timing = qEnvironmentVariableIsSet("ZORVANE_TIMING");
    return timing;
}

}  // namespace

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(zorvane::ui::windowTitle());

    setCentralWidget(createClientArea());
    createMenus();
    arrangeTabOrder();
    connect(this, &frmMain::readingRequested, this, guarded(this, &frmMain::showReading));

    // The design keeps a fixed layout: the client area is fixed, and with the
    // menu bar in place the window takes exactly the size they need.
    setFixedSize(sizeHint());
    addOpenWindow(this);
}

frmMain::~frmMain()
{
    delete results_;
}

QWidget* frmMain::createClientArea()
{
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("frmMainClient"));
    client->setFixedSize(twipSize(7350, 4215));
    client->setFont(verdana(8.25));
    setColors(client, colors::darkPurple, colors::white);

    createTopStrip(client);
    createDescription(client);
    createBirthDayFrame(client);

    cmdNext_ = new QPushButton(QStringLiteral("Get My Firdaria Reading"), client);
    cmdNext_->setObjectName(QStringLiteral("cmdNext"));
    describeOnly(cmdNext_, QStringLiteral("Shows the Firdaria periods for the chosen date of birth"));
    cmdNext_->setGeometry(twipRect(120, 2640, 4005, 525));
    cmdNext_->setFont(verdana(8.25, Weight::Bold));
    styleFaceButton(cmdNext_, colors::white);
    connect(cmdNext_, &QPushButton::clicked, this, guarded(this, &frmMain::cmdNext_Click));

    createOfferStrip(client);
    createExitButton(client);
    return client;
}

QFrame* frmMain::createTopStrip(QWidget* parent)
{
    QFrame* strip = createPlainFrame(QStringLiteral("Frame2"), twipRect(0, 0, 7455, 615), colors::white,
                                     colors::darkPurple, parent);

    lblForum_ =
        createLink(QStringLiteral("Label61"),
                   QStringLiteral("Meet fellow students of the stars on our astrology discussion "
                                  "forum. Click here to visit it and join in!"),
                   QStringLiteral("Opens the astrology discussion forum in the web browser"), verdana(9, Weight::Bold),
                   twipRect(120, 120, 7200, 465), strip, modHelp::OpenHomePage, TextFlow::Wrapped);
    setColorsOnWhite(lblForum_);
    return strip;
}

QLabel* frmMain::createDescription(QWidget* parent)
{
    QLabel* description = createLabel(
        QStringLiteral("Label1"),
        QStringLiteral("Zorvane is a form of Medieval astrology that maps the different periods of  life to "
                       "different planets and thus the influence they have on an individual's destiny. "
                       "Firdaria means periods in Persian. Know your destiny today with Zorvane."),
        verdana(9.75, Weight::Bold), twipRect(4220, 600, 3135, 2775), parent, QColor(), TextFlow::Wrapped);
    describeOnly(description, QStringLiteral("What Zorvane does"));
    setColorsOnWhite(description);
    return description;
}

QGroupBox* frmMain::createBirthDayFrame(QWidget* parent)
{
    auto* frame = new QGroupBox(QStringLiteral("Enter Your Date Of Birth"), parent);
    frame->setObjectName(QStringLiteral("fraBirthDay"));
    describeOnly(frame, QStringLiteral("Date of birth and time of birth"));
    frame->setGeometry(twipRect(120, 720, 4005, 1845));
    frame->setFont(verdana(8.25, Weight::Bold));
    setColorsOnWhite(frame);

    cboMonth_ =
        createDateList(QStringLiteral("cboMonth"), QStringLiteral("Month of birth"),
                       QStringLiteral("The month in which you were born"), twipRect(120, 360, 1455, 315), frame);
    cboDate_ = createDateList(QStringLiteral("cboDate"), QStringLiteral("Day of birth"),
                              QStringLiteral("The day of the month on which you were born"),
                              twipRect(1800, 360, 855, 315), frame);
    cboYear_ = createDateList(QStringLiteral("cboYear"), QStringLiteral("Year of birth"),
                              QStringLiteral("The year in which you were born"), twipRect(2880, 360, 975, 315), frame);

    optDay_ = new QButtonGroup(this);
    optDay_->setExclusive(true);
    const QStringList captions{QStringLiteral("Day"), QStringLiteral("Night")};
    const QStringList descriptions{QStringLiteral("Born between sunrise and sunset"),
                                   QStringLiteral("Born between sunset and sunrise")};
    const QList<QRect> places{twipRect(120, 840, 3615, 375), twipRect(120, 1320, 3615, 375)};
    for (int i : {DayOption, NightOption}) {
        auto* option = new QRadioButton(captions.at(i), frame);
        option->setObjectName(optDayName(i));
        describeOnly(option, descriptions.at(i));
        option->setGeometry(places.at(i));
        option->setFont(verdana(9, Weight::Bold));
        setColorsOnWhite(option);
        // The indicator too, whatever the desktop's colours: a white circle,
        // its dot in the text's colour.
        QPalette palette = option->palette();
        palette.setColor(QPalette::Base, colors::white);
        palette.setColor(QPalette::Text, colors::darkPurple);
        option->setPalette(palette);
        // An option shows the frame's own white through it, as drawn by the style.
        option->setAutoFillBackground(false);
        optDay_->addButton(option, i);
    }
    optDay_->button(DayOption)->setChecked(true);
    return frame;
}

QFrame* frmMain::createOfferStrip(QWidget* parent)
{
    QFrame* strip = createPlainFrame(QStringLiteral("Frame5"), twipRect(0, 3360, 7455, 855), colors::white,
                                     colors::darkPurple, parent);

    // Both offers share one place; the full-branding one starts in front.
    const QRect place = twipRect(120, 160, 7185, 615);
    const QFont font = verdana(8.25, Weight::Bold);
    lblCobrand_ = createLink(QStringLiteral("lblCobrand"),
                             QStringLiteral("Co-brand this software for your site. Show your web site's name "
                                            "and link in it and give it to your visitors. Click here for "
                                            "more details."),
                             QStringLiteral("Opens the co-branding page in the web browser"), font, place, strip,
                             modHelp::OpenCoBrandPage, TextFlow::Wrapped);
    lblFullBrand_ = createLink(QStringLiteral("lblFullBrand"), fullBrandOffer(), fullBrandOfferDescription(), font,
                               place, strip, modHelp::OpenFullBrandPage, TextFlow::Wrapped);
    // Opaque: the offer in front hides the other.
    setColorsOnWhite(lblCobrand_);
    setColorsOnWhite(lblFullBrand_);
    bringOfferToFront(Offer::FullBrand);
    return strip;
}

void frmMain::createExitButton(QWidget* parent)
{
    // Below the visible client area: never seen, kept for File > Exit.
    cmdExit_ = new QPushButton(QStringLiteral("E&xit"), parent);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));
    describeOnly(cmdExit_, QStringLiteral("Ends the program"));
    cmdExit_->setGeometry(twipRect(5040, 5640, 2085, 315));
    styleFaceButton(cmdExit_, colors::lightBlue);
    // Out of sight, it takes no Tab focus, which would vanish there;
    // File > Exit does the same from the keyboard. Hidden too, so that
    // assistive technology does not offer a button no one can see; a click
    // from the program still runs its handler.
    cmdExit_->setFocusPolicy(Qt::NoFocus);
    cmdExit_->hide();
    connect(cmdExit_, &QPushButton::clicked, this, guarded(this, &frmMain::cmdExit_Click));
}

void frmMain::createMenus()
{
    const auto addItem = [](QMenu* menu, const QString& name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    const auto addSeparator = [](QMenu* menu, const QString& name) { menu->addSeparator()->setObjectName(name); };
    const auto link = [this](QAction* action, void (*open)()) {
        connect(action, &QAction::triggered, this, guarded(open));
    };

    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("nuFile"));
    // An impossible date answers with a message box.
    connect(addItem(fileMenu, QStringLiteral("mnuNext"), QStringLiteral("Get My Firdaria Reading")),
            &QAction::triggered, this, guarded(this, &frmMain::cmdNext_Click), OpensModalWindow);
    connect(addItem(fileMenu, QStringLiteral("mnuExit"), QStringLiteral("E&xit")), &QAction::triggered, this,
            guarded(this, &frmMain::cmdExit_Click));

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("mnuHelp"));
    link(addItem(helpMenu, QStringLiteral("mnuOnline"), QStringLiteral("&Online Help")), modHelp::OpenOnlineHelp);
    link(addItem(helpMenu, QStringLiteral("mnuVisit"), QStringLiteral("&Visit Us Online")), modHelp::OpenHomePage);
    addSeparator(helpMenu, QStringLiteral("mnuFileSep1"));
    link(addItem(helpMenu, QStringLiteral("mnuUpdate"), QStringLiteral("&Check for Software Update")),
         modHelp::OpenDownloadPage);
    addSeparator(helpMenu, QStringLiteral("mnuFileSep2"));
    connect(addItem(helpMenu, QStringLiteral("mnuAbout"), QStringLiteral("&About Software")), &QAction::triggered, this,
            guarded(this, &frmMain::mnuAbout_Click), OpensModalWindow);

    QAction* donate = menuBar()->addAction(QStringLiteral("&Donate"));
    donate->setObjectName(QStringLiteral("mnuDonate"));
    link(donate, modHelp::OpenDonatePage);
    QAction* makeMoney = menuBar()->addAction(QStringLiteral("Make Money &Online"));
    makeMoney->setObjectName(QStringLiteral("mnumakemoney"));
    link(makeMoney, modHelp::OpenFullBrandPage);
    runBarItemsOncePerDoubleClick(menuBar());
}

void frmMain::arrangeTabOrder()
{
    // The entry controls first, then the links top to bottom.
    setTabChain({cmdNext_, cboDate_, cboMonth_, cboYear_, optDay_->button(DayOption), optDay_->button(NightOption),
                 lblForum_, lblCobrand_, lblFullBrand_});
    cmdNext_->setFocus();
}

bool frmMain::Form_Load(const QString& programFolder)
{
    if (!QFileInfo(QDir(programFolder).filePath(modSaveForm::ConverterFileName())).isFile()) {
        showMessage(this, QStringLiteral("Required File Is Missing\rPlease Reinstall Software"), MessageIcon::Critical);
        CloseAllAndEnd();
        return false;
    }

    cboDate_->clear();
    for (int day = 1; day <= DaysInLongestMonth; ++day)
        cboDate_->addItem(QString::number(day));
    cboMonth_->clear();
    cboMonth_->addItems(monthNames());
    cboYear_->clear();
    for (int year = FirstYear; year <= LastYear; ++year)
        cboYear_->addItem(QString::number(year));
    for (QComboBox* list : {cboDate_, cboMonth_, cboYear_})
        list->setCurrentIndex(0);

    for (std::size_t i = 0; i < SubPeriodNames.size(); ++i)
        SubPeriodNames[i] = QLatin1StringView(SubPeriodNameTexts[i]);
    return true;
}

void frmMain::showCentred()
{
    fitToScreen(this);
    centreOnScreen(this);
    show();
}

void frmMain::bringOfferToFront(Offer offer)
{
    LinkLabel* front = offer == Offer::CoBrand ? lblCobrand_ : lblFullBrand_;
    LinkLabel* back = offer == Offer::CoBrand ? lblFullBrand_ : lblCobrand_;
    front->show();
    front->raise();
    // Only the offer in sight takes Tab focus. The one behind is hidden as
    // well, which changes nothing on the screen (the front one is opaque and
    // covers it) but keeps assistive technology from announcing both.
    front->setFocusPolicy(Qt::StrongFocus);
    back->setFocusPolicy(Qt::NoFocus);
    back->hide();
}

frmMain::Offer frmMain::offerInFront() const
{
    const QWidget* strip = lblFullBrand_->parentWidget();
    const QObjectList& stack = strip->children();  // back to front
    return stack.indexOf(lblCobrand_) > stack.indexOf(lblFullBrand_) ? Offer::CoBrand : Offer::FullBrand;
}

modFirdaria::BirthData frmMain::birthData() const
{
    modFirdaria::BirthData birth;
    birth.day = cboDate_->currentIndex() + 1;
    birth.month = cboMonth_->currentIndex() + 1;
    birth.year = cboYear_->currentText().toInt();
    birth.timeOfBirth =
        optDay_->checkedId() == DayOption ? modFirdaria::TimeOfBirth::Day : modFirdaria::TimeOfBirth::Night;
    return birth;
}

bool frmMain::ValidateBirthDate()
{
    const modFirdaria::BirthData birth = birthData();
    if (QDate::isValid(birth.year, birth.month, birth.day))
        return true;
    // The lists offer days 1 to 31: a date that does not exist is in February
    // or on the 31st of a 30-day month, and each has its own message.
    showMessage(this,
                birth.month == 2 ? QStringLiteral("Please Enter Correct Date Or Month!")
                                 : QStringLiteral("Please Enter Correct Date Or Month !"),
                MessageIcon::Information);
    return false;
}

void frmMain::cmdNext_Click()
{
    if (!ValidateBirthDate())
        return;
    Q_EMIT readingRequested(birthData());
}

void frmMain::showReading(const modFirdaria::BirthData& birth)
{
    QElapsedTimer started;
    if (timingReadings())
        started.start();
    modFirdaria::BuildReadingTexts();
    if (!results_) {
        // Shown as soon as it is sized: the window system maps it while its
        // bars and panels are made and filled, and the first paint shows it
        // whole.
        results_ = new MDI(nullptr, MDI::Showing::AsSoonAsSized);
        connect(results_, &MDI::closedByBack, this, guarded([this] {
                    results_ = nullptr;
                    show();
                }));
        connect(results_, &MDI::closedToEnd, this, guarded(CloseAllAndEnd));
    }
    FillResults(modFirdaria::ComputeFirdaria(birth, SubPeriodNames), *results_->display());
    if (started.isValid())
        reportFirstPaint(results_->display(), started);
    results_->show();
    hide();
}

void frmMain::cmdExit_Click()
{
    close();
}

void frmMain::mnuAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    runGuarded(CloseAllAndEnd);
}
