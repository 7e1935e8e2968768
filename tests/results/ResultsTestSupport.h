#pragma once

// Helpers shared by the results tests: marked reading texts, the
// captions a reading writes, and a look into a modal window while its caller
// waits.

#include "frmDisplay.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>

#include <functional>

namespace zorvane::test {

// A distinct one-line text in every slot, "text of slot N", so that a text
// shows which slot it came from.
inline void markReadingTexts()
{
    for (int slot = 0; slot < modFirdaria::ReadingTextSlots; ++slot)
        modFirdaria::ReadingTexts[static_cast<std::size_t>(slot)] = QStringLiteral("text of slot %1").arg(slot);
}

// Every caption that a reading writes, 1 + 7 + 2 + 42 + 42, in a fixed order.
inline QStringList readingCaptions(const frmDisplay& display)
{
    QStringList captions{display.lblTimeOfBirth->text()};
    for (const QGroupBox* panel : display.fraPlanetName)
        captions << panel->title();
    captions << display.lblNNodePlanetName->text() << display.lblSNodePlanetName->text();
    for (const QLabel* label : display.lblPlanetCycleName)
        captions << label->text();
    for (const QLabel* label : display.lblPlanetCycle)
        captions << label->text();
    return captions;
}

struct ModalSeen {
    QString className;  // empty: no modal window came up
    QString text;       // the reading window's box
    int modalWindowsShown = 0;
};

// Runs open(), which is expected to show a modal window; once the window is
// up, notes its class, the text of its box "RTB" and how many top-level
// windows of that class are shown, then closes it.
inline ModalSeen seeModal(const std::function<void()>& open)
{
    ModalSeen seen;
    QTimer::singleShot(0, qApp, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        seen.className = QString::fromLatin1(modal->metaObject()->className());
        if (const auto* box = modal->findChild<QTextEdit*>(QStringLiteral("RTB")))
            seen.text = box->toPlainText();
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->metaObject() == modal->metaObject())
                ++seen.modalWindowsShown;
        modal->close();
    });
    open();
    return seen;
}

}  // namespace zorvane::test
