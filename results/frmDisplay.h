#pragma once

// The period panels window: the time of birth, one panel per planetary
// period with the start dates of its sub-periods 2 to 7, one line per node
// period, and one description button per ruler. It computes nothing:
// FillResults writes every caption that changes from one reading to the next
// through the PeriodPanels interface. The controls are its own: the picture
// export reaches its holders through exportHolders(), the results frame its
// periods and description buttons for the Tab chain; nothing else reaches
// in. The time of birth, the panels and the node lines take the focus
// (PeriodPanel.h) so that the keyboard reaches every period and sub-period.

#include "PeriodPanels.h"
#include "modFirdaria.h"
#include "modSaveForm.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QWidget>

#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class PeriodLine;
class PeriodPanel;

class frmDisplay : public QWidget, public PeriodPanels {
    Q_OBJECT
public:
    static constexpr int DescButtonCount = modFirdaria::RulerCount;  // 9

    explicit frmDisplay(QWidget* parent = nullptr);

    // The fonts of the window's texts: headings and node lines, rows, time
    // of birth, buttons.
    static QList<QFont> fonts();
    // Fits ahead of the first reading the captions that readings narrow
    // (ui::fitCaption): the sub-period names, and the node lines and start
    // dates with a date of each length and month. Returns each font they are
    // then shown in with the characters shown in it (every digit for the
    // dates), so that their glyphs can be drawn ahead too.
    static QHash<QFont, QString> fitCaptionsAhead(const modFirdaria::SubPeriodNameTable& names);

    // The window and its off-view holders, as the picture export works on them.
    modSaveForm::PanelsWindow exportHolders();
    // The time of birth ("Night"), which takes Tab focus and is read with
    // its heading ("Your Time Of Birth").
    QWidget* timeOfBirth() const;
    // cmdDesc(0..8), in Ruler order.
    QList<QPushButton*> descriptionButtons() const;
    // The panels and node lines in the order their periods come in time, as
    // the last reading gave it; before any, their order on the window
    // (panels 0 to 6, the North Node's line, the South Node's).
    QList<QWidget*> periods() const;

Q_SIGNALS:
    // periods() has changed its order (a reading by day after one by night).
    void periodOrderChanged();

public Q_SLOTS:
    // Shows the interpretation text of ruler Index (0..8) in a fresh modal
    // reading window.
    void cmdDesc_Click(int Index);

private:
    void setTimeOfBirth(const QString& text) override;
    void setPanelHeading(int panel, const QString& heading) override;
    void setRow(int row, const QString& name, const QString& startText) override;
    void setNorthNodeLine(const QString& text) override;
    void setSouthNodeLine(const QString& text) override;
    void setPeriodOrder(const PeriodPlaces& inTime) override;

    void createFrame();
    void createTimeOfBirth();
    void createPanels();
    void createNodeLines();
    void createDescriptionButtons();
    void createExportHolders();

    // Visible controls, all inside Frame1.
    QFrame* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    PeriodLine* lblTimeOfBirth = nullptr;
    // Panel f shows the f-th planetary period of the sequence in use.
    std::array<PeriodPanel*, PanelCount> fraPlanetName{};
    // Row 6f + k (k = 0..5) of panel f: sub-period k + 2 of that period.
    std::array<QLabel*, RowCount> lblPlanetCycleName{};
    std::array<QLabel*, RowCount> lblPlanetCycle{};
    PeriodLine* lblNNodePlanetName = nullptr;
    PeriodLine* lblSNodePlanetName = nullptr;
    // Indexed by Ruler value, whatever the sequence.
    std::array<QPushButton*, DescButtonCount> cmdDesc{};

    // The panels and node lines, the first period to come first.
    QList<QWidget*> periods_;

    // Off-view controls of the picture export, on the window itself and
    // outside its visible area.
    QLabel* Picture1 = nullptr;  // holder of the latest capture
    QLineEdit* txtFolder = nullptr;
    QLineEdit* txtFile = nullptr;
};
