#pragma once

// The About box: the program's name and icon, what it does, and two links.
// Modal, created for each opening and destroyed on closing:
//
//     frmAbout about(this);
//     about.exec();

#include <QDialog>

class QPushButton;

class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

private Q_SLOTS:
    void cmdOK_Click();

private:
    void createTexts();
    void createLinks();

    QPushButton* cmdOK_ = nullptr;
};
