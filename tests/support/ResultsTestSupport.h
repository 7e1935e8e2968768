#pragma once

// Helpers shared by the results tests: marked reading texts, a panels
// window filled with a reading, the captions a reading writes as the window
// shows them, and a look into a modal window while its caller waits.

#include "FillResults.h"
#include "ModalWindows.h"
#include "RulerNames.h"
#include "frmDisplay.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTextEdit>

#include <functional>

namespace zorvane::test {

// A distinct one-line text in every slot, "text of slot N", so that a text
// shows which slot it came from.
inline void markReadingTexts()
{
    for (int slot = 0; slot < modFirdaria::ReadingTextSlots; ++slot)
        modFirdaria::ReadingTexts[static_cast<std::size_t>(slot)] = QStringLiteral("text of slot %1").arg(slot);
}

// Writes the reading of birth onto the panels window, the sub-periods named
// by their rule.
inline void fillWith(frmDisplay& display, const modFirdaria::BirthData& birth)
{
    FillResults(modFirdaria::ComputeFirdaria(birth, subPeriodNamesByRule()), display);
}

// What the control called name shows: a label's text or a panel's caption.
inline QString captionOf(const QWidget& window, const QString& name)
{
    if (const auto* panel = window.findChild<QGroupBox*>(name))
        return panel->title();
    if (const auto* label = window.findChild<QLabel*>(name))
        return label->text();
    return QStringLiteral("<no control %1>").arg(name);
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
    handleModal(open, [&seen](QWidget* modal) {
        seen.className = QString::fromLatin1(modal->metaObject()->className());
        if (const auto* box = modal->findChild<QTextEdit*>(QStringLiteral("RTB")))
            seen.text = box->toPlainText();
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->metaObject() == modal->metaObject())
                ++seen.modalWindowsShown;
        modal->close();
    });
    return seen;
}

}  // namespace zorvane::test
