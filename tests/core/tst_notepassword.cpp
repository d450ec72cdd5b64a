// The note password's hash: exact verification, a salt per hash, and the check that
// tells a hash from anything else without hashing.
#include "core/NotePassword.h"

#include <QtTest>

using namespace pellux;

class TestNotePassword : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_hash = HashNotePassword(QStringLiteral("Secret 12"));
        QVERIFY(!m_hash.isEmpty());
    }

    void verifiesExactly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        QTest::newRow("as set") << "Secret 12" << true;
        QTest::newRow("other case") << "secret 12" << false;
        QTest::newRow("all upper case") << "SECRET 12" << false;
        QTest::newRow("trailing blank") << "Secret 12 " << false;
        QTest::newRow("one character short") << "Secret 1" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("the hash itself") << QString() << false;
    }

    void verifiesExactly()
    {
        QFETCH(QString, typed);
        QFETCH(bool, matches);
        if (QByteArray(QTest::currentDataTag()) == "the hash itself")
            typed = m_hash;
        QCOMPARE(VerifyNotePassword(m_hash, typed), matches);
    }

    void everyCharacterCounts_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("near");
        QTest::newRow("accents") << QStringLiteral("caf\u00e9") << QStringLiteral("cafe");
        QTest::newRow("composed and decomposed") << QStringLiteral("caf\u00e9") << QStringLiteral("cafe\u0301");
        QTest::newRow("emoji") << QStringLiteral("\U0001F600key") << QStringLiteral("\U0001F601key");
        QTest::newRow("the cancel marker's look") << QStringLiteral("-1abort") << QStringLiteral("-1Abort");
    }

    void everyCharacterCounts()
    {
        QFETCH(QString, password);
        QFETCH(QString, near);
        const QString hash = HashNotePassword(password);
        QVERIFY(VerifyNotePassword(hash, password));
        QVERIFY(!VerifyNotePassword(hash, near));
    }

    void eachHashHasItsOwnSaltAndHoldsNoPassword()
    {
        const QString again = HashNotePassword(QStringLiteral("Secret 12"));
        QVERIFY(again != m_hash);
        QVERIFY(VerifyNotePassword(again, QStringLiteral("Secret 12")));
        QVERIFY(m_hash.startsWith(QLatin1String("$argon2id$")));
        QVERIFY(!m_hash.contains(QLatin1String("Secret"), Qt::CaseInsensitive));
        QVERIFY(HashNotePassword(QString()).isEmpty());
    }

    void tellsAHashFromOtherText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isHash");
        QTest::newRow("a hash") << QString() << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("a clear password") << "Secret 12" << false;
        QTest::newRow("Argon2i, not Argon2id")
            << "$argon2i$v=19$m=32768,t=4,p=1$c2FsdHNhbHRzYWx0c2FsdA$aGFzaGhhc2hoYXNoaGFzaGhhc2hoYXNoaGFzaGhhc2g" << false;
        QTest::newRow("no parameters") << "$argon2id$v=19$c2FsdHNhbHRzYWx0c2FsdA$aGFzaGhhc2g" << false;
        QTest::newRow("truncated") << QStringLiteral("cut") << false;
        QTest::newRow("with a blank") << QStringLiteral("blank") << false;
        QTest::newRow("far too long") << QStringLiteral("long") << false;
    }

    void tellsAHashFromOtherText()
    {
        QFETCH(QString, text);
        QFETCH(bool, isHash);
        const QByteArray tag = QTest::currentDataTag();
        if (tag == "a hash")
            text = m_hash;
        else if (tag == "truncated")
            text = m_hash.left(m_hash.lastIndexOf(QLatin1Char('$')));
        else if (tag == "with a blank")
            text = m_hash + QLatin1Char(' ');
        else if (tag == "far too long")
            text = m_hash + QString(200, QLatin1Char('A'));
        QCOMPARE(IsNotePasswordHash(text), isHash);
        // A text that is no hash never lets a password through.
        if (!isHash)
            QVERIFY(!VerifyNotePassword(text, QStringLiteral("Secret 12")));
    }

private:
    QString m_hash;
};

QTEST_GUILESS_MAIN(TestNotePassword)
#include "tst_notepassword.moc"
