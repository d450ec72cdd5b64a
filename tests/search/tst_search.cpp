// "Pellux Search" over a real note table: what it shows and selects at each pause, the
// buttons' requests, protected and deleted notes, check-list rows, and the closing message.

#include "panel/PanelTestSupport.h"

#include "app/Commands.h"
#include "app/FlashMsg.h"
#include "checklists/CheckListProt.h"
#include "checklists/CheckListRows.h"
#include "notes/TextNoteProt.h"
#include "search/frmPelluxSearch.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

NoteSpec listWith(const QString &title, const QStringList &rows)
{
    NoteSpec n = checkList(title);
    n.rows.clear();
    for (const QString &r : rows)
        n.rows.append(CheckRow{false, r});
    return n;
}

/// The open search window (opened through the command hub, as the panel's button does).
frmPelluxSearch *openSearch(ProgramFixture &f)
{
    f.program->hub().run(Feature::Search);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *s = qobject_cast<frmPelluxSearch *>(w); s && s->isVisible())
            return s;
    return nullptr;
}

/// What is selected in the note in \a slot: the text note's selection, or the focused row's.
QString selectedIn(ProgramFixture &f, int slot)
{
    NoteWindow *w = f.program->note(slot);
    if (auto *t = qobject_cast<TextNoteProt *>(w))
        return t->TxtData->textCursor().selectedText();
    if (auto *c = qobject_cast<CheckListProt *>(w))
        return c->txtItem(c->CurrentItem)->selectedText();
    return {};
}

int selectionStartIn(ProgramFixture &f, int slot)
{
    auto *t = qobject_cast<TextNoteProt *>(f.program->note(slot));
    return t ? t->TxtData->textCursor().selectionStart() : -1;
}

void find(frmPelluxSearch *s, const QString &text, bool matchCase = false)
{
    s->txtSearch->setText(text);
    s->chkCase->setChecked(matchCase);
    QTest::mouseClick(s->cmdFind, Qt::LeftButton);
}

bool completed(ProgramFixture &f)
{
    return !f.prompts.asked().isEmpty() && f.prompts.last().kind == AskedPrompt::Message
           && f.prompts.last().text == QStringLiteral("Search Completed")
           && f.prompts.last().icon == MsgIcon::Information && f.prompts.last().title == QStringLiteral("Pellux");
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void windowAsLaidOut()
    {
        ProgramFixture f;
        startWith(f, {textNote("A")});
        frmPelluxSearch *s = openSearch(f);
        QVERIFY(s);
        QCOMPARE(s->windowTitle(), QStringLiteral("Pellux Search"));
        QCOMPARE(s->Label1->text(), QStringLiteral("Search For:"));
        QCOMPARE(s->chkCase->text(), QStringLiteral("Match Case"));
        QVERIFY(!s->chkCase->isChecked());
        QCOMPARE(s->Label2->text(), QStringLiteral("NOTE:  Protected notes are not included in the search."));
        QCOMPARE(s->cmdFind->text(), QStringLiteral("Find"));
        QCOMPARE(s->cmdFindNext->text(), QStringLiteral("Find Next"));
        QCOMPARE(s->cmdCancel->text(), QStringLiteral("Cancel"));
        QCOMPARE(s->cmdNextNote->text(), QStringLiteral("Next Note"));
        QVERIFY(s->cmdFind->isDefault());
        QVERIFY(!s->cmdFindNext->isEnabled());
        QVERIFY(!s->cmdNextNote->isEnabled());
        QVERIFY(s->txtSearch->text().isEmpty());
        // Lower left of the work area (the fake screen's panel takes the bottom 40 pixels).
        QCOMPARE(s->frameGeometry().left(), 0);
        QCOMPARE(s->frameGeometry().bottom() + 1, 1024 - 40);
        // A second "Search Notes" brings the same window forward.
        QCOMPARE(openSearch(f), s);
        s->close();
    }

    void matchCase_data()
    {
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("found");
        QTest::newRow("off: lower-case text finds upper-case letters") << false << true;
        QTest::newRow("on: it does not") << true << false;
    }

    void matchCase()
    {
        QFETCH(bool, matchCase);
        QFETCH(bool, found);
        ProgramFixture f;
        startWith(f, {textNote("Shop", "Buy MILK today")});
        frmPelluxSearch *s = openSearch(f);
        if (found) {
            find(s, "milk", matchCase);
            QVERIFY(s->paused());
            QCOMPARE(selectedIn(f, 1), QStringLiteral("MILK"));
            QCOMPARE(selectionStartIn(f, 1), 4);
            QVERIFY(f.prompts.asked().isEmpty());
            // Paused: the search waits, the flash is off, "Find Next" is the default.
            QVERIFY(!f.program->flash().isShown());
            QVERIFY(s->cmdFindNext->isDefault() && s->cmdFindNext->isEnabled() && s->cmdNextNote->isEnabled());
            QVERIFY(!s->cmdFind->isDefault());
            QCOMPARE(s->request(), 0);
        } else {
            f.prompts.answerMessage(MsgResult::Ok);
            find(s, "milk", matchCase);
            QVERIFY(!s->paused());
            QVERIFY(completed(f));
        }
        s->close();
    }

    void findNextAndNextNote_data()
    {
        QTest::addColumn<bool>("nextNote");
        QTest::newRow("Find Next shows the second match") << false;
        QTest::newRow("Next Note skips it") << true;
    }

    void findNextAndNextNote()
    {
        QFETCH(bool, nextNote);
        ProgramFixture f;
        startWith(f, {textNote("One", "cat and cat"), textNote("Two", "a cat")});
        frmPelluxSearch *s = openSearch(f);
        find(s, "cat");
        QCOMPARE(s->currentHit(), (SearchHit{1, 1, 0, 3}));
        QCOMPARE(selectionStartIn(f, 1), 0);
        if (nextNote) {
            QTest::mouseClick(s->cmdNextNote, Qt::LeftButton);
            QCOMPARE(s->currentHit(), (SearchHit{2, 1, 2, 3}));
            QCOMPARE(selectionStartIn(f, 2), 2);
        } else {
            QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
            QCOMPARE(s->currentHit(), (SearchHit{1, 1, 8, 3}));
            QCOMPARE(selectionStartIn(f, 1), 8);
            QCOMPARE(selectedIn(f, 1), QStringLiteral("cat"));
            QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
            QCOMPARE(s->currentHit(), (SearchHit{2, 1, 2, 3}));
        }
        QVERIFY(f.program->note(2)->isVisible());
        f.prompts.answerMessage(MsgResult::Ok);
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QVERIFY(completed(f));
        QCOMPARE(f.prompts.asked().size(), 1);
        // Back to idle.
        QVERIFY(!s->paused());
        QVERIFY(s->cmdFind->isDefault());
        QVERIFY(!s->cmdFindNext->isEnabled() && !s->cmdNextNote->isEnabled());
        QVERIFY(!f.program->flash().isShown());
        s->close();
    }

    void protectedNoteIsNeverShown()
    {
        ProgramFixture f;
        startWith(f, {textNote("Secret", "the cat code", false), textNote("Plain", "nothing here")});
        QVERIFY(f.program->note(1)->SetNotePass(QStringLiteral("pw")));
        frmPelluxSearch *s = openSearch(f);
        f.prompts.answerMessage(MsgResult::Ok);
        find(s, "cat");
        QVERIFY(!f.program->note(1)->isVisible());
        QVERIFY(completed(f));
        // No password was asked for: the note was never touched.
        QCOMPARE(f.prompts.asked().size(), 1);
        s->close();
    }

    void deletedSlotsAreSkipped()
    {
        ProgramFixture f;
        startWith(f, {textNote("Gone", "cat"), textNote("Kept", "cat")});
        f.program->hub().DelNote(1, true);
        flushDeletes();
        QVERIFY(!f.program->note(1));
        frmPelluxSearch *s = openSearch(f);
        find(s, "cat");
        QCOMPARE(s->currentHit().slot, 2);
        f.prompts.answerMessage(MsgResult::Ok);
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QVERIFY(completed(f));
        s->close();
    }

    void checkListMatchSelectsInsideTheRow()
    {
        ProgramFixture f;
        startWith(f, {listWith("Errands", {"bread", "post the parcel", "pay rent"})});
        frmPelluxSearch *s = openSearch(f);
        find(s, "PARCEL");
        auto *list = qobject_cast<CheckListProt *>(f.program->note(1));
        QVERIFY(list);
        QCOMPARE(s->currentHit(), (SearchHit{1, 2, 9, 6}));
        QCOMPARE(list->CurrentItem, 2);
        QCOMPARE(list->txtItem(2)->selectionStart(), 9);
        QCOMPARE(list->txtItem(2)->selectedText(), QStringLiteral("parcel"));
        QVERIFY(!list->txtItem(1)->hasSelectedText());
        // Past the last match of the row, the next row is searched; Next Note leaves the whole list.
        s->txtSearch->setText("p");
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QCOMPARE(s->currentHit(), (SearchHit{1, 3, 0, 1}));
        QCOMPARE(list->CurrentItem, 3);
        QCOMPARE(list->txtItem(3)->selectedText(), QStringLiteral("p"));
        f.prompts.answerMessage(MsgResult::Ok);
        QTest::mouseClick(s->cmdNextNote, Qt::LeftButton);
        QVERIFY(completed(f));
        s->close();
    }

    void editingTheTextWhilePaused()
    {
        ProgramFixture f;
        startWith(f, {textNote("One", "apple pear apple"), textNote("Two", "pear")});
        frmPelluxSearch *s = openSearch(f);
        find(s, "apple");
        QCOMPARE(s->currentHit(), (SearchHit{1, 1, 0, 5}));
        s->txtSearch->setText("pear");
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QCOMPARE(s->currentHit(), (SearchHit{1, 1, 6, 4}));
        QCOMPARE(selectedIn(f, 1), QStringLiteral("pear"));
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QCOMPARE(s->currentHit(), (SearchHit{2, 1, 0, 4}));
        s->close();
    }

    void findWhilePausedStartsAnew()
    {
        ProgramFixture f;
        startWith(f, {textNote("One", "cat"), textNote("Two", "cat")});
        frmPelluxSearch *s = openSearch(f);
        find(s, "cat");
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QCOMPARE(s->currentHit().slot, 2);
        QTest::mouseClick(s->cmdFind, Qt::LeftButton);
        // The paused search ended without a word; the new one is at the first note.
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(s->currentHit().slot, 1);
        QVERIFY(s->paused());
        s->close();
    }

    void cancelWhilePausedEndsQuietly_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel") << false;
        QTest::newRow("Esc") << true;
    }

    void cancelWhilePausedEndsQuietly()
    {
        QFETCH(bool, escape);
        ProgramFixture f;
        startWith(f, {textNote("One", "cat")});
        QPointer<frmPelluxSearch> s = openSearch(f);
        find(s, "cat");
        QVERIFY(s->paused());
        if (escape)
            QTest::keyClick(s, Qt::Key_Escape);
        else
            QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
        QVERIFY(!s || !s->isVisible());
        flushDeletes();
        QVERIFY(!s);
        QVERIFY(f.prompts.asked().isEmpty());
        QVERIFY(!f.program->flash().isShown());
    }

    void notesDeletedWhilePaused()
    {
        ProgramFixture f;
        startWith(f, {textNote("One", "cat"), textNote("Two", "cat cat")});
        frmPelluxSearch *s = openSearch(f);
        find(s, "cat");
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QCOMPARE(s->currentHit().slot, 2);
        // The note it waits in goes; the search ends instead of reaching for it.
        f.program->hub().DelNote(2, true);
        flushDeletes();
        f.prompts.answerMessage(MsgResult::Ok);
        QTest::mouseClick(s->cmdFindNext, Qt::LeftButton);
        QVERIFY(completed(f));
        s->close();
    }

    void emptyTextFindsNothing()
    {
        ProgramFixture f;
        startWith(f, {textNote("One", "cat")});
        frmPelluxSearch *s = openSearch(f);
        f.prompts.answerMessage(MsgResult::Ok);
        find(s, QString());
        QVERIFY(completed(f));
        s->close();
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
