#include "frmWarn.h"

#include "Accessibility.h"
#include "PictureBox.h"
#include "UiCommon.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace corvane {

frmWarn::frmWarn(QWidget* parent) : QDialog(parent)
{
    installAccessibility();
    setObjectName(QStringLiteral("frmWarn"));
    // A tool-style dialog keeps it out of the task bar; only the close button is offered.
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(tr("Warning"));
    setFont(sansFont());
    setFixedSize(twips(4680), twips(2985));
    setAttribute(Qt::WA_DeleteOnClose);

    Image1 = new PictureBox(QStringLiteral("Image1"), PictureBox::Kind::Decoration, this);
    Image1->setGeometry(twipsRect(120, 120, 720, 720));
    Image1->setImage(QStringLiteral(":/corvane/warning.png"), QSize(48, 48));

    Label1 = makeLabel(QStringLiteral("Label1"), tr("This Message Will Show Only Once"),
                       twipsRect(960, 360, 3180, 240), this);
    Label1->setFont(sansFont(9.75));
    Label1->adjustSize();

    Label2 = makeLabel(QStringLiteral("Label2"),
                       tr("Some Websites and Programs will not allow extended characters as Passwords.  "
                          "It's advised you test the password before committing to it."),
                       twipsRect(240, 960, 4215, 615), this);
    Label2->setWordWrap(true);

    Label3 = makeLabel(QStringLiteral("Label3"),
                       tr("For example Talvery's Cellarix stores all data encrypted and since extended "
                          "characters are cryptic and not standard keyboard characters Cellarix cannot use them."),
                       twipsRect(240, 1800, 4215, 855), this);
    Label3->setWordWrap(true);

    cmdOk = new QPushButton(tr("&OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setGeometry(twipsRect(3600, 2560, 900, 350));
    cmdOk->setFocus();
    connect(cmdOk, &QPushButton::clicked, this, &frmWarn::cmdOk_Click);
}

void frmWarn::cmdOk_Click()
{
    close();
}

void frmWarn::keyPressEvent(QKeyEvent* event)
{
    // Escape must not dismiss the notice; only OK or the title bar's button do.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmWarn::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
    // Windows shows a tool window without making it active, and the main window is blocked meanwhile:
    // ticked from the keyboard, the extended box would leave the keys with nobody.
    activateWindow();
}

} // namespace corvane
