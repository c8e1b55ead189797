// The yardstick for start-up time and memory: the least a Qt Widgets program does to show a
// window, here one empty window of the main window's size. With --text it also shows one line of
// text, which brings in what any window with text pays for: the font configuration and a font.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Empty"));
    window.setFixedSize(420, 340);
    if (QCoreApplication::arguments().contains(QStringLiteral("--text")))
        (new QLabel(QStringLiteral("Password Generator"), &window))->move(10, 10);
    window.show();
    return QApplication::exec();
}
