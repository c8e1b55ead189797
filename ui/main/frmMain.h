#pragma once

#include "CharClasses.h"
#include "GeneratorView.h"
#include "modGen.h"
#include "PresetStore.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace corvane {

class PasswordList;
class PictureBox;
class RandomSource;
class UpDown;
class frmAbout;
struct GenerationState;
struct Services;

class frmMain : public QWidget, public GeneratorView
{
    Q_OBJECT
public:
    frmMain(Services& services, GenerationState& state, RandomSource& random, QWidget* parent = nullptr);
    ~frmMain() override;

    // GeneratorView
    const ClassValues& classValues() const override { return m_classValues; }
    const QString& specialSetText() const override { return m_txtMisc; }
    const QString& extendedSetText() const override { return m_txtNon; }
    const QString& lengthText() const override;
    QString countText() const override;
    void setPasswordText(QStringView password) override;
    const QString& passwordText() const override { return m_txtPword; }
    void clearList() override;
    void addListEntry(const QString& entry) override;
    void showMessage(const QString& text) override;
    void focusLengthSelectAll() override;
    void focusCountSelectAll() override;

    // The save dialog's answer; replaceable so tests need not drive a file dialog.
    std::function<QString(QWidget* parent)> askSaveFileName;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void Form_Load();
    void Form_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift);
    void Form_Unload();
    void chkOpt_Click(int Index);
    void cmdGen_Click();
    void cmdSave_Click();
    void cmdSaveIt_Click();
    void cmdClose_Click();
    void Image1_Click();
    void Image1_MouseMove();
    void Image3_Click();
    void Image3_MouseMove();

private:
    void buildControls();
    void setClassValue(int index, int value);
    void LaunchDocument(const QString& target);
    QString helpFilePath() const;

    Services& m_services;
    GenerationState& m_state;
    PresetStore m_presets;
    modGen m_engine;
    bool m_centred = false;
    QPointer<frmAbout> m_about;

    // Working storage of the engine that the user never sees.
    QString m_txtPword;
    QString m_txtNon;
    QString m_txtMisc;
    // The engine reads the boxes and the length for every password; they are kept as they change,
    // so a read is neither a call into the box nor a copy of the field's text.
    ClassValues m_classValues{};
    QString m_txtCharsText;

    PasswordList* m_list;
    bool m_gathering = false; // a Generate batch is running: its entries are shown when it ends
    bool m_messageShown = false;

    PictureBox* Image2;
    PictureBox* Image4;
    PictureBox* Image5;
    QLabel* Label4;
    QWidget* Line1;
    QWidget* Line2;
    QLabel* Label2;
    QLineEdit* txtChars;
    UpDown* UpDown1;
    QLabel* Label1;
    QLineEdit* txtNumOf;
    UpDown* UpDown2;
    QLabel* Label3;
    std::array<QCheckBox*, 5> chkOpt{};
    PictureBox* Image1;
    PictureBox* Image3;
    QListView* lstPass;
    QPushButton* cmdSave;
    QPushButton* cmdSaveIt;
    QPushButton* cmdGen;
    QPushButton* cmdClose;
};

} // namespace corvane
