#include "frmAbout.h"

#include "Accessibility.h"
#include "CorvaneBuildInfo.h"
#include "PictureBox.h"
#include "ProcessLauncher.h"
#include "Registry.h"
#include "Services.h"
#include "Shell.h"
#include "UiCommon.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace corvane {
namespace {

const QColor titleBlue(0, 0, 255);

QLabel* makeHeading(const QString& name, QRect geometry, QWidget* parent)
{
    QLabel* label = makeLabel(name, QString(), geometry, parent);
    QFont heading = sansFont(9.75);
    heading.setBold(true);
    label->setFont(heading);
    setColour(label, QPalette::WindowText, titleBlue);
    return label;
}

QLabel* makeNote(const QString& name, const QString& text, QRect geometry, QWidget* parent)
{
    QLabel* label = makeLabel(name, text, geometry, parent);
    label->setWordWrap(true);
    label->setAccessibleName(text);
    return label;
}

QFrame* makeFrame(const QString& name, const QString& accessibleName, QRect geometry, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(geometry);
    frame->setAccessibleName(accessibleName);
    return frame;
}

} // namespace

frmAbout::frmAbout(Services& services, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_services(services)
{
    installAccessibility();
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(sansFont());
    setFixedSize(twips(5730), twips(3990));

    picIcon = new PictureBox(QStringLiteral("picIcon"), PictureBox::Kind::Button, this);
    picIcon->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    picIcon->setImage(QStringLiteral(":/corvane/wordmark.png"), QSize(67, 143));
    picIcon->setGeometry(twipsRect(120, 120, 1065, 2205));
    picIcon->setToolTip(tr("Talvery Software"));
    picIcon->setAccessibleName(tr("Talvery Software"));
    picIcon->setFocusPolicy(Qt::StrongFocus);

    lblTitle = makeHeading(QStringLiteral("lblTitle"), twipsRect(1560, 240, 2805, 240), this);
    lblVersion = makeHeading(QStringLiteral("lblVersion"), twipsRect(1560, 600, 2325, 225), this);

    // The word-mark and the Talvery button lead to the same page; for the keyboard the key is a decoration.
    Image1 = new PictureBox(QStringLiteral("Image1"), PictureBox::Kind::Decoration, this);
    Image1->setImage(QStringLiteral(":/corvane/key48.png"), QSize(48, 48));
    Image1->setGeometry(twipsRect(4800, 120, 720, 720));

    Frame2 = makeFrame(QStringLiteral("Frame2"), tr("Description"), twipsRect(1560, 840, 3975, 1095), this);
    lblDescription = makeNote(QStringLiteral("lblDescription"),
                              tr("Come to the Talvery Web Site for more programs.  Click the Talvery button "
                                 "below to visit us or click the Mailing List button to be notified of new "
                                 "releases."),
                              twipsRect(120, 120, 3795, 885), Frame2);

    Frame1 = makeFrame(QStringLiteral("Frame1"), tr("Notice"), twipsRect(120, 2405, 4095, 1455), this);
    lblDisclaimer = makeNote(QStringLiteral("lblDisclaimer"),
                             tr("This program is provided as is, without warranty of any kind. You are free "
                                "to use it and to give it to others. Passwords are generated on this "
                                "computer and are never sent anywhere."),
                             twipsRect(120, 240, 3870, 1185), Frame1);

    Command1 = makeButton(QStringLiteral("Command1"), tr("&Join the Talvery mailing list"),
                          tr("Join our mailing list"), twipsRect(1560, 2040, 2295, 345), this);
    Command2 = makeButton(QStringLiteral("Command2"), tr("&Talvery"), tr("Visit Talvery"),
                          twipsRect(4320, 2040, 1245, 345), this);
    Command3 = makeButton(QStringLiteral("Command3"), tr("Clos&e"), tr("Close this window"),
                          twipsRect(4290, 2777, 1245, 345), this);
    Command4 = makeButton(QStringLiteral("Command4"), tr("&System Info"), tr("Info about your computer"),
                          twipsRect(4290, 3480, 1245, 345), this);

    setTabOrder(picIcon, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    picIcon->setFocus();

    connect(picIcon, &PictureBox::Click, this, &frmAbout::picIcon_Click);
    connect(Image1, &PictureBox::Click, this, &frmAbout::Image1_Click);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmAbout::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmAbout::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmAbout::Command4_Click);
    onMouseMove(Command1, this, [this] { Command1_MouseMove(); });
    onMouseMove(Command2, this, [this] { Command2_MouseMove(); });

    Form_Load();
}

void frmAbout::Form_Load()
{
    setWindowTitle(tr("About %1").arg(applicationTitle));
    lblVersion->setText(
        tr("Version %1.%2.%3").arg(build::versionMajor).arg(build::versionMinor).arg(build::versionRevision));
    lblVersion->setAccessibleName(lblVersion->text());
    lblTitle->setText(applicationTitle);
    lblTitle->setAccessibleName(lblTitle->text());
}

void frmAbout::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* display = screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(display->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    // Opened from the keyboard, the window closes from it too, as every other small window does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmAbout::LaunchDocument(const QString& target)
{
    // A missing browser is not worth a message; the click simply does nothing.
    m_services.shell.open(target);
}

void frmAbout::picIcon_Click()
{
    LaunchDocument(QString::fromUtf8(build::homeUrl));
}

void frmAbout::Image1_Click()
{
    LaunchDocument(QString::fromUtf8(build::homeUrl));
}

void frmAbout::Command1_Click()
{
    LaunchDocument(QString::fromUtf8(build::mailingListUrl));
}

void frmAbout::Command1_MouseMove()
{
    setHoverCursor(Command1);
}

void frmAbout::Command2_Click()
{
    LaunchDocument(QString::fromUtf8(build::homeUrl));
}

void frmAbout::Command2_MouseMove()
{
    setHoverCursor(Command2);
}

void frmAbout::Command3_Click()
{
    close();
}

void frmAbout::Command4_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    const QString toolPathKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    const QString toolPathValue = QStringLiteral("PATH");
    const QString toolFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    const QString toolFolderValue = QStringLiteral("MSINFO");
    const QString toolFile = QStringLiteral("\\MSINFO32.EXE");

    try {
        QString SysInfoPath;
        // The full path is trusted as it stands; a failed start says the rest.
        bool located = GetKeyValue(Registry::localMachine, toolPathKey, toolPathValue, SysInfoPath);
        if (!located && GetKeyValue(Registry::localMachine, toolFolderKey, toolFolderValue, SysInfoPath)) {
            // This location names only the folder, so the tool has to be found in it first.
            if (m_services.launcher.isNormalFile(SysInfoPath + toolFile)) {
                SysInfoPath += toolFile;
                located = true;
            }
        }
        if (located && m_services.launcher.startDetached(SysInfoPath))
            return;
    } catch (const std::exception&) { // NOLINT(bugprone-empty-catch)
        // An unreadable registry answer means the same to the user as a missing tool.
    }
    showMessageBox(this, tr("System Information Is Unavailable At This Time"));
}

bool frmAbout::GetKeyValue(const qint32& KeyRoot, const QString& Keyname, const QString& SubKeyRef,
                           QString& KeyVal)
{
    constexpr quint32 bufferSize = 1024;
    Registry& registry = m_services.registry;

    alignas(char16_t) std::array<unsigned char, bufferSize> buffer{};
    quint32 size = 0;
    quint32 type = 0;
    bool read = false;
    // Query rights only: Windows grants no more below this root to a standard user, nor to an
    // administrator without elevation. The tool registers in the 64-bit view of a 64-bit system; an
    // older or 32-bit installer may have used the 32-bit one, which a 32-bit system alone has.
    for (const quint32 view : {Registry::view64, Registry::view32}) {
        Registry::Handle hKey = 0;
        // Closes on every way out, also after a failed open (handle 0, whose failure does not matter).
        const auto closeKey = qScopeGuard([&registry, &hKey] { registry.closeKey(hKey); });
        if (registry.openKey(KeyRoot, Keyname, 0, Registry::queryValues | view, hKey) != 0)
            continue;
        buffer.fill(0);
        size = bufferSize;
        read = registry.queryValue(hKey, SubKeyRef, type, buffer.data(), size) == 0;
        if (read)
            break;
    }
    if (!read) {
        KeyVal = QString();
        return false;
    }

    // A size with no last byte inside the buffer cannot be read at all and goes to the caller as an error.
    if (size == 0 || size > bufferSize)
        throw std::range_error("registry value size outside the buffer");

    switch (type) {
    case Registry::typeText: {
        // A text stored with its terminating zero loses it; one stored without keeps every character.
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data()), size / 2);
        if (text.endsWith(QChar(0)))
            text.chop(1);
        KeyVal = text;
        break;
    }
    case Registry::typeDword: {
        // The last reported byte is dropped when it is a zero, so a number whose top byte is zero
        // comes back one byte short. Highest byte first, two digits each. Formatting without a
        // pattern leaves a text that is not a plain number as it is, so the caller gets the "&h" form.
        const quint32 kept = buffer[size - 1] == 0 ? size - 1 : size;
        QByteArray bytes(reinterpret_cast<const char*>(buffer.data()), static_cast<qsizetype>(kept));
        std::ranges::reverse(bytes);
        KeyVal = QStringLiteral("&h") + QString::fromLatin1(bytes.toHex().toUpper());
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace corvane
