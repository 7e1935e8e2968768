#include "FakeDialogs.h"

#include <QPrinter>
#include <QTest>

#include <stdexcept>

namespace zorvane::test {

FakeDialogs& FakeDialogs::install()
{
    auto fake = std::make_unique<FakeDialogs>();
    FakeDialogs& ref = *fake;
    ui::setDialogs(std::move(fake));
    return ref;
}

void FakeDialogs::restore()
{
    ui::setDialogs(nullptr);
}

ui::MessageAnswer FakeDialogs::message(QWidget*, const ui::Message& message)
{
    messages.append(message);
    failIfScripted();
    if (!answers.empty()) {
        const ui::MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return message.buttons == ui::MessageButtons::YesNo ? ui::MessageAnswer::No : ui::MessageAnswer::Ok;
}

std::optional<QString> FakeDialogs::saveFileName(QWidget*, const ui::SaveFileRequest& request)
{
    saveRequests.append(request);
    failIfScripted();
    if (savePaths.empty())
        return std::nullopt;
    // Swapped out rather than copied: GCC 12 takes a copied optional<QString>
    // for uninitialized (-Wmaybe-uninitialized).
    std::optional<QString> path;
    path.swap(savePaths.front());
    savePaths.pop_front();
    return path;
}

bool FakeDialogs::setUpPrinter(QWidget*, QPrinter& printer, const ui::PrintRequest& request)
{
    printRequests.append(request);
    failIfScripted();
    if (!printToPdf)
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*printToPdf);
    return !cancelPrint;
}

void FakeDialogs::failIfScripted()
{
    if (!failNext)
        return;
    failNext = false;
    throw std::runtime_error("scripted dialog failure");
}

}  // namespace zorvane::test

namespace zorvane::ui {

char* toString(const Message& message)
{
    const QString shown = QStringLiteral("\"%1\" icon %2 buttons %3: \"%4\"")
                              .arg(message.caption)
                              .arg(static_cast<int>(message.icon))
                              .arg(static_cast<int>(message.buttons))
                              .arg(message.text);
    return QTest::toString(shown);
}

}  // namespace zorvane::ui
