#pragma once

// A drop-down list that a screen reader reads as a person needs it: the
// label that labels it and its chosen entry as the focus reaches it ("Day of
// birth, combo box, 15"), and the newly chosen entry on every change made
// with the keyboard while its list is closed (the arrow keys, Page Up and
// Down, Home, End, typing).
//
// Orca reads a closed combo box's value from the entry that the list's
// selection reports or, failing that, from the combo box's text; Qt 6.4
// offers neither on AT-SPI, so Orca says the label alone and stays silent on
// every change. The list gives its chosen entry as its text, and on a change
// moves the current item of its closed list to the chosen one, which Qt
// announces as the focus reaching that item: Orca says it.
//
// Its open list shows the colours of the closed one: Qt would give it the
// colours of a menu (light grey) under the program's style.

#include <QComboBox>

namespace zorvane::ui {

class DropDownList : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownList(QWidget* parent = nullptr);

    void showPopup() override;

private:
    void announceChosenEntry(int index);
};

}  // namespace zorvane::ui
