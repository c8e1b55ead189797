#include "frmMain.h"

#include "Accessibility.h"
#include "CharClasses.h"
#include "Clipboard.h"
#include "GenerationState.h"
#include "ListExport.h"
#include "PasswordList.h"
#include "PictureBox.h"
#include "QtCompat.h"
#include "Services.h"
#include "Shell.h"
#include "UiCommon.h"
#include "UpDown.h"
#include "frmAbout.h"
#include "frmWarn.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>

#include <algorithm>

namespace corvane {
namespace {

// Values 0, 1 and 2 (mixed); a click moves between cleared and checked only, as the user expects.
class OptionBox final : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

QWidget* makeLine(const QString& name, QColor colour, QRect geometry, QWidget* parent)
{
    auto* line = new QWidget(parent);
    line->setObjectName(name);
    line->setGeometry(geometry);
    line->setAutoFillBackground(true);
    hideFromAssistiveTechnology(line);
    setColour(line, QPalette::Window, colour);
    return line;
}

QLineEdit* makeField(const QString& name, const QString& accessibleName, QRect geometry, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setAccessibleName(accessibleName);
    setColour(field, QPalette::Base, Qt::white);
    setColour(field, QPalette::Text, Qt::black);
    return field;
}

QString defaultSaveFileName(QWidget* parent)
{
    QFileDialog dialog(parent, QObject::tr("Save Passwords"),
                       QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog.setObjectName(QStringLiteral("dlgSave"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({QObject::tr("Text files (*.txt)"), QObject::tr("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

frmMain::frmMain(Services& services, GenerationState& state, RandomSource& random, QWidget* parent)
    : QWidget(parent), askSaveFileName(defaultSaveFileName), m_services(services), m_state(state),
      m_presets(services.settings), m_engine(*this, state, random)
{
    installAccessibility();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(applicationTitle);
    QIcon icon;
    for (const int side : {16, 24, 32, 48})
        icon.addPixmap(loadPicture(QStringLiteral(":/corvane/icon-%1.png").arg(side), QSize(side, side), 1.0));
    setWindowIcon(icon);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(sansFont());
    setFixedSize(twips(6300), twips(5100));

    buildControls();
    // Key preview: F1 is seen here first, whichever control has the focus.
    qApp->installEventFilter(this);
    Form_Load();
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
}

void frmMain::buildControls()
{
    Image2 = new PictureBox(QStringLiteral("Image2"), PictureBox::Kind::Decoration, this);
    Image2->setGeometry(twipsRect(0, 0, 6390, 840));
    // Under high contrast the title takes the user's text colour, which a light scheme makes black: on
    // the dark banner it could not be read, so the banner gives way to the user's own window colour.
    if (highContrastFace())
        Image2->hide();
    else
        Image2->setImage(QStringLiteral(":/corvane/banner.png"), QSize(426, 56));

    Image4 = new PictureBox(QStringLiteral("Image4"), PictureBox::Kind::Decoration, this);
    Image4->setGeometry(twipsRect(240, 120, 720, 720));
    Image4->setImage(QStringLiteral(":/corvane/title-left.png"), QSize(48, 48));
    Image5 = new PictureBox(QStringLiteral("Image5"), PictureBox::Kind::Decoration, this);
    Image5->setGeometry(twipsRect(5300, 120, 720, 720));
    Image5->setImage(QStringLiteral(":/corvane/title-right.png"), QSize(48, 48));

    Label4 = makeLabel(QStringLiteral("Label4"), tr("Password Generator"), twipsRect(1305, 280, 3690, 330), this);
    QFont titleFont = monoFont(15.75);
    titleFont.setBold(true);
    Label4->setFont(titleFont);
    Label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setColour(Label4, QPalette::WindowText, Qt::white);

    Line1 = makeLine(QStringLiteral("Line1"), QColor(64, 64, 64), QRect(0, twips(840), twips(6360), 1), this);
    Line2 = makeLine(QStringLiteral("Line2"), Qt::white, QRect(0, twips(855), twips(6360), 1), this);

    Label2 = makeLabel(QStringLiteral("Label2"), tr("Character Configuration"), twipsRect(2160, 960, 2055, 255),
                       this);
    QFont underlined = sansFont();
    underlined.setUnderline(true);
    Label2->setFont(underlined);
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Label1 = makeLabel(QStringLiteral("Label1"), tr("4-50 Characters"), twipsRect(4440, 1485, 1365, 195), this);
    txtChars = makeField(QStringLiteral("txtChars"), Label1->text(), twipsRect(3480, 1440, 855, 300), this);
    UpDown1 = new UpDown(QStringLiteral("UpDown1"), txtChars, PresetStore::charactersMin,
                         PresetStore::charactersMax, PresetStore::charactersDefault, this);
    UpDown1->setGeometry(twipsRect(4065, 1455, 240, 270));
    UpDown1->setAccessibleName(Label1->text());

    Label3 = makeLabel(QStringLiteral("Label3"), tr("Number of Passwords"), twipsRect(4440, 1965, 1665, 195), this);
    txtNumOf = makeField(QStringLiteral("txtNumOf"), Label3->text(), twipsRect(3480, 1920, 855, 300), this);
    UpDown2 = new UpDown(QStringLiteral("UpDown2"), txtNumOf, PresetStore::numberOfMin, PresetStore::numberOfMax,
                         PresetStore::numberOfDefault, this);
    UpDown2->setGeometry(twipsRect(4065, 1933, 240, 275));
    UpDown2->setAccessibleName(Label3->text());
    // The spin arrows sit inside the field's right edge; keep typed text clear of them.
    txtChars->setTextMargins(0, 0, UpDown1->width(), 0);
    m_txtCharsText = txtChars->text();
    connect(txtChars, &QLineEdit::textChanged, this, [this](const QString& text) { m_txtCharsText = text; });
    txtNumOf->setTextMargins(0, 0, UpDown2->width(), 0);

    static constexpr int boxGeometry[5][4] = {
        {203, 1440, 2895, 255}, {203, 1800, 3375, 255}, {203, 2160, 3015, 255},
        {203, 2520, 3375, 255}, {203, 2880, 3495, 255},
    };
    for (int i = 0; i < classCount; ++i) {
        const QString caption = charClasses()[static_cast<std::size_t>(i)].caption;
        // An ampersand in a caption would mark an access key; the boxes have none.
        auto* box = new OptionBox(QString(caption).replace(u'&', QStringLiteral("&&")), this);
        box->setObjectName(QStringLiteral("chkOpt(%1)").arg(i));
        box->setAccessibleName(caption);
        const auto& g = boxGeometry[i];
        box->setGeometry(twipsRect(g[0], g[1], g[2], g[3]));
        onCheckStateChanged(box, this, [this, i](Qt::CheckState state) {
            m_classValues[static_cast<std::size_t>(i)] = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
            chkOpt_Click(i);
        });
        chkOpt[static_cast<std::size_t>(i)] = box;
    }

    Image1 = new PictureBox(QStringLiteral("Image1"), PictureBox::Kind::Button, this);
    Image1->setGeometry(twipsRect(3840, 2400, 720, 720));
    Image1->setImage(QStringLiteral(":/corvane/help.png"), QSize(48, 48));
    Image1->setToolTip(tr("Help"));
    Image1->setAccessibleName(tr("Help"));
    connect(Image1, &PictureBox::Click, this, &frmMain::Image1_Click);
    onMouseMove(Image1, this, [this] { Image1_MouseMove(); });

    Image3 = new PictureBox(QStringLiteral("Image3"), PictureBox::Kind::Button, this);
    Image3->setGeometry(twipsRect(5040, 2400, 720, 720));
    Image3->setImage(QStringLiteral(":/corvane/about.png"), QSize(48, 48));
    Image3->setToolTip(tr("About"));
    Image3->setAccessibleName(tr("About Corvane"));
    connect(Image3, &PictureBox::Click, this, &frmMain::Image3_Click);
    onMouseMove(Image3, this, [this] { Image3_MouseMove(); });

    m_list = new PasswordList(this);
    lstPass = new QListView(this);
    lstPass->setObjectName(QStringLiteral("lstPass"));
    lstPass->setGeometry(twipsRect(203, 3360, 5895, 1185));
    lstPass->setModel(m_list);
    lstPass->setSelectionMode(QAbstractItemView::SingleSelection);
    lstPass->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstPass->setUniformItemSizes(true);
    lstPass->setAccessibleName(tr("Passwords"));
    // The list's own copy would put a password on the clipboard unmarked; its copy keys go to Copy
    // instead (eventFilter), and nothing can be dragged out of it.
    lstPass->setDragDropMode(QAbstractItemView::NoDragDrop);

    cmdSave = makeButton(QStringLiteral("cmdSave"), tr("&Copy"), tr("Copy selected or all to Windows Clipboard"),
                         twipsRect(203, 4660, 1050, 350), this);
    cmdSaveIt = makeButton(QStringLiteral("cmdSaveIt"), tr("&Save"), tr("Save list to file"),
                           twipsRect(1818, 4660, 1050, 350), this);
    cmdGen = makeButton(QStringLiteral("cmdGen"), tr("&Generate"), tr("Generate list"),
                        twipsRect(3433, 4660, 1050, 350), this);
    cmdClose = makeButton(QStringLiteral("cmdClose"), tr("Cl&ose"), QString(), twipsRect(5048, 4660, 1050, 350),
                          this);
    connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
    connect(cmdSaveIt, &QPushButton::clicked, this, &frmMain::cmdSaveIt_Click);
    connect(cmdGen, &QPushButton::clicked, this, &frmMain::cmdGen_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmMain::cmdClose_Click);

    for (auto* box : chkOpt)
        box->setFocusPolicy(Qt::StrongFocus);

    // The pictures come last, so that every other control keeps its place.
    const QList<QWidget*> tabOrder{txtChars,  UpDown1,   txtNumOf, UpDown2,   chkOpt[0], chkOpt[1],
                                   chkOpt[2], chkOpt[3], chkOpt[4], cmdGen,   cmdSaveIt, cmdSave,
                                   cmdClose,  lstPass,   Image1,   Image3};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    txtChars->setFocus();
}

void frmMain::Form_Load()
{
    for (int i = 0; i < classCount; ++i)
        setClassValue(i, m_presets.readClass(i));
    UpDown1->setValue(m_presets.readCharacters());
    UpDown2->setValue(m_presets.readNumberOf());

    QCoreApplication::processEvents();

    txtChars->setText(QString::number(UpDown1->value()));
    txtNumOf->setText(QString::number(UpDown2->value()));
    m_state.lengthText = txtChars->text();
    m_txtMisc = specialCharacterSet();
    m_txtNon = extendedCharacterSet();
}

void frmMain::setClassValue(int index, int value)
{
    auto* box = chkOpt[static_cast<std::size_t>(index)];
    if (value == 2)
        box->setTristate(true);
    box->setCheckState(value == 2 ? Qt::PartiallyChecked : value == 1 ? Qt::Checked : Qt::Unchecked);
}

void frmMain::setPasswordText(QStringView password)
{
    if (m_txtPword.size() != password.size())
        m_txtPword.resize(password.size());
    std::ranges::copy(password, m_txtPword.begin());
}

const QString& frmMain::lengthText() const
{
    return m_txtCharsText;
}

QString frmMain::countText() const
{
    return txtNumOf->text();
}

void frmMain::clearList()
{
    m_list->clear();
}

void frmMain::addListEntry(const QString& entry)
{
    // A batch is shown when it ends, as one insertion: a row at a time costs a model update with
    // its signals for every password.
    m_list->append(entry);
    if (!m_gathering)
        m_list->publish();
}

void frmMain::showMessage(const QString& text)
{
    m_messageShown = true;
    m_list->publish();
    showMessageBox(this, text);
}

void frmMain::focusLengthSelectAll()
{
    txtChars->setFocus();
    txtChars->selectAll();
}

void frmMain::focusCountSelectAll()
{
    txtNumOf->setFocus();
    txtNumOf->selectAll();
}

void frmMain::chkOpt_Click(int Index)
{
    Q_UNUSED(Index)
    if (m_classValues[4] != 1 || m_presets.warningShown())
        return;
    QPointer<frmWarn> warning = new frmWarn;
    warning->exec();
    m_presets.markWarningShown();
}

void frmMain::cmdGen_Click()
{
    lstPass->setUpdatesEnabled(false);
    m_gathering = true;
    m_messageShown = false;
    m_engine.Generate();
    m_gathering = false;
    m_list->publish();
    lstPass->setUpdatesEnabled(true);
    // The focus stays on Generate, so nothing else would tell a screen-reader user that the list is ready.
    if (!m_messageShown) {
        const int count = int(m_list->size());
        announce(this, count == 1 ? tr("1 password generated") : tr("%1 passwords generated").arg(count));
    }
}

void frmMain::cmdSave_Click()
{
    const QModelIndexList selected = lstPass->selectionModel()->selectedIndexes();
    // A single selected password goes alone, without a line end, so it pastes cleanly into a field.
    const bool copied = selected.size() == 1
                            ? m_services.clipboard.setSecretText(m_list->entry(selected.constFirst().row()))
                            : CopyListToClipboard(*m_list, m_state, m_services.clipboard);
    // Whatever the clipboard held before is still there; pasted in the belief that it is new, it
    // could be an older password.
    if (!copied)
        showMessageBox(this, tr("Nothing was copied: another program is using the clipboard. Try again."));
}

void frmMain::cmdSaveIt_Click()
{
    const QString path = askSaveFileName(this);
    if (path.isEmpty())
        return;
    const SaveOutcome outcome = saveTextFile(path, m_list->text());
    if (!outcome.saved)
        showMessageBox(this, tr("Could not save the passwords to \"%1\": %2")
                                 .arg(QDir::toNativeSeparators(path), outcome.reason));
}

void frmMain::cmdClose_Click()
{
    close();
}

void frmMain::Image1_Click()
{
    LaunchDocument(helpFilePath());
}

void frmMain::Image1_MouseMove()
{
    setHoverCursor(Image1);
}

void frmMain::Image3_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_services);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void frmMain::Image3_MouseMove()
{
    setHoverCursor(Image3);
}

void frmMain::Form_KeyDown(int KeyCode, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift)
    if (KeyCode == Qt::Key_F1)
        LaunchDocument(helpFilePath());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstPass && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        cmdSave_Click();
        return true;
    }
    // A key the focused control ignores travels on to its parents; take it once, at the control.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == QApplication::focusWidget() && (widget == this || isAncestorOf(widget))) {
            const auto* key = static_cast<QKeyEvent*>(event);
            Form_KeyDown(key->key(), key->modifiers());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::LaunchDocument(const QString& target)
{
    m_services.shell.open(target);
}

QString frmMain::helpFilePath() const
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("Corvane.chm");
}

void frmMain::Form_Unload()
{
    QStringList failures;
    for (int i = 0; i < classCount; ++i)
        failures += m_presets.writeClass(i, m_classValues[static_cast<std::size_t>(i)]);
    failures += m_presets.writeCharacters(UpDown1->value());
    failures += m_presets.writeNumberOf(UpDown2->value());
    failures.removeAll(QString());
    // Otherwise the next start would silently show other choices than the user left.
    if (!failures.isEmpty())
        showMessageBox(this, tr("Your choices could not be stored in \"%1\": %2.")
                                 .arg(QDir::toNativeSeparators(m_presets.location()), failures.constFirst()));

    QCoreApplication::processEvents();

    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->close();
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    // The process may outlive this window to keep a copy on the clipboard; it keeps nothing more.
    clearList();
    m_txtPword.fill(QChar());
    m_txtPword.clear();
    event->accept();
}

void frmMain::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* target = screen())
            move(target->availableGeometry().center() - rect().center());
    }
    QWidget::showEvent(event);
}

} // namespace corvane
