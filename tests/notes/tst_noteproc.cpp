// The text-note procedures: new notes, rebuilding from records and store elements,
// retitling, the style pickers (on a note and on the panel's sample), resetting all
// notes, and reading a file into a note.
#include "core/NoteRecord.h"
#include "core/TextRules.h"
#include "core/notefile/NoteFile.h"
#include "app/FlashMsg.h"
#include "app/Program.h"
#include "notes/NoteProc.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDomDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

/// A note of neither kind in a slot: it records what the flash said when it was restyled.
class ProbeNote : public NoteWindow
{
public:
    explicit ProbeNote(Program &program) : NoteWindow(program) {}
    void UpdateSettings() override
    {
        ++restyled;
        flashText = program().flash().isShown() ? program().flash().text() : QString();
    }
    void NoteUnroll() override {}
    void NoteRoll() override {}
    void CheckClipboard() override {}
    void UpdateMenus() override {}
    void setNoteStyle(const NoteStyle &) override {}
    void fillStoredData(StoredNote &) const override {}

    int restyled = 0;
    QString flashText;
};

const QString kTitlePrompt = QStringLiteral("What do you want for the title of this note?");

TextNoteProt *textNote(ProgramFixture &f, int slot)
{
    return qobject_cast<TextNoteProt *>(f.program->note(slot));
}

/// A note with a typed title, the dynamic-title default off.
TextNoteProt *addNote(ProgramFixture &f, const QString &title)
{
    ncp(*f.program).chkDynamicTitle->setChecked(false);
    f.prompts.answerInput(title);
    QString t;
    if (!NoteProc::NewTextNote(*f.program, t))
        return nullptr;
    return textNote(f, f.program->upperBound());
}

QStringList listEntries(ProgramFixture &f)
{
    QStringList out;
    for (int i = 0; i < ncp(*f.program).NoteList->count(); ++i)
        out << ncp(*f.program).NoteList->item(i)->text();
    return out;
}

QString storedSetting(const QString &key)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
    return s.value(key).toString();
}

NoteStyle oddStyle()
{
    NoteStyle s;
    s.fontName = QStringLiteral("DejaVu Serif");
    s.fontSize = 13.5f;
    s.bold = true;
    s.underline = true;
    s.foreColor = 0x00332211;
    s.backColor = 0x00CCBBAA;
    return s;
}

} // namespace

class TestNoteProc : public QObject
{
    Q_OBJECT

private slots:
    // ---- NewTextNote -----------------------------------------------------------------

    void newTextNote_data()
    {
        QTest::addColumn<bool>("dynamicDefault");
        QTest::addColumn<QString>("titleIn");
        QTest::addColumn<QString>("answer");     // empty: the prompt is cancelled
        QTest::addColumn<bool>("asks");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("titleOut");   // empty: no note is made

        QTest::newRow("typed title") << false << QString() << QStringLiteral("Groceries") << true
                                     << QStringLiteral("Note 1") << QStringLiteral("Groceries");
        QTest::newRow("preset kept") << false << QString() << QStringLiteral("Note 1") << true
                                     << QStringLiteral("Note 1") << QStringLiteral("Note 1");
        QTest::newRow("title passed in is offered") << false << QStringLiteral("From File") << QStringLiteral("From File")
                                                    << true << QStringLiteral("From File")
                                                    << QStringLiteral("From File");
        QTest::newRow("cancelled") << false << QString() << QString() << true << QStringLiteral("Note 1") << QString();
        QTest::newRow("dynamic title default") << true << QString() << QString() << false << QString()
                                               << QStringLiteral("(Blank)");
        QTest::newRow("dynamic title default ignores a title") << true << QStringLiteral("From File") << QString()
                                                               << false << QString() << QStringLiteral("(Blank)");
    }

    void newTextNote()
    {
        QFETCH(bool, dynamicDefault);
        QFETCH(QString, titleIn);
        QFETCH(QString, answer);
        QFETCH(bool, asks);
        QFETCH(QString, offered);
        QFETCH(QString, titleOut);

        ProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.chkDynamicTitle->setChecked(dynamicDefault);
        if (asks)
            f.prompts.answerInput(answer);

        QString title = titleIn;
        const bool made = NoteProc::NewTextNote(*f.program, title);

        QVERIFY(f.prompts.unexpected().isEmpty());
        QVERIFY(!f.program->modal().active());
        if (asks) {
            QCOMPARE(f.prompts.asked().size(), 1);
            const AskedPrompt &p = f.prompts.last();
            QCOMPARE(p.kind, AskedPrompt::Input);
            QCOMPARE(p.text, kTitlePrompt);
            QCOMPARE(p.title, QStringLiteral("Note Title"));
            QCOMPARE(p.defaultText, offered);
        } else {
            QVERIFY(f.prompts.asked().isEmpty());
        }

        if (titleOut.isEmpty()) {
            QVERIFY(!made);
            QCOMPARE(f.program->upperBound(), 0);
            QCOMPARE((f.program->notes().upperBound() + 1), 1);
            QCOMPARE(panel.NoteList->count(), 0);
            QCOMPARE(trayMenu(*f.program).mnuNoteList(1), nullptr);
            return;
        }
        QVERIFY(made);
        QCOMPARE(title, titleOut);
        QCOMPARE(f.program->upperBound(), 1);
        TextNoteProt *w = textNote(f, 1);
        QVERIFY(w);
        QCOMPARE(w->NoteNum, qint16(1));
        QCOMPARE(w->Caption(), titleOut);
        QCOMPARE(w->noteType(), QStringLiteral("TextNote"));
        QCOMPARE(w->NoteGUID(), QStringLiteral("TESTPC:10122026:103015:25"));
        QVERIFY(w->isVisible());
        QCOMPARE(listEntries(f), QStringList({titleOut}));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), titleOut);
        QCOMPARE(w->mnuDynamicTitle->isChecked(), dynamicDefault);
        QCOMPARE(w->mnuReTitle->isEnabled(), !dynamicDefault);
        QCOMPARE(w->noteStyle(), panel.sampleStyle());
        QVERIFY(w->text().isEmpty());
        QVERIFY(!w->mnuUndo->isEnabled());

        // With the dynamic title the title then follows the text.
        w->TxtData->insertPlainText(QStringLiteral("milk\neggs"));
        QCOMPARE(w->Caption(), dynamicDefault ? QStringLiteral("milk...") : titleOut);
        QCOMPARE(panel.listEntry(1), dynamicDefault ? QStringLiteral("milk...") : titleOut);
    }

    void newTextNoteOffersTheNextNumber()
    {
        ProgramFixture f;
        f.start();
        QVERIFY(addNote(f, QStringLiteral("First")));
        QVERIFY(addNote(f, QStringLiteral("Second")));
        // A deleted slot still counts: the table keeps it until the next load.
        f.program->hub().DelNote(2, true);
        f.prompts.clear();
        f.prompts.answerInput(QString());
        QString title;
        QVERIFY(!NoteProc::NewTextNote(*f.program, title));
        QCOMPARE(f.prompts.last().defaultText, QStringLiteral("Note 3"));
        QCOMPARE(f.program->upperBound(), 2);
        QCOMPARE(ncp(*f.program).NoteList->count(), 2);
    }

    // New notes, of either kind, step a title bar down and right from the last new one.
    void newNotesCascade()
    {
        ProgramFixture f;
        f.screen.availablePx = QRect(0, 24, 1280, 1000);   // a dock along the top
        f.screen.titleBarPx = 22;
        f.start();
        ncp(*f.program).chkDynamicTitle->setChecked(true);
        QString title;
        QVERIFY(f.program->hub().NewNote(NoteKind::TextNote, title));
        const QPoint first = f.program->note(1)->pos();
        // The first keeps the place a note window takes when it loads: the screen's middle.
        QCOMPARE(first.x(), (1280 * 15 - 2535) / 2 / 15);
        f.prompts.answerInput(QStringLiteral("List"));
        QVERIFY(f.program->hub().NewNote(NoteKind::CheckList, title));
        QVERIFY(f.program->hub().NewNote(NoteKind::TextNote, title));
        QCOMPARE(f.program->note(2)->pos(), first + QPoint(22, 22));
        QCOMPARE(f.program->note(3)->pos(), first + QPoint(44, 44));

        // A note that would leave the available area starts again at its top left.
        QPoint last = f.program->note(3)->pos();
        int slot = 3;
        while (last.y() + 2 * 22 + f.program->note(slot)->height() <= 1024) {
            QVERIFY(f.program->hub().NewNote(NoteKind::TextNote, title));
            ++slot;
            QCOMPARE(f.program->note(slot)->pos(), last + QPoint(22, 22));
            last = f.program->note(slot)->pos();
        }
        QVERIFY(f.program->hub().NewNote(NoteKind::TextNote, title));
        QCOMPARE(f.program->note(slot + 1)->pos(), QPoint(0, 24));
        QVERIFY(f.program->hub().NewNote(NoteKind::TextNote, title));
        QCOMPARE(f.program->note(slot + 2)->pos(), QPoint(22, 46));

        // A note read from the store keeps its own place and does not move the cascade.
        QVERIFY(f.program->SaveNotes());
        f.restart();
        const QPoint kept = f.program->note(2)->pos();
        QCOMPARE(kept, first + QPoint(22, 22));
        ncp(*f.program).chkDynamicTitle->setChecked(true);
        QVERIFY(f.program->hub().NewNote(NoteKind::TextNote, title));
        QCOMPARE(f.program->note(f.program->upperBound())->pos(), first);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void newTextNoteTakesThePanelDefaults_data()
    {
        QTest::addColumn<bool>("onTop");
        QTest::addColumn<bool>("rollUp");
        QTest::newRow("neither") << false << false;
        QTest::newRow("on top") << true << false;
        QTest::newRow("roll up") << false << true;
        QTest::newRow("both") << true << true;
    }

    void newTextNoteTakesThePanelDefaults()
    {
        QFETCH(bool, onTop);
        QFETCH(bool, rollUp);

        ProgramFixture f;
        f.start();
        NoteStyle sample = oddStyle();
        ncp(*f.program).setSampleStyle(sample);
        ncp(*f.program).chkAlwaysOnTop->setChecked(onTop);
        ncp(*f.program).chkRollup->setChecked(rollUp);
        TextNoteProt *w = addNote(f, QStringLiteral("Defaults"));
        QVERIFY(w);
        QCOMPARE(w->mnuOnTop->isChecked(), onTop);
        // A ticked "Always On Top" is a window on top from the start, at its load place and size.
        QCOMPARE(w->isTopmost(), onTop);
        QCOMPARE(w->Width(), 3000);
        QCOMPARE(w->Left(), (1280 * 15 - 2535) / 2 / 15 * 15);
        QVERIFY(w->Top() > 0);
        QCOMPARE(w->mnuRollUp->isChecked(), rollUp);
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->noteStyle(), sample);
        QCOMPARE(w->TxtData->font().family(), QStringLiteral("DejaVu Serif"));
        QVERIFY(w->TxtData->font().bold());
        QVERIFY(w->TxtData->font().underline());
        QCOMPARE(w->TxtData->palette().color(QPalette::Text), QColor(0x11, 0x22, 0x33));
        QCOMPARE(w->TxtData->palette().color(QPalette::Base), QColor(0xAA, 0xBB, 0xCC));
    }

    void notesMadeInTheSameInstantGetTheirOwnIdentifiers()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *a = addNote(f, QStringLiteral("A"));
        TextNoteProt *b = addNote(f, QStringLiteral("B"));
        QVERIFY(a && b);
        QVERIFY(!b->NoteGUID().isEmpty());
        QVERIFY(a->NoteGUID() != b->NoteGUID());
        QCOMPARE(f.program->FindNoteByGUID(b->NoteGUID()), qint16(2));
    }

    // ---- RetitleTextNote ---------------------------------------------------------------

    void retitle_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("title");
        QTest::newRow("new title") << QStringLiteral("Tom & Jerry") << QStringLiteral("Tom & Jerry");
        QTest::newRow("cancelled keeps the title") << QString() << QStringLiteral("Old");
    }

    void retitle()
    {
        QFETCH(QString, answer);
        QFETCH(QString, title);

        ProgramFixture f;
        f.start();
        QVERIFY(addNote(f, QStringLiteral("Other")));
        TextNoteProt *w = addNote(f, QStringLiteral("Old"));
        f.prompts.clear();
        f.prompts.answerInput(answer);
        NoteProc::RetitleTextNote(*f.program, 2);

        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, QStringLiteral("What do you want for the new title?"));
        QCOMPARE(f.prompts.last().title, QStringLiteral("Note Title"));
        QCOMPARE(f.prompts.last().defaultText, QStringLiteral("Old"));
        QCOMPARE(w->Caption(), title);
        QCOMPARE(listEntries(f), QStringList({QStringLiteral("Other"), title}));
        QString menuText = title;
        menuText.replace(QLatin1Char('&'), QLatin1String("&&"));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(2)->text(), menuText);
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), QStringLiteral("Other"));
    }

    // ---- colours and font --------------------------------------------------------------

    void colorPickers_data()
    {
        QTest::addColumn<bool>("fore");
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("text colour of a note") << true << 1 << false;
        QTest::newRow("background of a note") << false << 1 << false;
        QTest::newRow("text colour of the sample") << true << 0 << false;
        QTest::newRow("background of the sample") << false << 0 << false;
        QTest::newRow("cancelled on a note") << true << 1 << true;
        QTest::newRow("cancelled on the sample") << false << 0 << true;
    }

    void colorPickers()
    {
        QFETCH(bool, fore);
        QFETCH(int, slot);
        QFETCH(bool, cancel);

        ProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        NoteStyle sample = oddStyle();
        panel.setSampleStyle(sample);
        TextNoteProt *w = addNote(f, QStringLiteral("Styled"));
        NoteStyle noteStyle = oddStyle();
        noteStyle.foreColor = 0x00010203;
        noteStyle.backColor = 0x00A0B0C0;
        w->setNoteStyle(noteStyle);
        const QString foreSetting = storedSetting(QStringLiteral("Colors/Fore"));
        const QString backSetting = storedSetting(QStringLiteral("Colors/Back"));

        f.prompts.clear();
        f.prompts.answerColor(cancel ? std::nullopt : std::optional<QColor>(QColor(0x12, 0x34, 0x56)));
        if (fore)
            NoteProc::PickTextColor(*f.program, slot);
        else
            NoteProc::PickBackColor(*f.program, slot);

        QVERIFY(f.prompts.unexpected().isEmpty());
        QCOMPARE(f.prompts.asked().size(), 1);
        const NoteStyle &target = slot == 0 ? sample : noteStyle;
        QCOMPARE(f.prompts.last().initialColor, toQColor(fore ? target.foreColor : target.backColor));

        NoteStyle expected = target;
        if (!cancel)
            (fore ? expected.foreColor : expected.backColor) = 0x00563412;
        if (slot == 0) {
            QCOMPARE(panel.sampleStyle(), expected);
            QCOMPARE(w->noteStyle(), noteStyle);       // no note changes with the sample
            QCOMPARE(storedSetting(QStringLiteral("Colors/Fore")), QString::number(expected.foreColor));
            QCOMPARE(storedSetting(QStringLiteral("Colors/Back")), QString::number(expected.backColor));
        } else {
            QCOMPARE(w->noteStyle(), expected);
            QCOMPARE(w->TxtData->palette().color(fore ? QPalette::Text : QPalette::Base),
                     toQColor(fore ? expected.foreColor : expected.backColor));
            QCOMPARE(panel.sampleStyle(), sample);
            QCOMPARE(storedSetting(QStringLiteral("Colors/Fore")), foreSetting);
            QCOMPARE(storedSetting(QStringLiteral("Colors/Back")), backSetting);
        }
    }

    void cancelledColorKeepsASystemColor()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = addNote(f, QStringLiteral("System"));
        NoteStyle s = w->noteStyle();
        s.foreColor = SystemWindowText;
        w->setNoteStyle(s);
        f.prompts.answerColor(std::nullopt);
        NoteProc::PickTextColor(*f.program, 1);
        QCOMPARE(w->noteStyle().foreColor, SystemWindowText);
    }

    void fontPicker_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("note") << 1 << false;
        QTest::newRow("sample") << 0 << false;
        QTest::newRow("note cancelled") << 1 << true;
        QTest::newRow("sample cancelled") << 0 << true;
    }

    void fontPicker()
    {
        QFETCH(int, slot);
        QFETCH(bool, cancel);

        ProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        const NoteStyle sample = oddStyle();
        panel.setSampleStyle(sample);
        panel.UpdateSample();
        TextNoteProt *w = addNote(f, QStringLiteral("Styled"));
        NoteStyle noteStyle;
        noteStyle.fontName = QStringLiteral("DejaVu Sans Mono");
        noteStyle.fontSize = 9.75f;
        noteStyle.italic = true;
        noteStyle.strikethru = true;
        noteStyle.foreColor = 0x00102030;
        noteStyle.backColor = 0x0000FFFF;
        w->setNoteStyle(noteStyle);
        const QString sampleText = panel.NoteSample->text();
        const QString fontSetting = storedSetting(QStringLiteral("Font/Name"));

        NoteStyle chosen;
        chosen.fontName = QStringLiteral("DejaVu Serif");
        chosen.fontSize = 16.5f;
        chosen.bold = true;
        chosen.italic = false;
        chosen.underline = true;
        chosen.strikethru = false;
        chosen.foreColor = fromQColor(QColor(0x40, 0x50, 0x60));
        f.prompts.clear();
        f.prompts.answerFont(cancel ? std::nullopt : std::optional<NoteStyle>(chosen));
        NoteProc::PickNoteFont(*f.program, slot);

        QVERIFY(f.prompts.unexpected().isEmpty());
        const NoteStyle target = slot == 0 ? sample : noteStyle;
        const NoteStyle &offered = f.prompts.last().initialFont;
        QCOMPARE(offered.fontName, target.fontName);
        QCOMPARE(offered.fontSize, target.fontSize);
        QCOMPARE(offered.bold, target.bold);
        QCOMPARE(offered.italic, target.italic);
        QCOMPARE(offered.underline, target.underline);
        QCOMPARE(offered.strikethru, target.strikethru);
        QCOMPARE(toQColor(offered.foreColor), toQColor(target.foreColor));

        NoteStyle expected = target;
        if (!cancel) {
            expected.fontName = chosen.fontName;
            expected.fontSize = chosen.fontSize;
            expected.bold = true;
            expected.italic = false;
            expected.underline = true;
            expected.strikethru = false;
            expected.foreColor = 0x00605040;
        }
        if (slot == 0) {
            QCOMPARE(panel.sampleStyle(), expected);
            QCOMPARE(w->noteStyle(), noteStyle);
            QCOMPARE(storedSetting(QStringLiteral("Font/Name")), expected.fontName);
            QCOMPARE(storedSetting(QStringLiteral("Font/Size")), PointSizeText(expected.fontSize));
            if (!cancel)
                QVERIFY(panel.NoteSample->text().startsWith(QStringLiteral("DejaVu Serif 16.5 Points Bold Underline")));
        } else {
            QCOMPARE(w->noteStyle(), expected);
            QCOMPARE(w->TxtData->font().family(), expected.fontName);
            QCOMPARE(w->TxtData->font().strikeOut(), expected.strikethru);
            QCOMPARE(panel.sampleStyle(), sample);
            QCOMPARE(panel.NoteSample->text(), sampleText);
            QCOMPARE(storedSetting(QStringLiteral("Font/Name")), fontSetting);
        }
    }

    void pickersLeaveOtherKindsAndEmptySlotsAlone()
    {
        ProgramFixture f;
        f.start();
        QVERIFY(addNote(f, QStringLiteral("Gone")));
        f.program->hub().DelNote(1, true);
        f.prompts.clear();
        NoteProc::PickTextColor(*f.program, 1);
        NoteProc::PickBackColor(*f.program, 1);
        NoteProc::PickNoteFont(*f.program, 1);
        NoteProc::RetitleTextNote(*f.program, 1);
        NoteProc::PickNoteFont(*f.program, 7);
        QVERIFY(f.prompts.asked().isEmpty());
    }

    // ---- ResetNoteStyles -----------------------------------------------------------------

    void resetNoteStylesSkipsDeletedSlots()
    {
        ProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        TextNoteProt *a = addNote(f, QStringLiteral("A"));
        TextNoteProt *b = addNote(f, QStringLiteral("B"));
        TextNoteProt *c = addNote(f, QStringLiteral("C"));
        QVERIFY(a && b && c);
        NoteStyle own;
        own.fontName = QStringLiteral("DejaVu Sans Mono");
        own.fontSize = 20;
        own.backColor = 0x00FF00FF;
        a->setNoteStyle(own);
        c->setNoteStyle(own);
        f.program->hub().DelNote(2, true);
        QCOMPARE(f.program->note(2), nullptr);

        auto *probe = new ProbeNote(*f.program);
        f.program->placeNote(f.program->growNotes(), probe);

        const NoteStyle sample = oddStyle();
        panel.setSampleStyle(sample);
        f.program->hub().ResetNoteStyles();
        QCOMPARE(a->noteStyle(), sample);
        QCOMPARE(c->noteStyle(), sample);
        QCOMPARE(probe->restyled, 1);
        QCOMPARE(probe->flashText, QStringLiteral("Updating Notes"));
        QCOMPARE(c->TxtData->palette().color(QPalette::Base), toQColor(sample.backColor));
        QVERIFY(!f.program->flash().isShown());
    }

    void resetNoteStylesWithOneNoteOrNone()
    {
        ProgramFixture f;
        f.start();
        f.program->hub().ResetNoteStyles();
        QVERIFY(!f.program->flash().isShown());

        TextNoteProt *only = addNote(f, QStringLiteral("Only"));
        only->setNoteStyle(NoteStyle{});
        const NoteStyle sample = oddStyle();
        ncp(*f.program).setSampleStyle(sample);
        f.program->hub().ResetNoteStyles();
        QCOMPARE(only->noteStyle(), sample);
    }

    // ---- records and store elements -------------------------------------------------------

    void fromRecordAndBack()
    {
        ProgramFixture f;
        f.start();
        TextNoteRecord r;
        r.style.fontName = QStringLiteral("DejaVu Sans");
        r.style.fontSize = 11.25f;
        r.style.bold = true;
        r.style.italic = true;
        r.style.underline = false;
        r.style.strikethru = true;
        r.style.foreColor = 0x00224466;
        r.style.backColor = 0x00F0E0D0;
        r.onTop = true;
        r.rollUp = true;
        r.dynamicTitle = true;
        r.text = QStringLiteral("  indented\r\nsecond line      ");

        f.program->growNotes();
        TextNoteProt *w = NoteProc::TextNoteFromRecord(*f.program, r, 1, QStringLiteral("Stored"));
        QVERIFY(w);
        QCOMPARE(f.program->note(1), w);
        QCOMPARE(w->NoteNum, qint16(1));
        QCOMPARE(w->text(), QStringLiteral("  indented\r\nsecond line"));
        QVERIFY(w->mnuOnTop->isChecked());
        QVERIFY(w->isTopmost());
        QVERIFY(w->mnuRollUp->isChecked());
        QVERIFY(!w->NoteRolled);
        QVERIFY(w->mnuDynamicTitle->isChecked());
        QVERIFY(!w->mnuReTitle->isEnabled());
        QCOMPARE(w->Caption(), QStringLiteral("  indented..."));
        QCOMPARE(ncp(*f.program).listEntry(1), QStringLiteral("  indented..."));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), QStringLiteral("  indented..."));
        QVERIFY(!w->mnuUndo->isEnabled());

        TextNoteRecord back = NoteProc::TextNoteToRecord(*f.program, 1);
        TextNoteRecord expected = r;
        expected.text = QStringLiteral("  indented\r\nsecond line");
        QCOMPARE(back, expected);
    }

    void fromRecordWithoutDynamicTitleKeepsTheTitle()
    {
        ProgramFixture f;
        f.start();
        TextNoteRecord r;
        r.text = QStringLiteral("body");
        f.program->growNotes();
        TextNoteProt *w = NoteProc::TextNoteFromRecord(*f.program, r, 1, QStringLiteral("Kept"));
        QCOMPARE(w->Caption(), QStringLiteral("Kept"));
        QVERIFY(w->mnuReTitle->isEnabled());
        QVERIFY(!w->isTopmost());
        QVERIFY(!w->mnuRollUp->isChecked());
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), QStringLiteral("Kept"));
    }

    void fromXmlElement()
    {
        ProgramFixture f;
        f.start();
        QDomDocument doc;
        QVERIFY(doc.setContent(QByteArray(
            "<note type=\"TextNote\"><title>From &amp; XML</title><nid>X:01012026:000000:00</nid>"
            "<top>10</top><left>20</left><width>300</width><height>200</height><visible>False</visible>"
            "<rollup>True</rollup><ontop>True</ontop><data>line one\r\nline two\nline three</data>"
            "<dynamictitle>False</dynamictitle>"
            "<font><name>DejaVu Sans</name><size>12</size><bold>False</bold><italic>True</italic>"
            "<underline>True</underline><strikethru>False</strikethru></font>"
            "<color><fore>#102030</fore><back>#FFEEDD</back></color></note>")));
        f.program->growNotes();
        TextNoteProt *w = NoteProc::TextNoteFromXml(*f.program, doc.documentElement(), 1);
        QVERIFY(w);
        QCOMPARE(w->NoteNum, qint16(1));
        QCOMPARE(w->Caption(), QStringLiteral("From & XML"));
        QCOMPARE(w->text(), QStringLiteral("line one\r\nline two\r\nline three"));
        QVERIFY(w->mnuOnTop->isChecked());
        QVERIFY(w->isTopmost());
        QVERIFY(w->mnuRollUp->isChecked());
        QVERIFY(!w->mnuDynamicTitle->isChecked());
        QVERIFY(w->mnuReTitle->isEnabled());
        QCOMPARE(w->noteStyle().foreColor, 0x00302010);
        QCOMPARE(w->noteStyle().backColor, 0x00DDEEFF);
        QCOMPARE(w->noteStyle().fontSize, 12.0f);
        QVERIFY(w->noteStyle().italic);
        QVERIFY(w->noteStyle().underline);
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), QStringLiteral("From && XML"));
        // The element's font and colour come back out through the window's own writers.
        w->GenColorXML();
        QCOMPARE(f.program->XmlFragment.firstChildElement(QStringLiteral("fore")).text(), QStringLiteral("#102030"));
        QCOMPARE(f.program->XmlFragment.firstChildElement(QStringLiteral("back")).text(), QStringLiteral("#FFEEDD"));
        w->GenFontXML();
        QCOMPARE(f.program->XmlFragment.tagName(), QStringLiteral("font"));
        QCOMPARE(f.program->XmlFragment.firstChildElement(QStringLiteral("name")).text(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(f.program->XmlFragment.firstChildElement(QStringLiteral("italic")).text(), QStringLiteral("True"));
    }

    void textKeepsEveryCharacter()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = addNote(f, QStringLiteral("Raw"));
        // A non-breaking space, a line separator, a tab, markup and a character outside the BMP.
        const QString text = QStringLiteral("a\u00A0b\u2028c\td <&> 😀\r\n\r\nend ");
        w->setText(text);
        QCOMPARE(w->text(), text);
        QCOMPARE(NoteProc::TextNoteToRecord(*f.program, 1).text, text);
    }

    // ---- ReadIntoTextNote ------------------------------------------------------------------

    void readIn_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("noteText");
        QTest::addColumn<QString>("fileName");       // inside the test's folder
        QTest::addColumn<int>("confirm");            // -1 no question, else the answer (MsgResult)
        QTest::addColumn<QString>("error");          // the message shown, "%1" = the path
        QTest::addColumn<QString>("result");

        const QString bigger = QStringLiteral("ERROR:  \"%1\" is bigger than 32k.  Cannot Read Into A Note!");
        QTest::newRow("into an empty note") << QByteArray("hello\nworld") << QString() << QStringLiteral("a.txt") << -1
                                            << QString() << QStringLiteral("hello\r\nworld");
        QTest::newRow("windows line breaks") << QByteArray("one\r\ntwo\r\n") << QString() << QStringLiteral("a.txt")
                                             << -1 << QString() << QStringLiteral("one\r\ntwo\r\n");
        QTest::newRow("over text, yes") << QByteArray("new") << QStringLiteral("old") << QStringLiteral("a.txt")
                                        << int(MsgResult::Yes) << QString() << QStringLiteral("new");
        QTest::newRow("over text, no") << QByteArray("new") << QStringLiteral("old") << QStringLiteral("a.txt")
                                       << int(MsgResult::No) << QString() << QStringLiteral("old");
        QTest::newRow("exactly 32k") << QByteArray(32768, 'k') << QString() << QStringLiteral("big.txt") << -1
                                     << QString() << QString(32768, QLatin1Char('k'));
        QTest::newRow("one byte over") << QByteArray(32769, 'k') << QStringLiteral("kept")
                                       << QStringLiteral("big.txt") << int(MsgResult::Yes) << bigger
                                       << QStringLiteral("kept");
        QTest::newRow("UTF-8 text") << QByteArray("Grüße 日本") << QString() << QStringLiteral("u.txt") << -1
                                    << QString() << QStringLiteral("Grüße 日本");
        QTest::newRow("Windows text") << QByteArray("caf\xe9 \x80 \x93quoted\x94") << QString()
                                      << QStringLiteral("w.txt") << -1 << QString()
                                      << QStringLiteral("caf\u00e9 \u20ac \u201cquoted\u201d");
    }

    void readIn()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, noteText);
        QFETCH(QString, fileName);
        QFETCH(int, confirm);
        QFETCH(QString, error);
        QFETCH(QString, result);

        ProgramFixture f;
        f.start();
        TextNoteProt *w = addNote(f, QStringLiteral("Target"));
        w->setText(noteText);
        const QString path = f.env.root() + QLatin1Char('/') + fileName;
        QVERIFY(TestEnvironment::writeFile(path, content));
        f.prompts.clear();
        if (confirm >= 0)
            f.prompts.answerMessage(MsgResult(confirm));
        if (!error.isEmpty())
            f.prompts.answerMessage(MsgResult::Ok);

        NoteProc::ReadIntoTextNote(*f.program, 1, path);

        QVERIFY(f.prompts.unexpected().isEmpty());
        QCOMPARE(f.prompts.pending(), 0);
        if (confirm >= 0) {
            const AskedPrompt &q = f.prompts.asked().first();
            QCOMPARE(q.text,
                     QStringLiteral("This action will delete all text in the note \"Target\"\r\rContinue This Action?"));
            QCOMPARE(q.icon, MsgIcon::Question);
            QCOMPARE(q.buttons, MsgButtons::YesNo);
            QCOMPARE(q.title, QStringLiteral("Pellux"));
        }
        if (!error.isEmpty()) {
            QCOMPARE(f.prompts.last().text, error.arg(path));
            QCOMPARE(f.prompts.last().icon, MsgIcon::Critical);
        }
        QCOMPARE(w->text(), result);
    }

    void readInOfANoteFileImportsIt_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("filter");        // 0: the name is passed (a drop), else the dialog's filter
        QTest::newRow("dropped, .NoteFile") << QStringLiteral("a.NoteFile") << 0;
        QTest::newRow("dropped, upper case") << QStringLiteral("b.NOTEFILE") << 0;
        QTest::newRow("dropped, lower case") << QStringLiteral("c.notefile") << 0;
        QTest::newRow("chosen as a note file") << QStringLiteral("d.bin") << 2;
        QTest::newRow("chosen under All Files") << QStringLiteral("e.NoteFile") << 3;
    }

    void readInOfANoteFileImportsIt()
    {
        QFETCH(QString, fileName);
        QFETCH(int, filter);
        ProgramFixture f;
        f.start();
        TextNoteProt *w = addNote(f, QStringLiteral("Target"));
        w->setText(QStringLiteral("kept"));
        StoredNote note;
        note.type = QStringLiteral("TextNote");
        note.title = QStringLiteral("Imported");
        note.text = QStringLiteral("from the file");
        const QString path = f.env.root() + QLatin1Char('/') + fileName;
        QVERIFY(TestEnvironment::writeFile(path, WriteNoteFile(note).bytes));
        f.prompts.clear();
        if (filter == 0) {
            NoteProc::ReadIntoTextNote(*f.program, 1, path);
        } else {
            f.prompts.answerFile(FileAnswer{path, filter});
            NoteProc::ReadIntoTextNote(*f.program, 1, QString());
        }
        QVERIFY(f.prompts.unexpected().isEmpty());
        // The note that asked is left as it was; the file's note is a note of its own.
        QCOMPARE(w->text(), QStringLiteral("kept"));
        QCOMPARE(f.program->upperBound(), 2);
        QCOMPARE(textNote(f, 2)->text(), QStringLiteral("from the file"));
        QCOMPARE(listEntries(f), QStringList({"Target", "Imported"}));
    }

    void readInFailures()
    {
        ProgramFixture f;
        f.start();
        TextNoteProt *w = addNote(f, QStringLiteral("Target"));
        f.prompts.clear();

        // A file that is not there.
        const QString missing = f.env.root() + QStringLiteral("/missing.txt");
        f.prompts.answerMessage(MsgResult::Ok);
        NoteProc::ReadIntoTextNote(*f.program, 1, missing);
        QVERIFY(f.prompts.last().text.startsWith(QStringLiteral("ERROR:  \"%1\" could not be read: ").arg(missing)));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Critical);
        QVERIFY(w->text().isEmpty());

        // A device reports no size and never ends: it is refused after 32k, not read forever.
        f.prompts.answerMessage(MsgResult::Ok);
        NoteProc::ReadIntoTextNote(*f.program, 1, QStringLiteral("/dev/zero"));
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("ERROR:  \"/dev/zero\" is bigger than 32k.  Cannot Read Into A Note!"));
        QVERIFY(w->text().isEmpty());

        // The open dialog, cancelled.
        f.prompts.answerFile(FileAnswer{});
        NoteProc::ReadIntoTextNote(*f.program, 1, QString());
        QCOMPARE(f.prompts.last().kind, AskedPrompt::OpenFile);
        QCOMPARE(f.prompts.last().file.title, QStringLiteral("Read In"));
        QCOMPARE(f.prompts.last().file.filters,
                 QStringList({"Text Files (*.txt)", "Pellux Note File (*.NoteFile)", "All Files (*)"}));
        QVERIFY(w->text().isEmpty());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void readInFollowsTheDynamicTitle()
    {
        ProgramFixture f;
        f.start();
        ncp(*f.program).chkDynamicTitle->setChecked(true);
        QString title;
        QVERIFY(NoteProc::NewTextNote(*f.program, title));
        const QString path = f.env.root() + QStringLiteral("/in.txt");
        QVERIFY(TestEnvironment::writeFile(path, "Heading\nbody"));
        f.prompts.answerFile(FileAnswer{path, 1});
        NoteProc::ReadIntoTextNote(*f.program, 1, QString());
        QCOMPARE(textNote(f, 1)->Caption(), QStringLiteral("Heading..."));
        QCOMPARE(ncp(*f.program).listEntry(1), QStringLiteral("Heading..."));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }
};

QTEST_MAIN(TestNoteProc)
#include "tst_noteproc.moc"
#include "platform/ModalScope.h"
