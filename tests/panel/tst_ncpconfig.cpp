// The Note Control Panel's status line (hints, no repaint of an unchanged text)
// and its "&Config" tab: the new-note defaults and the sample, the check boxes,
// Save Position, Save Notes, Reset Notes.

#include "panel/PanelTestSupport.h"

#include "app/FlashMsg.h"
#include "notes/NoteProc.h"
#include "notes/TextNoteProt.h"

#include <QCheckBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

void pointerEnters(QWidget *w)
{
    QEnterEvent e(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(w, &e);
}

void pointerMoves(QWidget *w)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

const QString kDefaultStatus = QStringLiteral("Pellux for Windows v3.2  (Build 155)");

} // namespace

class TestNcpConfig : public QObject
{
    Q_OBJECT

private slots:
    void hints_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("hint");
        QTest::newRow("AddNote") << "AddNote" << "Add a Note";
        QTest::newRow("cmdEditTitle") << "cmdEditTitle" << "Edit a Note's Title";
        QTest::newRow("SHButton") << "SHButton" << "Show a Note";
        QTest::newRow("cmdSHAll") << "cmdSHAll" << "Show All Notes";
        QTest::newRow("cmdDelNote") << "cmdDelNote" << "Delete a Note";
        QTest::newRow("cmdSearch") << "cmdSearch" << "Search the Notes";
        QTest::newRow("cmdPrint") << "cmdPrint" << "Print the Currently Selected Note";
        QTest::newRow("cmdEMail") << "cmdEMail" << "E-Mail the Currently Selected Note";
        QTest::newRow("cmdGO") << "cmdGO" << "Goto a Note";
        QTest::newRow("cmdBring") << "cmdBring" << "Bring a Note Here";
        QTest::newRow("NoteList") << "NoteList" << "Drag a file on me to add a note.";
        QTest::newRow("lblProtect") << "lblProtect" << "Shows a Notes' special status.";
        QTest::newRow("chkAlwaysOnTop") << "chkAlwaysOnTop" << "Sets new Notes to Always On Top";
        QTest::newRow("chkDynamicTitle") << "chkDynamicTitle" << "Sets new Notes to Dynamic Title";
        QTest::newRow("chkRollup") << "chkRollup" << "Sets new Notes to Roll Up When Not In Use";
        QTest::newRow("NoteSample") << "NoteSample" << "This is a sample of what your new Notes will look like.";
        QTest::newRow("SelFont") << "SelFont" << "Change the New Note Font";
        QTest::newRow("FGColorSet") << "FGColorSet" << "Change the New Note Fore Color";
        QTest::newRow("BGColorSet") << "BGColorSet" << "Change the New Note Back Color";
        QTest::newRow("cmdAbout") << "cmdAbout" << "About This Program";
        QTest::newRow("cmdProgOpt") << "cmdProgOpt" << "Edit Program Options";
        QTest::newRow("cmdSaveSet") << "cmdSaveSet" << "Save Control's Window Position";
        QTest::newRow("cmdSavNoteNow") << "cmdSavNoteNow" << "Save Notes Now (Still Saves On Exit)";
        QTest::newRow("cmdResetNotes") << "cmdResetNotes" << "Reset Notes' Font & Color";
        QTest::newRow("cmdConvDynTitle") << "cmdConvDynTitle"
                                         << "Changes all Notes' Dynamic Title setting. (Asks 2 Questions)";
        QTest::newRow("Frame1") << "Frame1" << kDefaultStatus;
        QTest::newRow("note page") << "NoteControlTab" << kDefaultStatus;
        QTest::newRow("config page") << "ConfigTab" << kDefaultStatus;
        QTest::newRow("status bar") << "Stats" << kDefaultStatus;
    }
    void hints()
    {
        QFETCH(QString, control);
        QFETCH(QString, hint);
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        p.show();
        auto *w = p.findChild<QWidget *>(control);
        QVERIFY(w);
        // Start from another text, so that the default text is a change too.
        p.UpdateStat(QStringLiteral("something else"));
        pointerEnters(w);
        QCOMPARE(p.Stats->currentMessage(), hint);
        p.UpdateStat(QStringLiteral("something else"));
        pointerMoves(w);
        QCOMPARE(p.Stats->currentMessage(), hint);
    }

    void hintsFollowTheShowHideCaption()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        NCP &p = ncp(*f.program);
        select(p, 1);
        QCOMPARE(p.SHButton->text(), QStringLiteral("Hide &Note"));
        pointerMoves(p.SHButton);
        QCOMPARE(p.Stats->currentMessage(), QStringLiteral("Hide a Note"));
        pointerMoves(p.cmdSHAll);
        QCOMPARE(p.Stats->currentMessage(), QStringLiteral("Hide All Notes"));
        // The list's own surface (where the entries are) carries the list's hint.
        pointerMoves(p.NoteList->viewport());
        QCOMPARE(p.Stats->currentMessage(), QStringLiteral("Drag a file on me to add a note."));
        pointerMoves(p.SSTab1->tabBar());
        QCOMPARE(p.Stats->currentMessage(), kDefaultStatus);
        // The plain labels carry no hint: the line keeps what it shows.
        pointerMoves(p.cmdGO);
        pointerMoves(p.Label1);
        QCOMPARE(p.Stats->currentMessage(), QStringLiteral("Goto a Note"));
        pointerMoves(p.Label2);
        QCOMPARE(p.Stats->currentMessage(), QStringLiteral("Goto a Note"));
    }

    void updateStatRepaintsOnlyChanges()
    {
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        p.show();
        QSignalSpy spy(p.Stats, &QStatusBar::messageChanged);
        p.UpdateStat(kDefaultStatus);
        QCOMPARE(spy.count(), 0);
        for (int i = 0; i < 5; ++i)
            pointerMoves(p.AddNote);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Add a Note"));
        pointerMoves(p.cmdGO);
        pointerMoves(p.cmdGO);
        QCOMPARE(spy.count(), 2);
        pointerMoves(p.Frame1);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(p.Stats->currentMessage(), kDefaultStatus);
    }

    void sampleText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<float>("size");
        QTest::addColumn<QList<bool>>("styles");    // bold, italic, underline, strikethrough
        QTest::addColumn<QString>("sample");
        QTest::newRow("Arial 12 bold italic") << "Arial" << 12.0f << QList<bool>{true, true, false, false}
                                              << "Arial 12 Points Bold Italic ";
        QTest::newRow("plain") << "Courier New" << 10.0f << QList<bool>{false, false, false, false}
                               << "Courier New 10 Points ";
        QTest::newRow("fraction, underline, strike") << "MS Sans Serif" << 8.25f
                                                      << QList<bool>{false, false, true, true}
                                                      << "MS Sans Serif 8.25 Points Underline Strike Through ";
        QTest::newRow("everything") << "Tahoma" << 9.5f << QList<bool>{true, true, true, true}
                                    << "Tahoma 9.5 Points Bold Italic Underline Strike Through ";
    }
    void sampleText()
    {
        QFETCH(QString, name);
        QFETCH(float, size);
        QFETCH(QList<bool>, styles);
        QFETCH(QString, sample);
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        p.show();
        NoteStyle chosen;
        chosen.fontName = name;
        chosen.fontSize = size;
        chosen.bold = styles.at(0);
        chosen.italic = styles.at(1);
        chosen.underline = styles.at(2);
        chosen.strikethru = styles.at(3);
        f.prompts.answerFont(chosen);
        p.SelFont->click();
        QCOMPARE(f.prompts.last().kind, AskedPrompt::Font);
        QCOMPARE(p.NoteSample->text(), sample);
        QCOMPARE(p.sampleStyle().fontName, name);
        QCOMPARE(p.NoteSample->font().bold(), chosen.bold);
        // Saved at once, where the next start reads it.
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
        QCOMPARE(s.value(QStringLiteral("Font/Name")).toString(), name);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void colourButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("fore");
        QTest::newRow("fore colour") << "FGColorSet" << true;
        QTest::newRow("back colour") << "BGColorSet" << false;
    }
    void colourButtons()
    {
        QFETCH(QString, button);
        QFETCH(bool, fore);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        NCP &p = ncp(*f.program);
        p.show();
        const NoteStyle noteBefore = f.program->note(1)->noteStyle();
        f.prompts.answerColor(QColor(255, 0, 0));
        p.findChild<QPushButton *>(button)->click();
        const NoteStyle s = p.sampleStyle();
        QCOMPARE(fore ? s.foreColor : s.backColor, ColorValue(255));
        QCOMPARE(p.NoteSample->palette().color(fore ? QPalette::Text : QPalette::Base), QColor(255, 0, 0));
        // Only the defaults change, no note.
        QCOMPARE(f.program->note(1)->noteStyle(), noteBefore);
        QSettings st(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
        QCOMPARE(st.value(fore ? QStringLiteral("Colors/Fore") : QStringLiteral("Colors/Back")).toString(),
                 QStringLiteral("255"));
    }

    void checkBoxesSaveOnlyWhileShown_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::newRow("chkAlwaysOnTop") << "chkAlwaysOnTop" << "AlwaysOnTop";
        QTest::newRow("chkDynamicTitle") << "chkDynamicTitle" << "DynamicTitle";
        QTest::newRow("chkRollup") << "chkRollup" << "RollUp";
    }
    void checkBoxesSaveOnlyWhileShown()
    {
        QFETCH(QString, box);
        QFETCH(QString, key);
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        auto *c = p.findChild<QCheckBox *>(box);
        const bool start = c->isChecked();
        const QString before = storedSetting(key);
        c->click();     // panel not shown: as LoadSettings sets the boxes at start-up
        QCOMPARE(storedSetting(key), before);
        p.show();
        c->click();
        QCOMPARE(c->isChecked(), start);
        QCOMPARE(storedSetting(key), start ? QStringLiteral("1") : QStringLiteral("0"));
        c->click();
        QCOMPARE(storedSetting(key), start ? QStringLiteral("0") : QStringLiteral("1"));
        QVERIFY(f.prompts.asked().isEmpty());
    }

    void newNotesTakeTheDefaults()
    {
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        p.chkDynamicTitle->setChecked(false);
        p.chkAlwaysOnTop->setChecked(true);
        p.chkRollup->setChecked(true);
        f.prompts.answerInput(QStringLiteral("Fresh"));
        QString title;
        QVERIFY(NoteProc::NewTextNote(*f.program, title));
        auto *w = qobject_cast<TextNoteProt *>(f.program->note(1));
        QVERIFY(w);
        QVERIFY(w->mnuOnTop->isChecked());
        QVERIFY(w->mnuRollUp->isChecked());
        QVERIFY(!w->mnuDynamicTitle->isChecked());
        QCOMPARE(w->noteStyle(), p.sampleStyle());
    }

    void savePosition()
    {
        ProgramFixture f;
        f.start();
        NCP &p = ncp(*f.program);
        p.show();
        p.move(200, 150);
        QCoreApplication::processEvents();
        p.cmdSaveSet->click();
        QCOMPARE(storedSetting(QStringLiteral("Top")), QString::number(p.y() * 15));
        QCOMPARE(storedSetting(QStringLiteral("Left")), QString::number(p.x() * 15));
        QCOMPARE(f.program->settings.Top, p.y() * 15);
        QCOMPARE(f.program->settings.Left, p.x() * 15);
        QVERIFY(f.prompts.asked().isEmpty());
    }

    void saveNotesNow()
    {
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One"))});
        NCP &p = ncp(*f.program);
        p.show();
        // Change a note, so that the store on disk is behind.
        qobject_cast<TextNoteProt *>(f.program->note(1))->setText(QStringLiteral("changed text"));
        QString bannerWhileWriting;
        f.program->saveFileFactory = [&](const QString &path) {
            bannerWhileWriting = f.program->flash().isShown() ? f.program->flash().text() : QStringLiteral("(none)");
            return std::make_unique<QSaveFile>(path);
        };
        p.cmdSavNoteNow->click();
        QCOMPARE(bannerWhileWriting, QStringLiteral("Please Wait...Saving"));
        QVERIFY(!f.program->flash().isShown());
        QVERIFY(f.readStore().contains("changed text"));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void resetNotes_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("restyled");
        QTest::newRow("Yes") << int(MsgResult::Yes) << true;
        QTest::newRow("No") << int(MsgResult::No) << false;
    }
    void resetNotes()
    {
        QFETCH(int, answer);
        QFETCH(bool, restyled);
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("One")), checkList(QStringLiteral("List"))});
        NCP &p = ncp(*f.program);
        NoteStyle oldStyle = f.program->note(1)->noteStyle();
        oldStyle.fontName = QStringLiteral("Courier New");
        oldStyle.fontSize = 14;
        oldStyle.backColor = 0x00FF00;
        for (int slot : {1, 2})
            f.program->note(slot)->setNoteStyle(oldStyle);
        NoteStyle sample = p.sampleStyle();
        sample.fontName = QStringLiteral("Arial");
        sample.fontSize = 11;
        sample.backColor = 0x0000FF;
        p.setSampleStyle(sample);
        f.prompts.answerMessage(MsgResult(answer));
        p.cmdResetNotes->click();
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, QStringLiteral("This Will Reset All Notes To The New Note Font & Color "
                                                       "Specified On The Control Panel.\r\rContinue This Action?"));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Question);
        QCOMPARE(f.prompts.last().buttons, MsgButtons::YesNo);
        for (int slot : {1, 2}) {
            const NoteStyle now = f.program->note(slot)->noteStyle();
            QCOMPARE(now.fontName, restyled ? sample.fontName : oldStyle.fontName);
            QCOMPARE(now.backColor, restyled ? sample.backColor : oldStyle.backColor);
        }
    }
};

QTEST_MAIN(TestNcpConfig)
#include "tst_ncpconfig.moc"
