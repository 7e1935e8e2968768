#include "frmAbout.h"

#include "Accessibility.h"
#include "Guarded.h"
#include "LinkLabel.h"
#include "OpenWindows.h"
#include "ProgramIcon.h"
#include "ScreenFit.h"
#include "Style.h"
#include "Twips.h"
#include "modHelp.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>

using namespace zorvane::ui;

namespace {
// The maker's site as people write it: the home page's host name.
QString makerSite()
{
    const QString host = QUrl(modHelp::PageAddresses().homePage).host();
    return host.isEmpty() ? modHelp::PageAddresses().homePage : host;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(zorvane::ui::windowTitle());
    setWindowIcon(programIcon());
    setModal(true);
    resize(twipSize(6825, 3870));
    makeFixedDialog(this);
    setFont(verdana(8.25));
    setColors(this, colors::darkPurple, colors::white);

    createTexts();
    createLinks();

    cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    describeOnly(cmdOK_, QStringLiteral("Closes the About box"));
    cmdOK_->setGeometry(twipRect(5400, 3360, 1260, 345));
    // Default button for Enter; Esc closes a dialog as its cancel button.
    cmdOK_->setDefault(true);
    cmdOK_->setAutoDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, guarded(this, &frmAbout::cmdOK_Click));
    cmdOK_->setFocus();

    // On the screen, whoever its owner and wherever the owner stands.
    fitToScreen(this);
    centreOnScreen(this);
    addOpenWindow(this);
}

void frmAbout::createTexts()
{
    // Picture1 of this window is the program icon.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Picture1"));
    describe(icon, appTitle(), QStringLiteral("Program icon"));
    icon->setGeometry(twipRect(120, 120, 480, 480));
    icon->setPixmap(QPixmap(programIconPath(32)));

    QLabel* name = createLabel(QStringLiteral("Label2"), zorvane::ui::windowTitle(), verdana(9.75, Weight::Bold),
                               twipRect(840, 240, 3915, 240), this, QColor(), TextFlow::Wrapped);
    describeOnly(name, QStringLiteral("Program name and version"));
    QLabel* rights = createLabel(
        QStringLiteral("Label1"),
        QStringLiteral("Zorvane is a form of Medieval astrology that maps the different periods of  life to "
                       "different planets and thus the influence they have on an individual's destiny. "
                       "Firdaria means periods in Persian. All rights to this software are held by %1.")
            .arg(makerSite()),
        verdana(8.25), twipRect(240, 720, 6375, 855), this, QColor(), TextFlow::Wrapped);
    describeOnly(rights, QStringLiteral("What Zorvane is and who holds its rights"));

    createPlainFrame(QStringLiteral("Line1"), twipRect(240, 1680, 6375, 15), colors::white, colors::white, this);

    QLabel* pitch = createLabel(QStringLiteral("Label3"), fullBrandPitch(), verdana(8.25),
                                twipRect(360, 2280, 6255, 615), this, QColor(), TextFlow::Wrapped);
    describeOnly(pitch, QStringLiteral("Offer of a fully branded copy"));
}

void frmAbout::createLinks()
{
    createLink(QStringLiteral("lblHomePage"), QStringLiteral("Visit us at %1").arg(makerSite()),
               QStringLiteral("Opens the home page in the web browser"), verdana(8.25), twipRect(2040, 1800, 4650, 195),
               this, modHelp::OpenHomePage);
    createLink(QStringLiteral("lblCoBrand"), QStringLiteral("Click here for more details."),
               fullBrandOfferDescription(), verdana(8.25), twipRect(4080, 2880, 2670, 195), this,
               modHelp::OpenFullBrandPage);
}

void frmAbout::cmdOK_Click()
{
    accept();
}
