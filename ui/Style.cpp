#include "Style.h"

#include "FocusMark.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace zorvane::ui {

namespace {
QFont makeFont(const QString& family, double pointSize, Weight weight)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(weight == Weight::Bold);
    return font;
}
}  // namespace

QFont verdana(double pointSize, Weight weight)
{
    return makeFont(QStringLiteral("Verdana"), pointSize, weight);
}

QFont msSansSerif(double pointSize, Weight weight)
{
    return makeFont(QStringLiteral("MS Sans Serif"), pointSize, weight);
}

void installFontSubstitutes()
{
    const QStringList installed = QFontDatabase::families();
    const QStringList fallbacks{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Sans Serif")};
    for (const QString& family : {QStringLiteral("Verdana"), QStringLiteral("MS Sans Serif")}) {
        if (!installed.contains(family, Qt::CaseInsensitive))
            QFont::insertSubstitutions(family, fallbacks);
    }
}

namespace {
// Narrowing goes in steps of this many percent of the normal width, so that
// captions of like length share one width and few fonts are made.
constexpr int StretchStep = 5;
// Narrower than half its width a caption is too cramped to read; it is
// shown at half its width and may then be cut.
constexpr int NarrowestStretch = 50;

// A caption as fitCaption fits it: the label's font at its normal width, the
// label's width in pixels, its screen's scale factor and the text.
struct Caption {
    QFont font;
    int width = 0;
    qreal ratio = 1;
    QString text;

    friend bool operator==(const Caption&, const Caption&) = default;
};

size_t qHash(const Caption& caption, size_t seed = 0)
{
    return qHashMulti(seed, caption.font, caption.width, caption.ratio, caption.text);
}
}  // namespace

QFont fittedFont(const QFont& font, const QString& text, double width, const QPaintDevice* device)
{
    const auto advance = [&text, device](const QFont& f) {
        return (device ? QFontMetricsF(f, device) : QFontMetricsF(f)).horizontalAdvance(text);
    };
    const double normal = advance(font);
    if (normal <= width)
        return font;
    // Advances shrink about in proportion to the stretch: start at the step
    // that proportion gives, and go narrower while the caption is too wide.
    const int guess = static_cast<int>(int(QFont::Unstretched) * width / normal) / StretchStep * StretchStep;
    QFont narrowed = font;
    for (int stretch = std::min(guess, QFont::Unstretched - StretchStep); stretch > NarrowestStretch;
         stretch -= StretchStep) {
        narrowed.setStretch(stretch);
        if (advance(narrowed) <= width)
            return narrowed;
    }
    narrowed.setStretch(NarrowestStretch);
    return narrowed;
}

void fitCaption(QLabel* label)
{
    QFont normal = label->font();
    normal.setStretch(QFont::AnyStretch);
    // The same captions come back with every reading (the 42 sub-period
    // names): each is fitted once per font, width and screen.
    static QHash<Caption, int> stretches;
    Caption caption{normal, label->contentsRect().width(), label->devicePixelRatioF(), label->text()};
    auto found = stretches.constFind(caption);
    if (found == stretches.cend()) {
        // Measured on the label, with the metrics of its screen: at a scale
        // factor other than 1 a font's advances differ slightly from 96 dpi's.
        const int stretch = fittedFont(normal, caption.text, caption.width, label).stretch();
        found = stretches.insert(std::move(caption), stretch);
    }
    QFont fitted = normal;
    fitted.setStretch(*found);
    if (fitted != label->font())
        label->setFont(fitted);
}

namespace {

// Marks the buttons whose face is drawn flat in the palette's Button colour.
constexpr char FaceButtonProperty[] = "zorvaneFaceButton";

// Fusion, except that marked buttons get a flat face of exactly their
// colour with a one-pixel frame (two when pressed), as "graphical style"
// buttons are drawn: Fusion alone would shade the face into a gradient. And
// every push button of the program, marked or not, is pressed by Return and
// the keypad's Enter while it has the focus, and shows the program's focus
// mark once the keyboard has moved the focus in its window.
class ProgramStyle final : public QProxyStyle {
public:
    ProgramStyle()
        : QProxyStyle(QStringLiteral("Fusion"))
    {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element != PE_PanelButtonCommand || !qobject_cast<const QPushButton*>(widget)) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const bool pressed = option->state & (State_Sunken | State_On);
        // The edge in pixels: one, two when pressed.
        const int edge = pressed ? 2 : 1;
        if (widget->property(FaceButtonProperty).toBool())
            drawFlatFace(*option, edge, *painter);
        else
            QProxyStyle::drawPrimitive(element, option, painter, widget);
        // Inside the edge, a pixel clear of it, around the caption.
        const bool keyboardFocus = (option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange);
        if (keyboardFocus)
            drawFocusMark(*painter, option->rect.adjusted(edge + 1, edge + 1, -edge - 1, -edge - 1),
                          option->palette.color(QPalette::ButtonText));
    }

    // An option takes a click anywhere in its rectangle, not only on its
    // indicator and caption; assistive technology reads the same rectangle.
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override
    {
        if (element == SE_RadioButtonClickRect || element == SE_CheckBoxClickRect)
            return option->rect;
        return QProxyStyle::subElementRect(element, option, widget);
    }

    // A marked drop-down list: a flat face of its Button colour, a one-pixel
    // edge, the arrow in its ButtonText colour, and the focus mark around its
    // entry once the keyboard has moved the focus.
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* list = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        if (control != CC_ComboBox || !list || !widget || !widget->property(FaceButtonProperty).toBool()) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        drawFlatFace(*option, 1, *painter);
        QStyleOption arrow = *option;
        arrow.rect = subControlRect(CC_ComboBox, list, SC_ComboBoxArrow, widget);
        arrow.palette.setColor(QPalette::ButtonText, option->palette.color(QPalette::ButtonText));
        proxy()->drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
        const bool keyboardFocus = (option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange);
        if (keyboardFocus)
            drawFocusMark(*painter, subControlRect(CC_ComboBox, list, SC_ComboBoxEditField, widget),
                          option->palette.color(QPalette::ButtonText));
    }

    void polish(QWidget* widget) override
    {
        QProxyStyle::polish(widget);
        if (qobject_cast<QPushButton*>(widget))
            widget->installEventFilter(this);
    }
    void unpolish(QWidget* widget) override
    {
        if (qobject_cast<QPushButton*>(widget))
            widget->removeEventFilter(this);
        QProxyStyle::unpolish(widget);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button)
            return QProxyStyle::eventFilter(watched, event);
        if (event->type() == QEvent::KeyPress && pressesFocusedButton(*static_cast<QKeyEvent*>(event), *button)) {
            // A held key presses the button once.
            if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
                button->click();
            return true;
        }
        // A click with the mouse takes the focus without the keyboard's
        // mark, which stays away until the keyboard moves the focus again.
        if (event->type() == QEvent::MouseButtonPress)
            button->window()->setAttribute(Qt::WA_KeyboardFocusChange, false);
        return QProxyStyle::eventFilter(watched, event);
    }

    // Fusion reads a standard icon's pictures from their files on every
    // call, and each MDI sub-window asks for four icons as it is created:
    // about a tenth of the time it takes to open the results. The built-in
    // icons never change while the program runs, so each is read once.
    // Icons asked for with a style option may depend on it and are not kept.
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override
    {
        if (option)
            return QProxyStyle::standardIcon(icon, option, widget);
        const IconKey key{icon, QGuiApplication::layoutDirection()};
        auto found = icons_.constFind(key);
        if (found == icons_.cend())
            found = icons_.insert(key, QProxyStyle::standardIcon(icon, nullptr, widget));
        return *found;
    }

private:
    static void drawFlatFace(const QStyleOption& option, int edge, QPainter& painter)
    {
        painter.fillRect(option.rect, option.palette.button());
        // The edge as one-pixel fills: a stroked rectangle costs many times
        // more, and the results show thirteen buttons.
        const QRect& r = option.rect;
        const QColor colour(64, 64, 64);
        painter.fillRect(QRect(r.left(), r.top(), r.width(), edge), colour);
        painter.fillRect(QRect(r.left(), r.bottom() - edge + 1, r.width(), edge), colour);
        painter.fillRect(QRect(r.left(), r.top(), edge, r.height()), colour);
        painter.fillRect(QRect(r.right() - edge + 1, r.top(), edge, r.height()), colour);
    }

    // Return and Enter, plain or from the keypad, on a push button that
    // has the focus and does not press itself: a default button, or one that
    // a dialog makes default while it has the focus, presses itself and so
    // is pressed once. No button becomes a default that Enter would press
    // from another control.
    static bool pressesFocusedButton(const QKeyEvent& key, const QPushButton& button)
    {
        const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
        const bool plain = (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        return enter && plain && button.hasFocus() && button.isEnabled() && !button.isDefault()
               && !button.autoDefault();
    }

    using IconKey = std::pair<StandardPixmap, Qt::LayoutDirection>;
    mutable QHash<IconKey, QIcon> icons_;
};

}  // namespace

void useProgramStyle()
{
    QApplication::setStyle(new ProgramStyle);
}

void setColors(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFrame* createPlainFrame(const QString& name, const QRect& geometry, const QColor& background, const QColor& text,
                         QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::NoFrame);
    frame->setGeometry(geometry);
    setColors(frame, background, text);
    return frame;
}

QLabel* createLabel(const QString& name, const QString& text, const QFont& font, const QRect& geometry, QWidget* parent,
                    const QColor& textColor, TextFlow flow)
{
    auto* label = new QLabel(parent);
    setUpLabel(label, name, text, font, geometry, textColor, flow);
    return label;
}

void setUpLabel(QLabel* label, const QString& name, const QString& text, const QFont& font, const QRect& geometry,
                const QColor& textColor, TextFlow flow)
{
    // The format before the text: a label given its text first lays it out
    // again when the format changes.
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    if (flow == TextFlow::Wrapped) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    label->setText(text);
    label->setGeometry(geometry);
    label->setFont(font);
    // Most labels take their parent's text colour; a palette set on each of
    // the panels window's 84 rows would only slow the window's creation.
    if (textColor.isValid() && label->palette().color(QPalette::WindowText) != textColor) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, textColor);
        label->setPalette(palette);
    }
}

void styleFaceButton(QWidget* button, const QColor& face, const QColor& text)
{
    // The palette and the program's style, not a style sheet: a style sheet
    // sends the button (and its polish) through Qt's slow style-sheet path,
    // which made the results frame noticeably slower to open.
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, face);  // every colour group
    palette.setColor(QPalette::ButtonText, text);
    if (qobject_cast<QComboBox*>(button)) {
        // The entries, closed and open, in the face's colours; the current
        // entry of the open list in the two swapped.
        for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window})
            palette.setColor(role, face);
        for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::Highlight})
            palette.setColor(role, text);
        palette.setColor(QPalette::HighlightedText, face);
    }
    button->setPalette(palette);
    button->setProperty(FaceButtonProperty, true);
}

}  // namespace zorvane::ui
