// The program on a real desktop (a virtual X server with openbox and trayer), for
// what offscreen cannot show: where the keyboard goes when a note's dialog closes,
// which window the window manager keeps above which, and what its minimise button
// and its frames do to the notes and the panel. The program runs in this process
// with its desktop prompts and screen; xdotool and xprop ask the X server what the
// user would see, and xdotool types and clicks as the user would.

#include "app/ControlPanel.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "checklists/CheckListProt.h"
#include "checklists/CheckListRows.h"
#include "features/Features.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/DesktopPlatform.h"
#include "platform/QtPrompts.h"
#include "support/DesktopSession.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace pellux;
using namespace pellux::test;

namespace {

DesktopSession *g_desktop = nullptr;
QString g_desktopError;

QByteArray noteElement(const QByteArray &type, const QByteArray &title, int left, int top, int width, int height,
                       const QByteArray &data, bool onTop = false)
{
    static int serial = 10;
    return "<note type=\"" + type + "\"><title>" + title + "</title><nid>TESTPC:01022026:101010:"
           + QByteArray::number(++serial) + "</nid><top>" + QByteArray::number(top) + "</top><left>"
           + QByteArray::number(left) + "</left><width>" + QByteArray::number(width) + "</width><height>"
           + QByteArray::number(height) + "</height><visible>True</visible><rollup>False</rollup><ontop>"
           + (onTop ? "True" : "False")
           + "</ontop><pelluxalarm><enabled>False</enabled><sound/><type>0</type><time>12:00:00 AM</time>"
             "<date>12:00:00 AM</date><dow>False,False,False,False,False,False,False</dow></pelluxalarm>"
           + data + (type == "TextNote" ? "<dynamictitle>False</dynamictitle>" : "")
           + "<font><name>DejaVu Sans</name><size>10</size><bold>False</bold><italic>False</italic>"
             "<underline>False</underline><strikethru>False</strikethru></font>"
             "<color><fore>#000000</fore><back>#FFFF00</back></color></note>";
}

QByteArray storeOf(const QByteArray &notes)
{
    return "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\">" + notes + "</notedata>\r\n";
}

/// A text note (slot 1) and a check list (slot 2) side by side.
QByteArray twoNotes()
{
    return storeOf(noteElement("TextNote", "Letter", 80, 120, 300, 200, "<data>hello world</data>")
                   + noteElement("CheckList", "Shopping", 520, 120, 300, 200,
                                 "<data><item checked=\"False\">milk</item><item checked=\"False\">eggs</item>"
                                 "</data>"));
}

unsigned long xid(const QWidget *w)
{
    return static_cast<unsigned long>(w->winId());
}

/**
 * Answers the next modal dialog as a user would: once the window manager has given
 * it the keyboard, runs \a whileUp (if any) and presses \a keys.
 */
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(const QString &keys, std::function<void(QWidget *)> whileUp = {})
        : m_keys(keys)
        , m_whileUp(std::move(whileUp))
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogAnswer::poll);
        m_timer.start(50);
    }

    bool answered() const { return m_answered; }

private:
    void poll()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (m_answered || !dialog || g_desktop->activeWindow() != xid(dialog))
            return;
        m_answered = true;
        m_timer.stop();
        if (m_whileUp)
            m_whileUp(dialog);
        g_desktop->xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), m_keys});
    }

    QTimer m_timer;
    QString m_keys;
    std::function<void(QWidget *)> m_whileUp;
    bool m_answered = false;
};

/// The program with the prompts and the screen of the desktop, on the fixture's private folders.
class DesktopProgram
{
public:
    explicit DesktopProgram(const QByteArray &store = {})
    {
        if (!store.isEmpty())
            f.writeStore(store);
        make();
    }
    ~DesktopProgram() { f.program.reset(); }

    Program &program() { return *f.program; }
    NCP &panel() { return *static_cast<NCP *>(f.program->panel()); }

    /// Start-up as Main runs it: settings, store, then the panel is shown.
    void start()
    {
        f.program->LoadSettings();
        f.program->LoadNotes();
        f.program->panel()->window()->show();
    }

    /// The program ends (nothing saved) and starts again on the same folders.
    void restart()
    {
        f.program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        make();
        start();
    }

    ProgramFixture f;

private:
    void make()
    {
        f.program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.program = std::make_unique<Program>(
            Services{m_prompts, f.clock, m_screen, f.system, &f.secrets, &f.sound, &f.notifier, &f.printers});
        InstallFeatures(*f.program);
        f.program->endProcess = [this](int code) { f.endedWith = code; };
        f.program->appPath = QCoreApplication::applicationDirPath();
        f.program->workingDirectory = f.env.workDir();
    }

    QtPrompts m_prompts;
    QtScreenMetrics m_screen;
};

/// Waits until the window manager shows \a w and gives it the keyboard.
bool activated(QWidget *w)
{
    return QTest::qWaitFor([w] { return g_desktop->activeWindow() == xid(w) && w->isActiveWindow(); }, 5000);
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!g_desktop)
            QSKIP(qPrintable(g_desktopError));
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }

    void cleanup()
    {
        // Nothing of one test's windows may stand in the next one's way.
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    // ---- the keyboard after a note's dialog ---------------------------------------------

    void focusComesBackToTheNoteAndItsCaret_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("keys");
        QTest::newRow("text note: font") << 1 << "mnuNoteFont" << "Escape";
        QTest::newRow("text note: foreground colour") << 1 << "mnuNoteFore" << "Escape";
        QTest::newRow("text note: background colour") << 1 << "mnuNoteBack" << "Escape";
        QTest::newRow("text note: retitle") << 1 << "mnuReTitle" << "Return";
        QTest::newRow("text note: read-in") << 1 << "mnuReadNoteIn" << "Escape";
        QTest::newRow("check list: row delete question") << 2 << "mnuLineDel" << "Escape";
        QTest::newRow("check list: font") << 2 << "mnuNoteFont" << "Escape";
        QTest::newRow("check list: retitle") << 2 << "mnuReTitle" << "Return";
    }
    void focusComesBackToTheNoteAndItsCaret()
    {
        QFETCH(int, slot);
        QFETCH(QString, item);
        QFETCH(QString, keys);
        DesktopProgram d(twoNotes());
        d.start();
        NoteWindow *w = d.program().note(slot);
        QVERIFY(w);
        w->ShowNote();
        QVERIFY(activated(w));

        // The caret inside the text, where the next key goes.
        QWidget *field = nullptr;
        std::function<QString()> text;
        QString expected;
        if (auto *t = qobject_cast<TextNoteProt *>(w)) {
            field = t->TxtData;
            t->TxtData->setFocus();
            QTextCursor c = t->TxtData->textCursor();
            c.setPosition(5);
            t->TxtData->setTextCursor(c);
            text = [t] { return t->text(); };
            expected = QStringLiteral("helloX world");
        } else {
            auto *list = qobject_cast<CheckListProt *>(w);
            QVERIFY(list);
            field = list->txtItem(2);
            list->txtItem(2)->setFocus();
            list->txtItem(2)->setCursorPosition(2);
            text = [list] { return list->rowText(2); };
            expected = QStringLiteral("egXgs");
        }
        QTRY_VERIFY(field->hasFocus());

        auto *action = w->findChild<QAction *>(item);
        QVERIFY(action && action->isEnabled());
        DialogAnswer answer(keys);
        action->trigger();
        QVERIFY(answer.answered());

        // The desktop gives the keyboard back to the note, the field keeps its caret,
        // and what the user types next lands there.
        QVERIFY(activated(w));
        QTRY_VERIFY(field->hasFocus());
        g_desktop->xdotool({QStringLiteral("type"), QStringLiteral("X")});
        QTRY_COMPARE(text(), expected);
    }

    // ---- dialogs above notes that are always on top --------------------------------------

    void dialogStaysAboveOnTopNotes()
    {
        // Two notes on top of everything, across the middle of the screen where dialogs open.
        DesktopProgram d(storeOf(noteElement("TextNote", "Big", 100, 150, 1000, 700, "<data>a</data>", true)
                                 + noteElement("TextNote", "Small", 400, 300, 500, 400, "<data>b</data>", true)));
        d.start();
        NoteWindow *big = d.program().note(1);
        NoteWindow *small = d.program().note(2);
        QVERIFY(big && small && big->isTopmost() && small->isTopmost());
        small->ShowNote();
        QVERIFY(activated(small));

        QList<QList<unsigned long>> orders;
        unsigned long dialogId = 0;
        DialogAnswer answer(QStringLiteral("Escape"), [&](QWidget *dialog) {
            dialogId = xid(dialog);
            orders << g_desktop->stackingOrder();
            // A click on an on-top note while the dialog is open does not bring it over the dialog.
            const QPoint corner = big->frameGeometry().topLeft() + QPoint(30, big->frameGeometry().height() - 30);
            g_desktop->xdotool({QStringLiteral("mousemove"), QString::number(corner.x()), QString::number(corner.y()),
                                QStringLiteral("click"), QStringLiteral("1")});
            QTest::qWait(300);
            orders << g_desktop->stackingOrder();
        });
        small->mnuNoteBack->trigger();
        QVERIFY(answer.answered());
        QVERIFY(dialogId);
        for (const QList<unsigned long> &order : std::as_const(orders)) {
            QVERIFY(order.contains(dialogId));
            QVERIFY2(order.indexOf(dialogId) > order.indexOf(xid(big)), "the dialog is under an on-top note");
            QVERIFY2(order.indexOf(dialogId) > order.indexOf(xid(small)), "the dialog is under its own note");
        }
    }

    // ---- minimised notes -----------------------------------------------------------------

    void showingRestoresAMinimisedNote_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("Goto Note") << "cmdGO";
        QTest::newRow("Show All Notes") << "ShowAllNotes";
        QTest::newRow("Notes To Top") << "NotesToTop";
        QTest::newRow("the tray menu's note item") << "mnuNoteList";
    }
    void showingRestoresAMinimisedNote()
    {
        QFETCH(QString, command);
        DesktopProgram d(twoNotes());
        d.start();
        NoteWindow *w = d.program().note(1);
        w->ShowNote();
        QVERIFY(activated(w));
        // The window manager's minimise, as its title-bar button does it.
        g_desktop->xdotool({QStringLiteral("windowminimize"), QString::number(xid(w))});
        QTRY_VERIFY(!g_desktop->isShown(xid(w)));
        QTRY_VERIFY(w->isMinimized());

        if (command == QLatin1String("cmdGO")) {
            d.panel().NoteList->setCurrentRow(0);
            d.panel().cmdGO->click();
        } else if (command == QLatin1String("ShowAllNotes")) {
            d.program().hub().ShowAllNotes();
        } else if (command == QLatin1String("NotesToTop")) {
            // Only the minimised note is open, so it is the one brought to the front.
            d.program().note(2)->HideNote();
            d.program().hub().NotesToTop();
        } else {
            d.panel().trayMenu().mnuNoteList(1)->trigger();
        }
        QTRY_VERIFY(g_desktop->isShown(xid(w)));
        QVERIFY(!w->isMinimized());
        QVERIFY(activated(w));
    }

    // ---- where new windows go ---------------------------------------------------------------

    void newNotesCascadeByTheTitleBar()
    {
        DesktopProgram d;
        d.start();
        d.panel().chkDynamicTitle->setChecked(true);
        // From the tray icon, twice.
        d.panel().mnuPelluxAdd();
        QTRY_VERIFY(d.program().note(1) && activated(d.program().note(1)));
        d.panel().mnuPelluxAdd();
        QTRY_VERIFY(d.program().note(2) && activated(d.program().note(2)));
        const NoteWindow *first = d.program().note(1);
        const NoteWindow *second = d.program().note(2);
        const int titleBar = first->geometry().top() - first->frameGeometry().top();
        QVERIFY(titleBar > 0);
        // The second frame starts a title bar lower and further right: the first title stays in sight.
        QTRY_COMPARE(second->frameGeometry().topLeft(), first->frameGeometry().topLeft() + QPoint(titleBar, titleBar));
    }

    void panelFrameIsOnTheScreenFromTheFirstStart()
    {
        DesktopProgram d;
        d.start();
        QWidget *panel = d.program().panel()->window();
        QTRY_VERIFY(g_desktop->isShown(xid(panel)));
        // The home position ("Top" and "Left", 100 twips) is where the frame goes, title bar and all.
        const QPoint home(100 / 15, 100 / 15);
        QTRY_COMPARE(g_desktop->frameOf(xid(panel)).topLeft(), home);
        const QRect frame = g_desktop->frameOf(xid(panel));
        QVERIFY(frame.height() > panel->height());
        // The next start, with the size the first one measured, puts it in the same place.
        d.restart();
        panel = d.program().panel()->window();
        QTRY_VERIFY(g_desktop->isShown(xid(panel)));
        QTRY_COMPARE(g_desktop->frameOf(xid(panel)), frame);
    }
};

int main(int argc, char **argv)
{
    // The desktop comes up before the application, which connects to it.
    DesktopSession desktop;
    if (!DesktopSession::missingPrograms().isEmpty()) {
        g_desktopError = QStringLiteral("no desktop to test on: ") + DesktopSession::missingPrograms().join(QStringLiteral(", "))
                         + QStringLiteral(" missing (scripts/common.sh installs them)");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else if (!desktop.start()) {
        qFatal("the test desktop did not start: %s", qPrintable(desktop.error()));
    } else {
        desktop.useInThisProcess();
        g_desktop = &desktop;
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        TestDesktop test;
        result = QTest::qExec(&test, argc, argv);
    }
    return result;
}

#include "tst_desktop.moc"
