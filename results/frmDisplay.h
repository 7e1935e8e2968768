#pragma once

// The period panels window: the time of birth, one panel per planetary
// period with the start dates of its sub-periods 2 to 7, one line per node
// period, and one description button per ruler. It computes nothing:
// FillResults writes every caption that changes from one reading to the next.

#include "modFirdaria.h"

#include <QFont>
#include <QList>
#include <QWidget>

#include <array>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr int PanelCount = modFirdaria::PlanetCount;            // 7
    static constexpr int RowsPerPanel = modFirdaria::SubPeriodsPerPlanet;  // 6
    static constexpr int RowCount = PanelCount * RowsPerPanel;             // 42
    static constexpr int DescButtonCount = modFirdaria::RulerCount;        // 9

    explicit frmDisplay(QWidget* parent = nullptr);

    // The fonts of the window's texts: headings and node lines, rows, time
    // of birth, buttons.
    static QList<QFont> fonts();

    // Visible controls, all inside Frame1.
    QFrame* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblTimeOfBirth = nullptr;
    // Panel f shows the f-th planetary period of the sequence in use.
    std::array<QGroupBox*, PanelCount> fraPlanetName{};
    // Row 6f + k (k = 0..5) of panel f: sub-period k + 2 of that period.
    std::array<QLabel*, RowCount> lblPlanetCycleName{};
    std::array<QLabel*, RowCount> lblPlanetCycle{};
    QLabel* lblNNodePlanetName = nullptr;
    QLabel* lblSNodePlanetName = nullptr;
    // Indexed by Ruler value, whatever the sequence.
    std::array<QPushButton*, DescButtonCount> cmdDesc{};

    // Off-view controls of the picture export, on the window itself and
    // outside its visible area.
    QLabel* Picture1 = nullptr;
    QLineEdit* txtFolder = nullptr;
    QLineEdit* txtFile = nullptr;

public Q_SLOTS:
    // Shows the interpretation text of ruler Index (0..8) in a fresh modal
    // reading window.
    void cmdDesc_Click(int Index);

private:
    void createFrame();
    void createTimeOfBirth();
    void createPanels();
    void createNodeLines();
    void createDescriptionButtons();
    void createExportHolders();
};
