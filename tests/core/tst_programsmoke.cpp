#include "support/ProgramFixture.h"

#include <QtTest>

using namespace pellux;
using namespace pellux::test;

class TestProgramSmoke : public QObject
{
    Q_OBJECT
private slots:
    void emptyProfileWritesEmptyStore()
    {
        ProgramFixture f;
        f.start();
        QVERIFY(f.program->storeLoaded());
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), QByteArray("<!--Pellux NoteData 4-->\r\n<notedata version=\"4\"/>\r\n"));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }
};

QTEST_MAIN(TestProgramSmoke)
#include "tst_programsmoke.moc"
