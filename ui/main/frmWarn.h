#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace corvane {

class PictureBox;

// The one-time notice that extended characters are not accepted everywhere. No state of its own.
class frmWarn : public QDialog
{
    Q_OBJECT
public:
    explicit frmWarn(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void cmdOk_Click();

private:
    PictureBox* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* cmdOk;
};

} // namespace corvane
