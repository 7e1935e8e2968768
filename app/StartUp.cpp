#include "StartUp.h"

#include "AppShell.h"
#include "Dialogs.h"
#include "FirstPaint.h"
#include "Guarded.h"
#include "Logging.h"
#include "MDI.h"
#include "UpdateReminder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSettings>

#include <cmath>

namespace zorvane::app {

namespace {
constexpr int OfferChoices = 6;
}  // namespace

int offerDraw(double fraction)
{
    // The floating-point environment's default rounding, never changed here,
    // is to nearest with halves to even.
    return static_cast<int>(std::nearbyint(fraction * OfferChoices + 1));
}

frmMain::Offer offerForDraw(int draw)
{
    if (draw >= 1 && draw <= OfferChoices && draw % 2 == 1)
        return frmMain::Offer::CoBrand;
    return frmMain::Offer::FullBrand;
}

StartUpOptions StartUpOptions::forThisProgram()
{
    StartUpOptions options;
    options.programFolder = QCoreApplication::applicationDirPath();
    return options;
}

StartUp::StartUp(StartUpOptions options)
    : options_(std::move(options))
    , instance_(options_.lockPath)
{
    if (!options_.openSettings)
        options_.openSettings = openUserSettings;
    if (!options_.today)
        options_.today = [] { return QDate::currentDate(); };
}

bool StartUp::run()
{
    switch (instance_.acquire()) {
    case SingleInstance::Outcome::Held:
        break;
    case SingleInstance::Outcome::RunningElsewhere:
        ui::showMessage(nullptr, QStringLiteral("Application is already running"), ui::MessageIcon::Information);
        CloseAllAndEnd();
        return false;
    case SingleInstance::Outcome::Unavailable:
        // Without its lock a second start would go unrecognised: the person
        // is told why, rather than left with a copy that runs unguarded.
        qCWarning(lcProgram).noquote() << instance_.failure();
        ui::showMessage(nullptr,
                        instance_.failure()
                            + QStringLiteral("\rZorvane cannot make sure that it runs only once, and ends."),
                        ui::MessageIcon::Critical);
        CloseAllAndEnd();
        return false;
    }

    if (!options_.randomFraction) {
        auto generator = std::make_shared<QRandomGenerator>(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
        options_.randomFraction = [generator] { return generator->generateDouble(); };
    }

    // Kept open until the main window is shown: the reminder date it stores
    // reaches the disk as start-up ends, so that a first start, which creates
    // the settings file, does not make the person wait for that file.
    std::unique_ptr<QSettings> settings;
    const auto writeStoredDate = qScopeGuard([&settings] {
        if (settings)
            ui::runGuarded([&] { writeSettings(*settings); });
    });
    ui::runGuarded([&] {
        settings = options_.openSettings();
        if (settings)
            UpdateReminder(*settings, options_.today());
    });

    mainWindow_ = std::make_unique<frmMain>();
    if (!mainWindow_->Form_Load(options_.programFolder) || isEnding())
        return false;
    mainWindow_->showCentred();

    const int draw = offerDraw(options_.randomFraction());
    if (draw != OfferChoices + 1)
        mainWindow_->bringOfferToFront(offerForDraw(draw));

    // Once the main window has been drawn, while the person chooses a date.
    frmMain* window = mainWindow_.get();
    ui::afterFirstPaint(window, ui::guarded([window] { MDI::prepareFirstShowing(window->SubPeriodNames); }));
    return !isEnding();
}

}  // namespace zorvane::app
