#pragma once

// The parts of the period panels window that hold the periods of a reading,
// each of which takes the keyboard focus from Tab:
//
// - PeriodPanel, a planetary period's panel: its heading ("The Moon ::
//   3/15/1980") set into a light grey border, and its six sub-period rows.
//   Down and Up move from the heading through the rows and back, Home and
//   End to the heading and the last row. Assistive technology reads the
//   panel as a list named by its heading and each row as one item
//   ("Moon/Saturn, 6/27/1981"), and hears the focus move from row to row;
//   the last row says that it is the last, again at each Down on it.
// - PeriodLine, a node period's line ("North Node :: 3/15/2019"), read as
//   one phrase ("North Node, 3/15/2019"), or the time of birth ("Night").
//
// The heading, row or line that has the focus is marked with a dotted
// rectangle in its text's colour once the keyboard has moved the focus in
// the window, as the program's style marks a button; used with the mouse
// alone, both look exactly as a plain frame and label do.

#include "FocusableLabel.h"

#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QRect>

#include <utility>

class PeriodPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit PeriodPanel(QWidget* parent = nullptr);

    // Adds a row below the others: the labels of a sub-period's name and
    // start, which the panel holds.
    void addRow(QLabel* name, QLabel* start);
    int rowCount() const;

    // "The Moon, 3/15/1980" for the heading "The Moon :: 3/15/1980".
    QString spokenHeading() const;
    // "Moon/Saturn, 6/27/1981" for row 0..5.
    QString spokenRow(int row) const;
    // The row's two labels together, in the panel's coordinates.
    QRect rowRect(int row) const;

    // Where the keyboard stands in the panel: -1 on the heading, or a row.
    // Every focus from outside starts on the heading.
    int currentRow() const { return currentRow_; }

    // What assistive technology reads of the last row besides its phrase.
    static QString lastRowDescription();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void moveTo(int row);
    void sayLastRowAgain();
    QRect captionRect() const;

    QList<std::pair<QLabel*, QLabel*>> rows_;
    int currentRow_ = -1;
};

class PeriodLine : public zorvane::ui::FocusableLabel {
    Q_OBJECT
public:
    explicit PeriodLine(QWidget* parent = nullptr);

    // Shows the heading of a node period ("North Node :: 3/15/2019"), read
    // out as one phrase.
    void setPeriod(const QString& heading);

protected:
    bool marksFocus() const override;
};
