#include "core/search/NoteSearch.h"

#include <QtTest>

#include <map>
#include <vector>

using namespace pellux;

namespace {

/// A note table in memory: slot -> fields (a text note has one field, a check list several).
struct TableSource : SearchSource
{
    struct Note
    {
        std::vector<QString> fields;
        bool isProtected = false;
    };
    std::map<int, Note> notes;     ///< a missing slot is a deleted note
    int last = 0;

    int lastSlot() const override { return last; }
    bool searchable(int slot) const override
    {
        auto it = notes.find(slot);
        return it != notes.end() && !it->second.isProtected;
    }
    int fieldCount(int slot) const override { return int(notes.at(slot).fields.size()); }
    QString fieldText(int slot, int field) const override { return notes.at(slot).fields.at(size_t(field - 1)); }

    void add(int slot, std::vector<QString> fields, bool isProtected = false)
    {
        notes[slot] = Note{std::move(fields), isProtected};
        last = std::max(last, slot);
    }
};

QList<SearchHit> allHits(NoteSearch &search, const QString &needle)
{
    QList<SearchHit> hits;
    while (auto hit = search.next(needle))
        hits.append(*hit);
    return hits;
}

} // namespace

class TestNoteSearch : public QObject
{
    Q_OBJECT

private slots:
    void findText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("at");
        QTest::newRow("case ignored: lower finds upper") << "Buy MILK today" << "milk" << 0 << false << 4;
        QTest::newRow("match case: lower misses upper") << "Buy MILK today" << "milk" << 0 << true << -1;
        QTest::newRow("match case: exact found") << "Buy MILK milk" << "milk" << 0 << true << 9;
        QTest::newRow("from skips an earlier match") << "abcabc" << "abc" << 1 << false << 3;
        QTest::newRow("overlapping match one further on") << "aaa" << "aa" << 1 << false << 1;
        QTest::newRow("from at the end") << "abc" << "c" << 3 << false << -1;
        QTest::newRow("from beyond the end (text shortened)") << "abc" << "a" << 10 << false << -1;
        QTest::newRow("empty needle matches nothing") << "abc" << "" << 0 << false << -1;
        QTest::newRow("empty text") << "" << "a" << 0 << false << -1;
        QTest::newRow("non-ASCII letters fold") << QStringLiteral("Größe ÄRGER") << QStringLiteral("ärger") << 0
                                                << false << 6;
        QTest::newRow("across a line break") << "one\ntwo" << "e\nt" << 0 << false << 2;
    }

    void findText()
    {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(int, from);
        QFETCH(bool, matchCase);
        QFETCH(int, at);
        QCOMPARE(FindText(text, needle, from, matchCase), at);
    }

    void walksSlotsFieldsAndMatchesInOrder()
    {
        TableSource table;
        table.add(1, {"a cat and a cat"});
        table.add(3, {"row one", "the cat row", "cat"});     // a check list
        table.add(4, {"no match here"});
        NoteSearch search(table, false);
        const QList<SearchHit> expected{{1, 1, 2, 3}, {1, 1, 12, 3}, {3, 2, 4, 3}, {3, 3, 0, 3}};
        QCOMPARE(allHits(search, "cat"), expected);
        QVERIFY(search.finished());
        QVERIFY(!search.next("cat"));
    }

    void deletedAndProtectedSlotsAreSkipped()
    {
        TableSource table;
        table.add(1, {"secret cat"}, true);
        table.add(3, {"visible cat"});
        table.last = 5;                                      // slots 2, 4, 5 deleted
        NoteSearch search(table, false);
        QCOMPARE(allHits(search, "cat"), (QList<SearchHit>{{3, 1, 8, 3}}));
    }

    void onlyProtectedNotesHoldTheText()
    {
        TableSource table;
        table.add(1, {"secret cat"}, true);
        table.add(2, {"dog"});
        NoteSearch search(table, false);
        QVERIFY(!search.next("cat"));
        QVERIFY(search.finished());
    }

    void skipNoteLeavesTheRestOfTheNote()
    {
        TableSource table;
        table.add(1, {"cat cat"});
        table.add(2, {"cat", "cat"});                        // a check list: skipping leaves every row
        table.add(3, {"cat"});
        NoteSearch search(table, false);
        QCOMPARE(*search.next("cat"), (SearchHit{1, 1, 0, 3}));
        search.skipNote();
        QCOMPARE(*search.next("cat"), (SearchHit{2, 1, 0, 3}));
        search.skipNote();
        QCOMPARE(*search.next("cat"), (SearchHit{3, 1, 0, 3}));
        QVERIFY(!search.next("cat"));
    }

    void newTextWhilePausedIsWhatTheNextStepLooksFor()
    {
        TableSource table;
        table.add(1, {"cat dog cat"});
        table.add(2, {"dog"});
        NoteSearch search(table, true);
        QCOMPARE(*search.next("cat"), (SearchHit{1, 1, 0, 3}));
        // From one character after the match on, with the new text.
        QCOMPARE(*search.next("dog"), (SearchHit{1, 1, 4, 3}));
        QCOMPARE(*search.next("dog"), (SearchHit{2, 1, 0, 3}));
        QVERIFY(!search.next("dog"));
    }

    void notesChangingWhilePaused()
    {
        TableSource table;
        table.add(1, {"cat", "cat"});
        table.add(2, {"cat"});
        NoteSearch search(table, false);
        QCOMPARE(*search.next("cat"), (SearchHit{1, 1, 0, 3}));
        // The rest of note 1 loses its rows, note 2 is protected, note 3 is added.
        table.notes[1].fields = {"cat"};
        table.notes[2].isProtected = true;
        table.add(3, {"new cat"});
        QCOMPARE(*search.next("cat"), (SearchHit{3, 1, 4, 3}));
        // The table shrinks below the walk (the notes were unloaded): the walk ends.
        table.notes.clear();
        table.last = 0;
        QVERIFY(!search.next("cat"));
    }
};

QTEST_GUILESS_MAIN(TestNoteSearch)
#include "tst_notesearch.moc"
