#pragma once

// A scripted stand-in for the program's dialogs. Messages are recorded and
// answered from a queue (OK, or No for Yes/No questions, when the queue is
// empty); Save As answers come from a queue (nothing queued: cancel); the
// print dialog either cancels or sends the job to a PDF file. A dialog can
// also be made to fail, as any step of a handler may.

#include "Dialogs.h"

#include <QList>
#include <QString>

#include <deque>
#include <memory>
#include <optional>

namespace zorvane::test {

class FakeDialogs final : public ui::Dialogs {
public:
    // Installs a fresh fake as the process-wide dialogs and returns it; the
    // fake lives until the next install() or restore().
    static FakeDialogs& install();
    static void restore();

    ui::MessageAnswer message(QWidget* parent, const ui::Message& message) override;
    std::optional<QString> saveFileName(QWidget* parent, const ui::SaveFileRequest& request) override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer, const ui::PrintRequest& request) override;

    // Script
    std::deque<ui::MessageAnswer> answers;
    std::deque<std::optional<QString>> savePaths;
    std::optional<QString> printToPdf;  // nothing: the print dialog is cancelled
    // The print dialog sets the printer up to print to printToPdf, and is
    // cancelled all the same: a job sent anyway would leave that file.
    bool cancelPrint = false;
    // The next dialog, of any kind, is recorded and then throws
    // std::runtime_error instead of answering.
    bool failNext = false;

    // Record
    QList<ui::Message> messages;
    QList<ui::SaveFileRequest> saveRequests;
    QList<ui::PrintRequest> printRequests;

private:
    void failIfScripted();
};

}  // namespace zorvane::test

namespace zorvane::ui {
// How QCOMPARE shows a message that differs: caption, icon, buttons, text.
char* toString(const Message& message);
}  // namespace zorvane::ui
