// The floor of the start-up race: the least a Qt program can do to show N small text
// windows like Pellux's notes (no menus, no store, no panel).
//
//   pellux-floor N

#include <QApplication>
#include <QPlainTextEdit>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int n = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    for (int i = 1; i <= n; ++i) {
        auto *edit = new QPlainTextEdit(QStringLiteral("Note number %1\na second line\nand a third.").arg(i));
        edit->setAttribute(Qt::WA_DeleteOnClose);
        edit->setWindowTitle(QStringLiteral("Note %1").arg(i));
        edit->setGeometry((i * 37) % 900, (i * 23) % 600, 220, 160);
        edit->show();
    }
    return app.exec();
}
