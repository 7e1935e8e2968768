#include "frmAbout.h"

#include "Accessibility.h"
#include "Guarded.h"
#include "LinkLabel.h"
#include "OpenWindows.h"
#include "ProgramIcon.h"
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

QLabel* createText(const QString& name, const QString& text, const QString& description, const QFont& font,
                   const QRect& geometry, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    describeOnly(label, description);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(font);
    label->setGeometry(geometry);
    return label;
}

// A link label that opens a page of modHelp when clicked.
void createLink(const QString& name, const QString& text, const QString& description, const QRect& geometry,
                QWidget* parent, void (*openPage)())
{
    auto* link = new LinkLabel(name, text, description, verdana(8.25), parent);
    link->setGeometry(geometry);
    QObject::connect(link, &LinkLabel::clicked, link, guarded(openPage));
}
}  // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(zorvane::ui::windowTitle());
    setWindowIcon(programIcon());
    setModal(true);
    setFixedSize(twipSize(6825, 3870));
    setFont(verdana(8.25));
    paint(this, colors::darkPurple(), colors::white());

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

    addOpenWindow(this);
}

void frmAbout::createTexts()
{
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    describe(picture, appTitle(), QStringLiteral("Program icon"));
    picture->setGeometry(twipRect(120, 120, 480, 480));
    picture->setPixmap(QPixmap(programIconPath(32)));

    createText(QStringLiteral("Label2"), zorvane::ui::windowTitle(), QStringLiteral("Program name and version"),
               verdana(9.75, Weight::Bold), twipRect(840, 240, 3915, 240), this);
    createText(QStringLiteral("Label1"),
               QStringLiteral("Zorvane is a form of Medieval astrology that maps the different periods of  life to "
                              "different planets and thus the influence they have on an individual's destiny. "
                              "Firdaria means periods in Persian. All rights to this software are held by %1.")
                   .arg(makerSite()),
               QStringLiteral("What Zorvane is and who holds its rights"), verdana(8.25), twipRect(240, 720, 6375, 855),
               this);

    createPlainFrame(QStringLiteral("Line1"), twipRect(240, 1680, 6375, 15), colors::white(), colors::white(), this);

    createText(QStringLiteral("Label3"), fullBrandPitch(), QStringLiteral("Offer of a fully branded copy"),
               verdana(8.25), twipRect(360, 2280, 6255, 615), this);
}

void frmAbout::createLinks()
{
    createLink(QStringLiteral("lblHomePage"), QStringLiteral("Visit us at %1").arg(makerSite()),
               QStringLiteral("Opens the home page in the web browser"), twipRect(2040, 1800, 4650, 195), this,
               modHelp::OpenHomePage);
    createLink(QStringLiteral("lblCoBrand"), QStringLiteral("Click here for more details."),
               fullBrandOfferDescription(), twipRect(4080, 2880, 2670, 195), this, modHelp::OpenFullBrandPage);
}

void frmAbout::cmdOK_Click()
{
    accept();
}
