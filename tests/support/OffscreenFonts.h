#pragma once

// Qt's offscreen platform measures and draws text with FreeType: through
// fontconfig's settings on Linux (slight hinting, advances not rounded), fully
// hinted on Windows, Qt's default there, where every glyph's advance is rounded
// to whole pixels and DejaVu Sans, Verdana's stand-in, comes out a few pixels
// wider on a line. No user meets that pairing: on Windows the program draws
// with the system's own Verdana. The tests that hold captions to their design
// measure on Windows as on Linux.

#include <QFont>
#include <QGuiApplication>

namespace zorvane::test {

inline void measureTextUnhinted()
{
#if defined(Q_OS_WIN)
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return;
    QFont font = QGuiApplication::font();
    font.setHintingPreference(QFont::PreferNoHinting);
    QGuiApplication::setFont(font);
#endif
}

}  // namespace zorvane::test
