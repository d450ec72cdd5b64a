// The new-note chooser behind the panel's "&Add Note": its three buttons, Enter
// and Escape, its place on the screen, and that it is out of the way before the
// new note's own title prompt.

#include "panel/PanelTestSupport.h"

#include "panel/frmAddNote.h"
#include "app/NoteWindow.h"

#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

class TestAddNote : public QObject
{
    Q_OBJECT

private:
    static frmAddNote *openChooser(ProgramFixture &f)
    {
        NCP &p = ncp(*f.program);
        p.AddNote->click();
        auto *chooser = p.findChild<frmAddNote *>();
        if (chooser)
            QCoreApplication::processEvents();
        return chooser;
    }

private slots:
    void looks()
    {
        ProgramFixture f;
        f.start();
        frmAddNote *c = openChooser(f);
        QVERIFY(c);
        QVERIFY(c->isVisible());
        QVERIFY(!c->isModal());
        QCOMPARE(c->windowTitle(), QStringLiteral("Select A Note Type"));
        QCOMPARE(c->cmdAddNote->text(), QStringLiteral("Add A Note"));
        QCOMPARE(c->cmdAddCheckList->text(), QStringLiteral("Add A Check List"));
        QCOMPARE(c->cmdCancel->text(), QStringLiteral("Cancel"));
        QVERIFY(c->cmdAddNote->isDefault());
        QVERIFY(c->cmdAddCheckList->isEnabled());
        // Centred on the 1280 x 1024 test screen.
        QCOMPARE(c->x(), (1280 - c->width()) / 2);
        QCOMPARE(c->y(), (1024 - c->height()) / 2);
        // A second "&Add Note" brings the same chooser forward instead of a second one.
        ncp(*f.program).AddNote->click();
        QCOMPARE(ncp(*f.program).findChildren<frmAddNote *>().size(), 1);
    }

    void choices_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("prompt");     // title prompt expected; empty: none
        QTest::addColumn<QString>("type");       // type of the new note; empty: none made
        QTest::newRow("Enter") << "enter" << "What do you want for the title of this note?" << "TextNote";
        QTest::newRow("Add A Note") << "cmdAddNote" << "What do you want for the title of this note?"
                                    << "TextNote";
        QTest::newRow("Add A Check List") << "cmdAddCheckList"
                                          << "What do you want for the title of this check list?" << "CheckList";
        QTest::newRow("Escape") << "escape" << "" << "";
        QTest::newRow("Cancel") << "cmdCancel" << "" << "";
    }
    void choices()
    {
        QFETCH(QString, how);
        QFETCH(QString, prompt);
        QFETCH(QString, type);
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        p.chkDynamicTitle->setChecked(false);
        QPointer<frmAddNote> c = openChooser(f);
        QVERIFY(c);
        // Whether the chooser was still up when the new note reached the list.
        bool chooserUpAtNewNote = false;
        connect(p.NoteList->model(), &QAbstractItemModel::rowsInserted, this,
                [&] { chooserUpAtNewNote = c && c->isVisible(); });
        if (!prompt.isEmpty())
            f.prompts.answerInput(QStringLiteral("Chosen"));

        if (how == QLatin1String("enter"))
            QTest::keyClick(c.data(), Qt::Key_Return);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(c.data(), Qt::Key_Escape);
        else
            c->findChild<QPushButton *>(how)->click();

        if (prompt.isEmpty()) {
            QVERIFY(f.prompts.asked().isEmpty());
            QCOMPARE(f.program->upperBound(), 0);
            QCOMPARE(p.NoteList->count(), 0);
        } else {
            QCOMPARE(f.prompts.asked().size(), 1);
            QCOMPARE(f.prompts.last().text, prompt);
            QCOMPARE(f.program->upperBound(), 1);
            QCOMPARE(f.program->note(1)->noteType(), type);
            QCOMPARE(f.program->note(1)->Caption(), QStringLiteral("Chosen"));
            QCOMPARE(p.listEntry(1), QStringLiteral("Chosen"));
            QVERIFY(!chooserUpAtNewNote);
        }
        // Whatever the choice, the chooser is unloaded.
        flushDeletes();
        QVERIFY(c.isNull());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void cancelledTitleLeavesNothingBehind()
    {
        ProgramFixture f;
        f.start();
        ncp(*f.program).chkDynamicTitle->setChecked(false);
        QPointer<frmAddNote> c = openChooser(f);
        f.prompts.answerInput(QString());
        c->cmdAddNote->click();
        QCOMPARE(f.program->upperBound(), 0);
        flushDeletes();
        QVERIFY(c.isNull());
        // The next "&Add Note" opens a fresh chooser.
        QVERIFY(openChooser(f));
    }
};

QTEST_MAIN(TestAddNote)
#include "tst_addnote.moc"
