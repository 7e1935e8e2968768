#include "Style.h"

#include <QFontDatabase>
#include <QPalette>
#include <QWidget>

namespace zorvane::ui {

namespace {
QFont makeFont(const QString& family, double pointSize, Weight weight, Underline underline)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(weight == Weight::Bold);
    font.setUnderline(underline == Underline::Yes);
    return font;
}
}  // namespace

QFont verdana(double pointSize, Weight weight, Underline underline)
{
    return makeFont(QStringLiteral("Verdana"), pointSize, weight, underline);
}

QFont msSansSerif(double pointSize, Weight weight)
{
    return makeFont(QStringLiteral("MS Sans Serif"), pointSize, weight, Underline::No);
}

void installFontSubstitutes()
{
    const QStringList installed = QFontDatabase::families();
    const QStringList fallbacks{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Sans Serif")};
    for (const QString family : {QStringLiteral("Verdana"), QStringLiteral("MS Sans Serif")}) {
        if (!installed.contains(family, Qt::CaseInsensitive))
            QFont::insertSubstitutions(family, fallbacks);
    }
}

void paint(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void styleFaceButton(QWidget* button, const QColor& face, const QColor& text)
{
    // A style sheet keeps the face colour on styles that ignore the palette's
    // Button role (Fusion on some platforms, GTK).
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: %2;"
                                         " border: 1px solid #404040; padding: 0px; }"
                                         "QPushButton:pressed { border: 2px inset #404040; }"
                                         "QPushButton:focus { border: 1px dotted #000000; }")
                              .arg(face.name(), text.name()));
}

}  // namespace zorvane::ui
