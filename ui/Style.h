#pragma once

// Shared appearance: the program's titles, colours and fonts.

#include <QColor>
#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QPaintDevice;
class QRect;
class QWidget;

namespace zorvane::ui {

// Caption of every message box that names none of its own.
inline QString appTitle()
{
    return QStringLiteral("Zorvane");
}
// Title of the program's windows.
inline QString windowTitle()
{
    return QStringLiteral("Zorvane v1.0");
}
// The full-branding offer's pitch; the About box shows it above a link of
// its own.
inline QString fullBrandPitch()
{
    return QStringLiteral("Home Business Opportunity. Start your own Internet business and make money online. "
                          "Get this software fully branded for your website.");
}
// The full-branding offer, as the link labels of the main window, the results
// frame and the reading window word it.
inline QString fullBrandOffer()
{
    return fullBrandPitch() + QStringLiteral(" Click here for more details.");
}
// What the full-branding links say about themselves to assistive technology.
inline QString fullBrandOfferDescription()
{
    return QStringLiteral("Opens the full-branding page in the web browser");
}

namespace colors {
// The design's colours, as red, green, blue.
inline constexpr QColor darkPurple{64, 0, 64};
inline constexpr QColor white{255, 255, 255};
inline constexpr QColor cyan{0, 255, 255};
inline constexpr QColor paleCyan{128, 255, 255};
inline constexpr QColor silver{192, 192, 192};
inline constexpr QColor lavender{192, 192, 255};
inline constexpr QColor lightBlue{124, 165, 231};
}  // namespace colors

enum class Weight { Regular, Bold };

// Verdana at the given point size; where Verdana is not installed, Qt's font
// substitution (see installFontSubstitutes) picks DejaVu Sans, whose widths
// are closest to Verdana's.
QFont verdana(double pointSize, Weight weight = Weight::Regular);
QFont msSansSerif(double pointSize, Weight weight = Weight::Regular);

// Maps Verdana and MS Sans Serif to DejaVu Sans when they are missing, so
// the layout never falls back to an arbitrary font. DejaVu Sans is the
// stand-in because its advances match Verdana's as the design's widths show
// them (within 4% for the texts the design sized its labels by), where the
// Arial-like sans-serifs are 13 to 16% narrower. Call once per process,
// after the QApplication exists.
void installFontSubstitutes();

// The one widget style of the program, Fusion with flat coloured button
// faces: the layout is fixed in twips, so the look must not depend on the
// desktop's theme. With it, Return and the keypad's Enter press the push
// button that has the focus, and a push button shows the focus mark
// (FocusMark.h) once the keyboard has moved the focus. Call once per
// process, after the QApplication exists.
void useProgramStyle();

// Sets the background (Window role) and text (WindowText role) colours of a
// widget and has it fill its own background.
void setColors(QWidget* widget, const QColor& background, const QColor& text);

// A frame without a border, named name, at geometry (pixels) in parent,
// coloured as setColors() does: a plain coloured strip or line.
QFrame* createPlainFrame(const QString& name, const QRect& geometry, const QColor& background, const QColor& text,
                         QWidget* parent);

// How a label lays out its text: on one line, or wrapped at words from its
// top left corner.
enum class TextFlow { Line, Wrapped };

// A label of plain text, named name, at geometry (pixels) in parent, in font.
// Its text is drawn in textColor, or in its parent's text colour when
// textColor is left invalid; its background is its parent's.
QLabel* createLabel(const QString& name, const QString& text, const QFont& font, const QRect& geometry, QWidget* parent,
                    const QColor& textColor = QColor(), TextFlow flow = TextFlow::Line);
// The same for a label made by the caller (one of a class of its own),
// already placed in its parent.
void setUpLabel(QLabel* label, const QString& name, const QString& text, const QFont& font, const QRect& geometry,
                const QColor& textColor = QColor(), TextFlow flow = TextFlow::Line);

// A push button whose face shows exactly the given colour, flat, as a
// "graphical style" button; drawn so by the program's style (useProgramStyle).
// A drop-down list (DropDownList.h) given a face this way is drawn flat too,
// and its open list shows the same colours.
void styleFaceButton(QWidget* button, const QColor& face, const QColor& text = QColor(0, 0, 0));

// font, narrowed in steps (its family's condensed face, then the glyphs drawn
// narrower) until text takes at most width pixels on device (the screen when
// nullptr); at half its normal width it is narrowed no further.
QFont fittedFont(const QFont& font, const QString& text, double width, const QPaintDevice* device = nullptr);
// A one-line label whose text, written while the program runs, may be
// wider than the label: its font (at its normal width) narrowed to fit.
// Call after each change of the text.
void fitCaption(QLabel* label);

}  // namespace zorvane::ui
