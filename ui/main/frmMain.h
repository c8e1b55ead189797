#pragma once

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
class QListWidget;
class QPushButton;

namespace corvane {

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
    int classValue(int index) const override;
    QString specialSetText() const override { return m_txtMisc; }
    QString extendedSetText() const override { return m_txtNon; }
    QString lengthText() const override;
    QString countText() const override;
    void setPasswordText(const QString& password) override { m_txtPword = password; }
    QString passwordText() const override { return m_txtPword; }
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
    void flushListEntries();

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

    // Entries of the Generate batch in progress, put into the list at once when it ends. While a
    // batch runs the emptied list keeps its rows, stale from m_listed on, to take the new texts.
    QStringList m_pendingEntries;
    bool m_gathering = false;
    bool m_stale = false;
    int m_listed = 0;

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
    QListWidget* lstPass;
    QPushButton* cmdSave;
    QPushButton* cmdSaveIt;
    QPushButton* cmdGen;
    QPushButton* cmdClose;
};

} // namespace corvane
