#include "PeriodPanel.h"

#include "Accessibility.h"
#include "FocusMark.h"
#include "SpokenCaptions.h"
#include "Style.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QWindow>

#include <array>
#include <optional>
#include <utility>

namespace ui = zorvane::ui;

namespace {

// In pixels: the border's top edge lies below the caption's top; the border
// breaks for the caption, which stands in from the left, with a gap either
// side and some room around the text, which is centred.
constexpr int BorderTop = 9;
constexpr int CaptionLeft = 6;
constexpr int CaptionGap = 2;
constexpr int TextRoom = 6;
// Room in pixels between a row's labels and its focus mark. Rows stand 24
// pixels apart and are 16 high; the mark stays clear of the next row and of
// the panel's border.
constexpr int RowMarkRoom = 2;

// A row of a period panel as assistive technology sees it: one list item,
// named by the row's phrase, focused while the keyboard stands on it. It has
// no object of its own; the panel's accessible interface makes it and
// deletes it.
class PeriodRowAccessible final : public QAccessibleInterface {
public:
    // Read as its phrase; the last row also as the last. Said whole, the
    // name holds both, without a description.
    enum class Reading { Phrase, Whole };

    PeriodRowAccessible(PeriodPanel* panel, int row, Reading reading = Reading::Phrase)
        : panel_(panel)
        , row_(row)
        , reading_(reading)
    {}

    bool isValid() const override { return !panel_.isNull() && row_ < panel_->rowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return panel_ ? panel_->window()->windowHandle() : nullptr; }

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(panel_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!panel_)
            return {};
        const bool last = row_ == panel_->rowCount() - 1;
        if (t == QAccessible::Name && reading_ == Reading::Whole && last)
            return panel_->spokenRow(row_) + QStringLiteral(". ") + PeriodPanel::lastRowDescription();
        if (t == QAccessible::Name)
            return panel_->spokenRow(row_);
        if (t == QAccessible::Description && reading_ == Reading::Phrase && last)
            return PeriodPanel::lastRowDescription();
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!panel_)
            return {};
        const QRect row = panel_->rowRect(row_);
        return {panel_->mapToGlobal(row.topLeft()), row.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!panel_ || !panel_->isVisible()) {
            state.invisible = true;
            return state;
        }
        state.focused = panel_->hasFocus() && panel_->currentRow() == row_;
        return state;
    }

private:
    QPointer<PeriodPanel> panel_;
    int row_;
    Reading reading_;
};

// A period panel as assistive technology sees it: a list named by its
// heading, whose items are its rows; the labels that show a row are not
// read on their own.
class PeriodPanelAccessible final : public QAccessibleWidget {
public:
    explicit PeriodPanelAccessible(PeriodPanel* panel)
        : QAccessibleWidget(panel, QAccessible::List)
    {}
    ~PeriodPanelAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(rows_))
            QAccessible::deleteAccessibleInterface(id);
        if (lastRowWhole_)
            QAccessible::deleteAccessibleInterface(*lastRowWhole_);
    }
    PeriodPanelAccessible(const PeriodPanelAccessible&) = delete;
    PeriodPanelAccessible& operator=(const PeriodPanelAccessible&) = delete;

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? panel()->spokenHeading() : QAccessibleWidget::text(t);
    }

    int childCount() const override { return panel()->rowCount(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (rows_.size() <= index)
            rows_.append(QAccessible::registerAccessibleInterface(
                new PeriodRowAccessible(panel(), static_cast<int>(rows_.size()))));
        return QAccessible::accessibleInterface(rows_.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (qsizetype i = 0; i < rows_.size(); ++i)
            if (QAccessible::accessibleInterface(rows_.at(i)) == child)
                return static_cast<int>(i);
        if (lastRowWhole_ && QAccessible::accessibleInterface(*lastRowWhole_) == child)
            return childCount() - 1;
        return -1;
    }

    // The last row as the other of its two objects, which take turns: Orca
    // says the focus reaching an object that differs from the one it stands
    // on, by its name or its place, but not the focus staying where it is.
    // Both read the same words, the one as its name and description, the
    // other as its name alone.
    QAccessibleInterface* lastRowAnew()
    {
        const int last = childCount() - 1;
        if (!child(last))
            return nullptr;
        if (!lastRowWhole_)
            lastRowWhole_ = QAccessible::registerAccessibleInterface(
                new PeriodRowAccessible(panel(), last, PeriodRowAccessible::Reading::Whole));
        std::swap(rows_[last], *lastRowWhole_);
        return QAccessible::accessibleInterface(rows_.at(last));
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int row = 0; row < childCount(); ++row)
            if (QAccessibleInterface* item = child(row); item->rect().contains(x, y))
                return item;
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        return panel()->hasFocus() && panel()->currentRow() >= 0 ? child(panel()->currentRow()) : nullptr;
    }

private:
    PeriodPanel* panel() const { return static_cast<PeriodPanel*>(widget()); }

    // The rows' interfaces, made when first asked for.
    mutable QList<QAccessible::Id> rows_;
    // The last row's other object, while it is not the one in rows_.
    std::optional<QAccessible::Id> lastRowWhole_;
};

}  // namespace

PeriodPanel::PeriodPanel(QWidget* parent)
    : QGroupBox(parent)
{
    ui::useAccessibleOf<PeriodPanel, PeriodPanelAccessible>();
    // Tab reaches it; a click does not, so that the mouse changes nothing.
    setFocusPolicy(Qt::TabFocus);
}

void PeriodPanel::addRow(QLabel* name, QLabel* start)
{
    rows_.append(std::make_pair(name, start));
}

int PeriodPanel::rowCount() const
{
    return static_cast<int>(rows_.size());
}

QString PeriodPanel::spokenHeading() const
{
    return zorvane::results::spokenHeading(title());
}

QString PeriodPanel::spokenRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const auto& [name, start] = rows_.at(row);
    return zorvane::results::spokenRow(name->text(), start->text());
}

QRect PeriodPanel::rowRect(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const auto& [name, start] = rows_.at(row);
    return name->geometry().united(start->geometry());
}

QRect PeriodPanel::captionRect() const
{
    const QFontMetrics metrics(font());
    return {CaptionLeft, 0, metrics.horizontalAdvance(title()) + TextRoom + 2 * CaptionGap, metrics.height()};
}

void PeriodPanel::paintEvent(QPaintEvent*)
{
    // Drawn here rather than through a style sheet, which would put each of
    // the panel's twelve labels under the style sheet style and make the
    // first showing of a reading markedly slower.
    QPainter painter(this);
    const QRect caption = captionRect();
    // The border as five one-pixel fills rather than a rectangle clipped
    // around the caption: a clip region or a stroked line sends every pixel
    // down a slow path.
    const int right = width() - 1;
    const int bottom = height() - 1;
    const std::array<QRect, 5> edges{
        QRect(QPoint(0, BorderTop), QPoint(caption.left() - 1, BorderTop)),
        QRect(QPoint(caption.right() + 1, BorderTop), QPoint(right, BorderTop)),
        QRect(QPoint(right, BorderTop), QPoint(right, bottom)),
        QRect(QPoint(0, bottom), QPoint(right, bottom)),
        QRect(QPoint(0, BorderTop), QPoint(0, bottom)),
    };
    for (const QRect& edge : edges)
        painter.fillRect(edge, ui::colors::silver);
    painter.setPen(ui::colors::cyan);
    painter.drawText(caption.adjusted(CaptionGap, 0, -CaptionGap, 0), Qt::AlignCenter, title());

    if (!ui::showsKeyboardFocus(this))
        return;
    if (currentRow_ < 0) {
        ui::drawFocusMark(painter, caption, ui::colors::cyan);
    } else {
        const QLabel* name = rows_.at(currentRow_).first;
        ui::drawFocusMark(painter, rowRect(currentRow_).adjusted(-RowMarkRoom, -RowMarkRoom, RowMarkRoom, RowMarkRoom),
                          name->palette().color(name->foregroundRole()));
    }
}

void PeriodPanel::keyPressEvent(QKeyEvent* event)
{
    // The arrow keys stay in the panel at its ends rather than scroll the
    // results frame's area.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int last = rowCount() - 1;
    if (plain && event->key() == Qt::Key_Down && currentRow_ == last)
        sayLastRowAgain();
    else if (plain && event->key() == Qt::Key_Down)
        moveTo(currentRow_ + 1);
    else if (plain && event->key() == Qt::Key_Up)
        moveTo(std::max(currentRow_ - 1, -1));
    else if (plain && event->key() == Qt::Key_Home)
        moveTo(-1);
    else if (plain && event->key() == Qt::Key_End)
        moveTo(last);
    else {
        QGroupBox::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PeriodPanel::focusInEvent(QFocusEvent* event)
{
    currentRow_ = -1;
    QGroupBox::focusInEvent(event);
    update();
}

void PeriodPanel::focusOutEvent(QFocusEvent* event)
{
    QGroupBox::focusOutEvent(event);
    update();
}

void PeriodPanel::moveTo(int row)
{
    if (row == currentRow_)
        return;
    currentRow_ = row;
    // Moving with the keys is moving the focus with the keyboard: the mark
    // shows from now on, as after Tab.
    window()->setAttribute(Qt::WA_KeyboardFocusChange);
    update();
    // Assistive technology hears the focus move to the heading or the row.
    if (!QAccessible::isActive())
        return;
    if (row < 0) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    } else if (QAccessibleInterface* item = QAccessible::queryAccessibleInterface(this)->child(row)) {
        QAccessibleEvent focus(item, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

QString PeriodPanel::lastRowDescription()
{
    return tr("Last of this period's sub-periods");
}

void PeriodPanel::sayLastRowAgain()
{
    // The panel's interface comes from the factory above.
    auto* list = static_cast<PeriodPanelAccessible*>(QAccessible::queryAccessibleInterface(this));
    if (QAccessibleInterface* item = list->lastRowAnew(); item && QAccessible::isActive()) {
        QAccessibleEvent focus(item, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

PeriodLine::PeriodLine(QWidget* parent)
    : FocusableLabel(parent)
{
    setFocusPolicy(Qt::TabFocus);
}

void PeriodLine::setPeriod(const QString& heading)
{
    setPlainText(heading);
    setAccessibleName(zorvane::results::spokenHeading(heading));
}

bool PeriodLine::marksFocus() const
{
    return ui::showsKeyboardFocus(this);
}
