// The real program under a real tray host (a virtual X server with openbox and
// trayer): its icon clicked with the mouse, its menu's "Exit" chosen with the mouse,
// and the process must end cleanly. In the sanitizer pass the program is the
// AddressSanitizer build, so an object freed while its own click is delivered shows
// as a report here and not as a heap corruption somebody meets later.

#include "support/DesktopSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace pellux::test;

namespace {

struct Geometry
{
    QRect rect;
    bool ok = false;
};

} // namespace

class TestTrayExit : public QObject
{
    Q_OBJECT

private:
    DesktopSession m_desktop;
    bool m_up = false;

    Geometry geometryOf(const QString &window) const
    {
        bool ok = false;
        const QString out = m_desktop.xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}, &ok);
        Geometry g;
        if (!ok)
            return g;
        QMap<QString, int> v;
        for (const QString &line : out.split(QLatin1Char('\n'))) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq > 0)
                v.insert(line.left(eq), line.mid(eq + 1).toInt());
        }
        g.rect = QRect(v.value(QStringLiteral("X")), v.value(QStringLiteral("Y")), v.value(QStringLiteral("WIDTH")),
                       v.value(QStringLiteral("HEIGHT")));
        g.ok = g.rect.isValid();
        return g;
    }

    /// The windows of process \a pid the X server shows now.
    QSet<QString> shownWindows(qint64 pid) const
    {
        const QString out = m_desktop.xdotool(
            {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
             QString::number(pid), QStringLiteral("")});
        QSet<QString> ids;
        for (const QString &id : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            ids.insert(id);
        return ids;
    }

    void clickAt(const QPoint &p, int button)
    {
        m_desktop.xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
        QTest::qWait(150);
        m_desktop.xdotool({QStringLiteral("click"), QString::number(button)});
    }

    /// The tray host's strip: the program's icon is the only one in it.
    QRect trayIcon() const
    {
        QRect widest;
        for (const QString &id : shownWindows(m_desktop.trayHostPid())) {
            const Geometry g = geometryOf(id);
            if (g.ok && g.rect.width() > widest.width())
                widest = g.rect;
        }
        return widest;
    }

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(QStringLiteral(PELLUX_BIN_DIR "/pellux")))
            QSKIP("the pellux program is not built");
        if (const QStringList missing = DesktopSession::missingPrograms(); !missing.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no desktop to test on: ") + missing.join(QStringLiteral(", "))
                             + QStringLiteral(" missing (scripts/common.sh installs them)")));
        QVERIFY2(m_desktop.start(true), qPrintable(m_desktop.error()));
        m_up = true;
    }

    void exitFromTheTrayMenuEndsCleanly_data()
    {
        QTest::addColumn<bool>("addNoteFirst");
        QTest::newRow("nothing done before") << false;
        QTest::newRow("nothing done before, again") << false;
        QTest::newRow("after a note from the tray icon") << true;
    }
    void exitFromTheTrayMenuEndsCleanly()
    {
        QFETCH(bool, addNoteFirst);
        QTemporaryDir dir;
        for (const char *d : {"config", "data", "runtime", "work"})
            QVERIFY(QDir().mkpath(dir.filePath(QLatin1String(d))));
        QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        {
            // Not a first start: no question comes before the tray icon.
            QFile conf(dir.filePath(QStringLiteral("config/PelluxNotes.conf")));
            QVERIFY(conf.open(QIODevice::WriteOnly));
            conf.write("[Settings]\nVersion=3.2  (Build 155)\nNextUpdateCheck=6/1/2099\nSystemTrayIcon=1\n");
        }
        QProcessEnvironment env = m_desktop.environment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
        const QString store = dir.filePath(QStringLiteral("data/Brackwel Systems/Pellux/Pellux.NoteData"));

        QProcess pellux;
        pellux.setProcessEnvironment(env);
        pellux.setWorkingDirectory(dir.filePath(QStringLiteral("work")));
        pellux.start(QStringLiteral(PELLUX_BIN_DIR "/pellux"), {});
        QVERIFY(pellux.waitForStarted(10000));
        // A failed check must not leave the program running.
        const auto stop = qScopeGuard([&pellux] {
            if (pellux.state() != QProcess::NotRunning) {
                pellux.kill();
                pellux.waitForFinished(10000);
            }
        });
        // Running: the channel is open once the store has loaded, and the icon is docked.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.filePath(QStringLiteral("runtime/Pellux.Control"))), 30000);
        QRect icon;
        QTRY_VERIFY_WITH_TIMEOUT((icon = trayIcon()).width() >= 16, 20000);
        // The panel's first sizing is done before the menu is wanted.
        QTest::qWait(500);

        if (addNoteFirst) {
            // A left click adds a note (titled by its text, the default), which gets the keyboard.
            clickAt(icon.center(), 1);
            QTRY_COMPARE_WITH_TIMEOUT(m_desktop.xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")}),
                                      QStringLiteral("(Blank)"), 10000);
            m_desktop.xdotool({QStringLiteral("type"), QStringLiteral("From the tray")});
            QTRY_COMPARE_WITH_TIMEOUT(m_desktop.xdotool({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")}),
                                      QStringLiteral("From the tray"), 10000);
        }

        // A right click opens the menu; "Exit" is its last item.
        const QSet<QString> before = shownWindows(pellux.processId());
        clickAt(icon.center(), 3);
        QRect menu;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const QString &id : shownWindows(pellux.processId()) - before) {
                    const Geometry g = geometryOf(id);
                    if (g.ok && g.rect.height() > 200) {
                        menu = g.rect;
                        return true;
                    }
                }
                return false;
            }(),
            10000);
        QTest::qWait(200);
        clickAt(QPoint(menu.left() + menu.width() / 2, menu.bottom() - 8), 1);

        QVERIFY2(pellux.waitForFinished(60000), "the program did not end after Exit");
        const QByteArray err = pellux.readAllStandardError();
        QCOMPARE(pellux.exitStatus(), QProcess::NormalExit);
        QVERIFY2(!err.contains("AddressSanitizer") && !err.contains("runtime error")
                     && !err.contains("malloc()") && !err.contains("LeakSanitizer"),
                 err.constData());
        QVERIFY2(pellux.exitCode() == 0, err.constData());
        // The orderly shutdown wrote the store.
        QFile written(store);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray notes = written.readAll();
        QVERIFY(notes.startsWith("<!--Pellux NoteData 4-->"));
        QVERIFY2(notes.contains("<title>From the tray</title>") == addNoteFirst, notes.constData());
    }

    void cleanupTestCase()
    {
        if (m_up)
            m_desktop.stop();
    }
};

QTEST_GUILESS_MAIN(TestTrayExit)
#include "tst_trayexit.moc"
