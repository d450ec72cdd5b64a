#include "panel/NCP.h"

#include "core/TextRules.h"
#include "core/app/Program.h"
#include "notes/NoteWindow.h"
#include "panel/frmPelluxMenu.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pellux {

NCP::NCP(Program &program)
    : QWidget(nullptr)
    , m_program(program)
{
    setObjectName(QStringLiteral("NCP"));
    setWindowTitle(QStringLiteral("Pellux: Note Control"));
    buildControls();
    connectControls();
}

NCP::~NCP() = default;

void NCP::buildControls()
{
    const int tx = qMax(1, m_program.screen().twipsPerPixelX());
    const int ty = qMax(1, m_program.screen().twipsPerPixelY());
    auto px = [tx, ty](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(left / tx, top / ty, width / tx, height / ty);
    };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    Stats = new QStatusBar(this);
    Stats->setObjectName(QStringLiteral("Stats"));
    Stats->setSizeGripEnabled(false);
    layout->addWidget(SSTab1);
    layout->addWidget(Stats);

    // "N&ote Control"
    auto *noteTab = new QWidget;
    SSTab1->addTab(noteTab, QStringLiteral("N&ote Control"));
    Label1 = new QLabel(QStringLiteral("Notes:"), noteTab);
    px(Label1, 120, 360, 3015, 240);
    NoteList = new QListWidget(noteTab);
    NoteList->setObjectName(QStringLiteral("NoteList"));
    NoteList->setSortingEnabled(false);
    NoteList->setAcceptDrops(true);
    px(NoteList, 120, 600, 3015, 2400);
    lblProtect = new QLabel(noteTab);
    lblProtect->setObjectName(QStringLiteral("lblProtect"));
    px(lblProtect, 120, 3060, 3015, 240);
    auto button = [&](QWidget *parent, const QString &caption, const char *name, int l, int t, int w, int h) {
        auto *b = new QPushButton(caption, parent);
        b->setObjectName(QLatin1String(name));
        px(b, l, t, w, h);
        return b;
    };
    AddNote = button(noteTab, QStringLiteral("&Add Note"), "AddNote", 3240, 360, 1452, 492);
    cmdEditTitle = button(noteTab, QStringLiteral("ReTitle Note"), "cmdEditTitle", 3240, 960, 1452, 492);
    SHButton = button(noteTab, QStringLiteral("Show &Note"), "SHButton", 3240, 1560, 1452, 492);
    cmdSHAll = button(noteTab, QStringLiteral("Show All Notes"), "cmdSHAll", 3240, 2160, 1452, 492);
    cmdDelNote = button(noteTab, QStringLiteral("&Delete Note"), "cmdDelNote", 3240, 2760, 1452, 492);
    cmdSearch = button(noteTab, QStringLiteral("Search Notes"), "cmdSearch", 4800, 360, 1452, 492);
    cmdPrint = button(noteTab, QStringLiteral("Print Note"), "cmdPrint", 4800, 960, 1452, 492);
    cmdEMail = button(noteTab, QStringLiteral("E-Mail Note"), "cmdEMail", 4800, 1560, 1452, 492);
    cmdGO = button(noteTab, QStringLiteral("&Goto Note"), "cmdGO", 4800, 2160, 1452, 492);
    cmdBring = button(noteTab, QStringLiteral("&Bring Note Here"), "cmdBring", 4800, 2760, 1452, 492);
    for (QPushButton *b : {cmdEditTitle, SHButton, cmdSHAll, cmdDelNote, cmdPrint, cmdEMail, cmdGO, cmdBring})
        b->setEnabled(false);

    // "&Config"
    auto *configTab = new QWidget;
    SSTab1->addTab(configTab, QStringLiteral("&Config"));
    Frame1 = new QGroupBox(QStringLiteral("New Note Defaults"), configTab);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    px(Frame1, 120, 120, 3900, 3120);
    SelFont = button(Frame1, QStringLiteral("Select &Font"), "SelFont", 120, 240, 1455, 492);
    FGColorSet = button(Frame1, QStringLiteral("Fo&re Color"), "FGColorSet", 120, 840, 1455, 492);
    BGColorSet = button(Frame1, QStringLiteral("Bac&k Color"), "BGColorSet", 120, 1440, 1455, 492);
    chkDynamicTitle = new QCheckBox(QStringLiteral("Dynamic Title"), Frame1);
    chkDynamicTitle->setObjectName(QStringLiteral("chkDynamicTitle"));
    px(chkDynamicTitle, 1800, 240, 1980, 300);
    chkAlwaysOnTop = new QCheckBox(QStringLiteral("Always On Top"), Frame1);
    chkAlwaysOnTop->setObjectName(QStringLiteral("chkAlwaysOnTop"));
    px(chkAlwaysOnTop, 1800, 600, 1980, 300);
    chkRollup = new QCheckBox(QStringLiteral("Roll Up"), Frame1);
    chkRollup->setObjectName(QStringLiteral("chkRollup"));
    px(chkRollup, 1800, 960, 1980, 300);
    Label2 = new QLabel(QStringLiteral("Font && Color Sample:"), Frame1);
    Label2->setTextFormat(Qt::PlainText);
    Label2->setText(QStringLiteral("Font & Color Sample:"));
    px(Label2, 120, 2040, 3600, 240);
    NoteSample = new QLineEdit(QStringLiteral("Sample!"), Frame1);
    NoteSample->setObjectName(QStringLiteral("NoteSample"));
    NoteSample->setReadOnly(true);
    px(NoteSample, 120, 2340, 3660, 600);
    cmdAbout = button(configTab, QStringLiteral("About P&ellux"), "cmdAbout", 4200, 120, 2040, 420);
    cmdProgOpt = button(configTab, QStringLiteral("&Program Options"), "cmdProgOpt", 4200, 600, 2040, 420);
    cmdSaveSet = button(configTab, QStringLiteral("&Save Position"), "cmdSaveSet", 4200, 1080, 2040, 420);
    cmdSavNoteNow = button(configTab, QStringLiteral("Save No&tes"), "cmdSavNoteNow", 4200, 1560, 2040, 420);
    cmdResetNotes = button(configTab, QStringLiteral("Reset Notes"), "cmdResetNotes", 4200, 2040, 2040, 420);
    cmdConvDynTitle = button(configTab, QStringLiteral("Convert To / From Dynamic Title"), "cmdConvDynTitle", 4200,
                             2520, 2040, 720);

    SSTab1->setFixedSize(6405 / tx, (3780 / ty) - Stats->sizeHint().height());
    UpdateStat(defaultStatusText());
}

void NCP::connectControls()
{
    connect(NoteList, &QListWidget::currentRowChanged, this, [this] { NoteList_Click(); });
}

QString NCP::defaultStatusText() const
{
    return m_program.ProductName + QStringLiteral(" for Windows v") + m_program.VersionText;
}

void NCP::UpdateStat(const QString &text)
{
    if (Stats->currentMessage() != text)
        Stats->showMessage(text);
}

NoteStyle NCP::listFontStyle() const
{
    const QFont f = NoteList->font();
    NoteStyle s;
    s.fontName = f.family();
    s.fontSize = float(f.pointSizeF());
    s.bold = f.bold();
    s.italic = f.italic();
    s.underline = f.underline();
    s.strikethru = f.strikeOut();
    return s;
}

void NCP::setSampleStyle(const NoteStyle &style)
{
    m_sample = style;
    QFont f(style.fontName.isEmpty() ? QApplication::font().family() : style.fontName);
    f.setPointSizeF(style.fontSize > 0 ? style.fontSize : 8.25);
    f.setBold(style.bold);
    f.setItalic(style.italic);
    f.setUnderline(style.underline);
    f.setStrikeOut(style.strikethru);
    NoteSample->setFont(f);
    QPalette pal = NoteSample->palette();
    pal.setColor(QPalette::Text, toQColor(style.foreColor));
    pal.setColor(QPalette::Base, toQColor(style.backColor));
    NoteSample->setPalette(pal);
}

void NCP::UpdateSample()
{
    QString text = m_sample.fontName + PointSizeText(m_sample.fontSize).prepend(m_sample.fontSize >= 0 ? QStringLiteral(" ") : QString())
                   + QStringLiteral(" Points ");
    if (m_sample.bold)
        text += QStringLiteral("Bold ");
    if (m_sample.italic)
        text += QStringLiteral("Italic ");
    if (m_sample.underline)
        text += QStringLiteral("Underline ");
    if (m_sample.strikethru)
        text += QStringLiteral("Strike Through ");
    NoteSample->setText(text);
}

void NCP::setListEntry(int slot, const QString &text)
{
    if (QListWidgetItem *item = NoteList->item(slot - 1))
        item->setText(text);
}

QString NCP::listEntry(int slot) const
{
    const QListWidgetItem *item = NoteList->item(slot - 1);
    return item ? item->text() : QString();
}

void NCP::appendListEntry(const QString &text)
{
    NoteList->addItem(text);
}

void NCP::NoteList_Click()
{
    const int row = NoteList->currentRow();
    const QList<QPushButton *> noteCommands{cmdEditTitle, SHButton, cmdSHAll, cmdDelNote,
                                            cmdPrint,     cmdEMail, cmdGO,    cmdBring};
    NoteWindow *w = row >= 0 ? m_program.note(row + 1) : nullptr;
    if (row < 0 || !w) {
        lblProtect->setText(row < 0 ? QString() : QStringLiteral("Deleted"));
        for (QPushButton *b : noteCommands)
            b->setEnabled(false);
        return;
    }
    if (w->Visible()) {
        SHButton->setText(QStringLiteral("Hide &Note"));
        cmdSHAll->setText(QStringLiteral("Hide All Notes"));
    } else {
        SHButton->setText(QStringLiteral("Show &Note"));
        cmdSHAll->setText(QStringLiteral("Show All Notes"));
    }
    for (QPushButton *b : {cmdBring, SHButton, cmdDelNote, cmdGO, cmdSHAll})
        b->setEnabled(true);
    cmdEditTitle->setEnabled(true);
    if (w->GetNotePass().isEmpty()) {
        lblProtect->setText(QString());
    } else {
        lblProtect->setText(QStringLiteral("Protected"));
        cmdSHAll->setEnabled(false);
    }
}

void NCP::DelNote(int slot, bool silent)
{
    NoteWindow *w = m_program.note(slot);
    m_program.activeNote.slot = 0;
    if (!w)
        return;
    if (!silent && !w->GetNotePass().isEmpty()) {
        m_program.prompts().message(QStringLiteral("ERROR:  Password Must Be Removed Before Deleting Note."),
                                    MsgIcon::Critical);
        return;
    }
    if (!silent) {
        const MsgResult r = m_program.prompts().message(
            QStringLiteral("Delete Note \"%1\"?").arg(w->Caption()), MsgIcon::Question, MsgButtons::YesNo,
            QStringLiteral("Pellux"), MsgResult::No);
        if (r != MsgResult::Yes) {
            NoteList_Click();
            return;
        }
    }
    if (w->Visible())
        w->NoteRolled = true;
    w->NoteGUID.clear();
    m_program.unloadNote(slot);
    const int row = slot - 1;
    const int current = NoteList->currentRow();
    delete NoteList->takeItem(row);
    NoteList->insertItem(row, QStringLiteral("(Deleted)"));
    NoteList->setCurrentRow(current);
    m_program.trayMenu().RemoveNoteList(slot);
    NoteList_Click();
}

void NCP::cmdAbout_Click() {}

void NCP::cmdProgOpt_Click()
{
    m_program.prompts().message(QStringLiteral("Program Options are not available in this build."),
                                MsgIcon::Information);
}

} // namespace pellux
