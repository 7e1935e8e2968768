#include "frmDisplay.h"

#include "Accessibility.h"
#include "Guarded.h"
#include "PeriodPanel.h"
#include "ShortDateText.h"
#include "Style.h"
#include "Twips.h"
#include "frmSave.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <chrono>

namespace ui = zorvane::ui;

namespace {

// Window and container, in twips.
constexpr double WindowWidth = 15000;
constexpr double WindowHeight = 8490;
constexpr double FrameLeft = 1440;
constexpr double FrameWidth = 11295;
constexpr double FrameHeight = 8415;

// Panel grid: three columns of up to three panels; panel f sits in column
// f / 3, row f % 3.
constexpr int PanelsPerColumn = 3;
constexpr double PanelLeft = 120;
constexpr double PanelTop = 480;
constexpr double PanelColumnPitch = 3720;
constexpr double PanelRowPitch = 2640;
constexpr double PanelWidth = 3615;
constexpr double PanelHeight = 2535;

// Rows inside a panel.
constexpr double RowTop = 360;
constexpr double RowPitch = 360;
constexpr double RowHeight = 240;
constexpr double NameLeft = 120;
constexpr double NameWidth = 1440;
constexpr double DateLeft = 2040;
constexpr double DateWidth = 1425;

// The right column below the last panel.
constexpr double RightColumnLeft = 7560;
constexpr double NorthNodeTop = 3240;
constexpr double NorthNodeWidth = 2775;
constexpr double SouthNodeTop = 3600;
constexpr double SouthNodeWidth = 2745;
constexpr double NodeLineHeight = 270;
constexpr double DescTop = 3960;
constexpr double DescPitch = 480;
constexpr double DescWidth = 3615;
constexpr double DescHeight = 495;

// The description buttons' captions, in Ruler order.
constexpr std::array<const char*, frmDisplay::DescButtonCount> DescriptionCaptions{
    "Click To Know More About The Sun",  "Click To Know More About Venus",   "Click To Know More About Mercury",
    "Click To Know More About The Moon", "Click To Know More About Saturn",  "Click To Know More About Jupiter",
    "Click To Know More About Mars",     "Click To Know More About N. Node", "Click To Know More About S. Node",
};

constexpr double HeadingPointSize = 12;
constexpr double RowPointSize = 9.75;
constexpr double TimeOfBirthPointSize = 9;
constexpr double ButtonPointSize = 8.25;

QFont headingFont()
{
    return ui::verdana(HeadingPointSize, ui::Weight::Bold);
}

QFont rowFont()
{
    return ui::verdana(RowPointSize, ui::Weight::Bold);
}

QRect nameRect(double top)
{
    return ui::twipRect(NameLeft, top, NameWidth, RowHeight);
}

QRect dateRect(double top)
{
    return ui::twipRect(DateLeft, top, DateWidth, RowHeight);
}

QRect northNodeRect()
{
    return ui::twipRect(RightColumnLeft, NorthNodeTop, NorthNodeWidth, NodeLineHeight);
}

QRect southNodeRect()
{
    return ui::twipRect(RightColumnLeft, SouthNodeTop, SouthNodeWidth, NodeLineHeight);
}

// "name(index)", as a control of a control array is named. Joined rather
// than formatted with arg(): it runs for each of the panels' 84 rows.
QString indexedName(const char* name, int index)
{
    return QLatin1String(name) + u'(' + QString::number(index) + u')';
}

}  // namespace

frmDisplay::frmDisplay(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmDisplay"));
    setFixedSize(ui::twipSize(WindowWidth, WindowHeight));
    ui::setColors(this, ui::colors::darkPurple, ui::colors::white);

    createFrame();
    createTimeOfBirth();
    createPanels();
    createNodeLines();
    // Until a reading says otherwise, the periods come in their order on
    // the window.
    periods_ = {fraPlanetName.begin(), fraPlanetName.end()};
    periods_ << lblNNodePlanetName << lblSNodePlanetName;
    createDescriptionButtons();
    createExportHolders();
}

QList<QFont> frmDisplay::fonts()
{
    return {headingFont(), rowFont(), ui::verdana(TimeOfBirthPointSize, ui::Weight::Bold),
            ui::verdana(ButtonPointSize, ui::Weight::Bold)};
}

QHash<QFont, QString> frmDisplay::fitCaptionsAhead(const modFirdaria::SubPeriodNameTable& names)
{
    // Made as the window makes its own, never shown: a caption is fitted by
    // its text, font, width and screen alone.
    QLabel name;
    QLabel start;
    QLabel northNode;
    QLabel southNode;
    ui::setUpLabel(&name, {}, {}, rowFont(), nameRect(RowTop));
    ui::setUpLabel(&start, {}, {}, rowFont(), dateRect(RowTop));
    ui::setUpLabel(&northNode, {}, {}, headingFont(), northNodeRect());
    ui::setUpLabel(&southNode, {}, {}, headingFont(), southNodeRect());

    QHash<QFont, QString> shown;
    const auto fit = [&shown](QLabel& label, const QString& text, const QString& alsoShown) {
        label.setText(text);
        ui::fitCaption(&label);
        QString& characters = shown[label.font()];
        for (const QChar c : text + alsoShown) {
            if (!characters.contains(c))
                characters += c;
        }
    };
    for (const QString& text : names)
        fit(name, text, {});
    // A date's width goes by the number of its digits, which share one width
    // in these fonts, and by its month where the date spells the month's name:
    // a one- and a two-digit day of each month stand for all dates.
    using namespace std::chrono;
    const modFirdaria::ShortDateText dateText(QLocale::system());
    const QString digits = QStringLiteral("0123456789");
    for (unsigned m = unsigned(January); m <= unsigned(December); ++m) {
        for (const day d : {1d, 10d}) {
            const QString text = dateText(modFirdaria::Date(2000y, month(m), d));
            fit(start, text, digits);
            fit(northNode, modFirdaria::PanelHeading(modFirdaria::Ruler::NorthNode) + text, digits);
            fit(southNode, modFirdaria::PanelHeading(modFirdaria::Ruler::SouthNode) + text, digits);
        }
    }
    return shown;
}

void frmDisplay::createFrame()
{
    Frame1 = ui::createPlainFrame(QStringLiteral("Frame1"), ui::twipRect(FrameLeft, 0, FrameWidth, FrameHeight),
                                  ui::colors::darkPurple, ui::colors::white, this);
}

void frmDisplay::createTimeOfBirth()
{
    const QFont font = ui::verdana(TimeOfBirthPointSize, ui::Weight::Bold);
    Label1 = ui::createLabel(QStringLiteral("Label1"), QStringLiteral("Your Time Of Birth - "), font,
                             ui::twipRect(120, 240, 2070, 210), Frame1, ui::colors::white);
    ui::describe(Label1, QStringLiteral("Your Time Of Birth"), QStringLiteral("Heading of the time of birth"));
    lblTimeOfBirth = new PeriodLine(Frame1);
    ui::setUpLabel(lblTimeOfBirth, QStringLiteral("lblTimeOfBirth"), QString(), font,
                   ui::twipRect(2280, 240, 1530, 210), ui::colors::paleCyan);
    lblTimeOfBirth->setPeriod(QStringLiteral("lblTimeOfBirth"));
    ui::describeOnly(lblTimeOfBirth, QStringLiteral("Time of birth, day or night"));
    // Its heading labels it: a screen reader says "Your Time Of Birth, Night".
    Label1->setBuddy(lblTimeOfBirth);
}

void frmDisplay::createPanels()
{
    for (int f = 0; f < PanelCount; ++f) {
        auto* panel = new PeriodPanel(Frame1);
        panel->setObjectName(indexedName("fraPlanetName", f));
        panel->setFont(headingFont());
        panel->setGeometry(ui::twipRect(PanelLeft + PanelColumnPitch * (f / PanelsPerColumn),
                                        PanelTop + PanelRowPitch * (f % PanelsPerColumn), PanelWidth, PanelHeight));
        fraPlanetName[static_cast<std::size_t>(f)] = panel;
        // Said once, on the first period of either sequence, where the
        // results open: every panel is read alike.
        if (f == 0)
            ui::describeOnly(panel, QStringLiteral("Planetary period and its start; Down reads its sub-periods"));

        for (int k = 0; k < RowsPerPanel; ++k) {
            const int row = RowsPerPanel * f + k;
            const double top = RowTop + RowPitch * k;
            QLabel* name = ui::createLabel(indexedName("lblPlanetCycleName", row), QStringLiteral("Moon/Saturn"),
                                           rowFont(), nameRect(top), panel, ui::colors::white);
            ui::describeOnly(name, QStringLiteral("Sub-period"));
            QLabel* date = ui::createLabel(indexedName("lblPlanetCycle", row), QStringLiteral("jan/12/2006"), rowFont(),
                                           dateRect(top), panel, ui::colors::white);
            ui::describeOnly(date, QStringLiteral("Start of sub-period"));
            lblPlanetCycleName[static_cast<std::size_t>(row)] = name;
            lblPlanetCycle[static_cast<std::size_t>(row)] = date;
            panel->addRow(name, date);
        }
    }
}

void frmDisplay::createNodeLines()
{
    lblNNodePlanetName = new PeriodLine(Frame1);
    ui::setUpLabel(lblNNodePlanetName, QStringLiteral("lblNNodePlanetName"), QString(), headingFont(), northNodeRect(),
                   ui::colors::cyan);
    lblNNodePlanetName->setPeriod(QStringLiteral("lblNNodePlanetName"));
    lblSNodePlanetName = new PeriodLine(Frame1);
    ui::setUpLabel(lblSNodePlanetName, QStringLiteral("lblSNodePlanetName"), QString(), headingFont(), southNodeRect(),
                   ui::colors::cyan);
    lblSNodePlanetName->setPeriod(QStringLiteral("lblSNodePlanetName"));
    ui::describeOnly(lblNNodePlanetName, QStringLiteral("North Node period and its start"));
    ui::describeOnly(lblSNodePlanetName, QStringLiteral("South Node period and its start"));
}

void frmDisplay::createDescriptionButtons()
{
    const QFont font = ui::verdana(ButtonPointSize, ui::Weight::Bold);
    for (int i = 0; i < DescButtonCount; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(DescriptionCaptions[static_cast<std::size_t>(i)]), Frame1);
        button->setObjectName(indexedName("cmdDesc", i));
        ui::describeOnly(button, QStringLiteral("Shows this ruler's interpretation in a reading window"));
        button->setFont(font);
        ui::styleFaceButton(button, ui::colors::silver);
        button->setGeometry(ui::twipRect(RightColumnLeft, DescTop + DescPitch * i, DescWidth, DescHeight));
        connect(button, &QPushButton::clicked, this, ui::guarded([this, i] { cmdDesc_Click(i); }));
        cmdDesc[static_cast<std::size_t>(i)] = button;
    }
}

void frmDisplay::createExportHolders()
{
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(ui::twipRect(3240, 8760, 1575, 375));

    txtFolder = new QLineEdit(this);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    txtFolder->setGeometry(ui::twipRect(5880, 11280, 2745, 315));

    txtFile = new QLineEdit(this);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtFile->setGeometry(ui::twipRect(7680, 11280, 2745, 315));

    ui::describe(Picture1, QStringLiteral("Picture of the periods"),
                 QStringLiteral("Holds the picture while it is saved as a JPEG file"));
    ui::describe(txtFolder, QStringLiteral("Picture folder"), QStringLiteral("Folder of the saved picture"));
    ui::describe(txtFile, QStringLiteral("Picture file"), QStringLiteral("File name of the saved picture"));

    // Out of sight and out of the tab chain; hidden, so that assistive
    // technology does not announce them. The export fills them all the same.
    txtFolder->setFocusPolicy(Qt::NoFocus);
    txtFile->setFocusPolicy(Qt::NoFocus);
    for (QWidget* holder : std::initializer_list<QWidget*>{Picture1, txtFolder, txtFile})
        holder->hide();
}

modSaveForm::PanelsWindow frmDisplay::exportHolders()
{
    return {this, Picture1, txtFolder, txtFile};
}

QWidget* frmDisplay::timeOfBirth() const
{
    return lblTimeOfBirth;
}

QList<QPushButton*> frmDisplay::descriptionButtons() const
{
    return {cmdDesc.begin(), cmdDesc.end()};
}

void frmDisplay::setTimeOfBirth(const QString& text)
{
    lblTimeOfBirth->setPeriod(text);
}

void frmDisplay::setPanelHeading(int panel, const QString& heading)
{
    fraPlanetName.at(static_cast<std::size_t>(panel))->setTitle(heading);
}

void frmDisplay::setRow(int row, const QString& name, const QString& startText)
{
    // The longer names ("Mercury/Jupiter -") and dates are wider than their
    // labels in Verdana as in its stand-in; they are narrowed to fit.
    QLabel* nameLabel = lblPlanetCycleName.at(static_cast<std::size_t>(row));
    nameLabel->setText(name);
    ui::fitCaption(nameLabel);
    QLabel* dateLabel = lblPlanetCycle.at(static_cast<std::size_t>(row));
    dateLabel->setText(startText);
    ui::fitCaption(dateLabel);
}

void frmDisplay::setNorthNodeLine(const QString& text)
{
    lblNNodePlanetName->setPeriod(text);
    ui::fitCaption(lblNNodePlanetName);
}

void frmDisplay::setSouthNodeLine(const QString& text)
{
    lblSNodePlanetName->setPeriod(text);
    ui::fitCaption(lblSNodePlanetName);
}

QList<QWidget*> frmDisplay::periods() const
{
    return periods_;
}

void frmDisplay::setPeriodOrder(const PeriodPlaces& inTime)
{
    QList<QWidget*> periods;
    for (const int place : inTime) {
        if (place == NorthNodeLine)
            periods << lblNNodePlanetName;
        else if (place == SouthNodeLine)
            periods << lblSNodePlanetName;
        else
            periods << fraPlanetName.at(static_cast<std::size_t>(place));
    }
    if (periods == periods_)
        return;
    periods_ = periods;
    Q_EMIT periodOrderChanged();
}

void frmDisplay::cmdDesc_Click(int Index)
{
    frmSave reading(this);
    reading.insertReadingText(Index);
    reading.exec();
}
