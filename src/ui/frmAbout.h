#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the application's title and version, the maker's logo,
// notice line and address. Modal; each showing is a fresh instance.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

public slots:
    void Form_Load();
    void cmdOK_Click();

private:
    QPushButton *cmdOK_ = nullptr;
    QLabel *lblTitle_ = nullptr;
    QLabel *lblVersion_ = nullptr;
};
