#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace corvane {

struct Services;
class PictureBox;

// The About window: who makes the program, where to find them, and a shortcut to the machine's
// system-information tool. Modeless and ownerless; it deletes itself when closed.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    explicit frmAbout(Services& services, QWidget* parent = nullptr);

    // Starts the system-information tool named in the registry, or says it cannot.
    void StartSysInfo();
    // Reads one value into KeyVal. True when the value was read, whatever its type. Throws
    // std::range_error when the registry reports a size outside the buffer, after closing the key.
    bool GetKeyValue(const qint32& KeyRoot, const QString& Keyname, const QString& SubKeyRef,
                     QString& KeyVal);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void Form_Load();
    void picIcon_Click();
    void Image1_Click();
    void Command1_Click();
    void Command1_MouseMove();
    void Command2_Click();
    void Command2_MouseMove();
    void Command3_Click();
    void Command4_Click();

private:
    void LaunchDocument(const QString& target);

    Services& m_services;
    bool m_centred = false;

    PictureBox* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    PictureBox* Image1;
    QFrame* Frame2;
    QLabel* lblDescription;
    QFrame* Frame1;
    QLabel* lblDisclaimer;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
};

} // namespace corvane
