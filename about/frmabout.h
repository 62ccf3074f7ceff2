#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About window: title, version, what the program is for, the logo and a warning. Modal;
// OK, Enter and Escape close it, and each opening builds it afresh.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void createControls();
    void Form_Load();
    void placeOnScreen();

    QLabel *lblTitle = nullptr;
    QWidget *picIcon = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *Label4 = nullptr;
    QPushButton *cmdOK = nullptr;
};
