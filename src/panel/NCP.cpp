#include "panel/NCP.h"

#include "app/Commands.h"
#include "app/FlashMsg.h"
#include "app/NoteStyles.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "core/TextRules.h"
#include "core/notefile/NoteFile.h"
#include "panel/Artwork.h"
#include "panel/frmAddNote.h"
#include "panel/frmPelluxMenu.h"
#include "platform/ModalScope.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWidgetAction>
#include <QTabBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace pellux {

namespace {

const QString kDeleted = QStringLiteral("(Deleted)");
const QString kShowNote = QStringLiteral("Show &Note");
const QString kHideNote = QStringLiteral("Hide &Note");
const QString kCaptionNormal = QStringLiteral("Pellux: Note Control");
const QString kCaptionMinimised = QStringLiteral("Pellux");

/// Height of the tab strip in the panel's design: control tops are measured from
/// the top of the tab control, the pages start below the strip.
constexpr int kTabStripTwips = 300;

/**
 * A button whose caption wraps onto a second line when it is wider than the
 * button, as the panel's long captions ("Convert To / From Dynamic Title") need
 * at any desktop font size. The caption itself (text()) is unchanged.
 */
class WrapButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter p(this);
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QString caption = opt.text;
        opt.text.clear();
        p.drawControl(QStyle::CE_PushButton, opt);
        int flags = Qt::AlignCenter | Qt::TextWordWrap;
        flags |= style()->styleHint(QStyle::SH_UnderlineShortcut, &opt, this) ? Qt::TextShowMnemonic
                                                                               : Qt::TextHideMnemonic;
        const QRect r = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
        p.drawItemText(r, flags, opt.palette, isEnabled(), caption, QPalette::ButtonText);
    }
};

qint16 toInt16(int value)
{
    return qint16(qBound(-32768, value, 32767));
}

/// The path of a drop the note list takes: exactly one local file (a folder is
/// not a file); empty for anything else.
QString droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return QString();
    const QString path = urls.first().toLocalFile();
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return QString();
    return path;
}

} // namespace

NCP::NCP(Program &program)
    : QWidget(nullptr)
    , m_program(program)
    , m_timers(program, *this)
    , m_tray(program, *this)
{
    setObjectName(QStringLiteral("NCP"));
    setWindowTitle(kCaptionNormal);
    buildControls();
    connectControls();
    followNoteTable();
}

NCP::~NCP()
{
    // Children are torn down after this body; they must not reach a half-destroyed panel.
    for (QObject *o : std::as_const(m_hinted))
        o->removeEventFilter(this);
    m_hinted.clear();
    m_program.notes().disconnect(this);
    m_program.disconnect(this);
    delete m_chooser.data();
    m_trayMenu.reset();
    m_unloadedTrayMenu.reset();
}

frmPelluxMenu &NCP::trayMenu()
{
    if (!m_trayMenu) {
        m_trayMenu = std::make_unique<frmPelluxMenu>(m_program.notes(), m_program.hub());
        // The menu only says what was chosen; the commands are the hub's and the panel's.
        frmPelluxMenu *menu = m_trayMenu.get();
        Commands &hub = m_program.hub();
        connect(menu->mnuPelluxJunk1, &QAction::triggered, this, [&hub] { hub.run(Feature::About); });
        connect(menu->mnuPelluxAdd, &QAction::triggered, this, &NCP::mnuPelluxAdd);
        connect(menu->mnuCheckListAdd, &QAction::triggered, this, [&hub] {
            QString title;
            hub.NewNote(NoteKind::CheckList, title);
        });
        connect(menu->mnuPelluxNoteup, &QAction::triggered, this, [&hub] { hub.NotesToTop(); });
        connect(menu->mnuPelluxSearch, &QAction::triggered, this, [&hub] { hub.run(Feature::Search); });
        connect(menu->mnuPelluxShowAll, &QAction::triggered, this, [&hub] { hub.ShowAllNotes(); });
        connect(menu->mnuPelluxHideAll, &QAction::triggered, this, [&hub] { hub.HideAllNotes(); });
        connect(menu->mnuPelluxControl, &QAction::triggered, this, &NCP::mnuPelluxControl);
        connect(menu->mnuProgramOptions, &QAction::triggered, this, [&hub] { hub.run(Feature::ProgramOptions); });
        connect(menu->mnuPelluxExit, &QAction::triggered, this, [&hub] { hub.Exit(); });
        connect(menu, &frmPelluxMenu::noteChosen, this, [&hub](int slot) { hub.ShowNote(slot); });
    }
    return *m_trayMenu;
}

void NCP::unloadTrayMenu()
{
    if (!m_trayMenu)
        return;
    // Shutdown runs from the menu's own "Exit" click, while the menu is still handling it:
    // the menu closes and stops following the notes now, and goes with the panel.
    m_trayMenu->popup()->close();
    m_trayMenu->disconnect();
    m_program.notes().disconnect(m_trayMenu.get());
    m_unloadedTrayMenu = std::move(m_trayMenu);
}

void NCP::followNoteTable()
{
    Notes &notes = m_program.notes();
    connect(&notes, &Notes::added, this, &NCP::onNoteAdded);
    connect(&notes, &Notes::removed, this, &NCP::onNoteRemoved);
    connect(&notes, &Notes::retitled, this, &NCP::onNoteRetitled);
    connect(&notes, &Notes::changed, this, &NCP::onNoteChanged);
    connect(&notes, &Notes::cleared, this, [this] { NoteList->clear(); });
    connect(&m_program, &Program::noteDefaultsChanged, this, &NCP::showNoteDefaults);
}

void NCP::buildControls()
{
    const int tx = m_program.screen().twipsPerPixelX();
    const int ty = m_program.screen().twipsPerPixelY();
    // Tab-page controls: positions in twips from the tab control's corner.
    auto onPage = [tx, ty](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(left / tx, (top - kTabStripTwips) / ty, width / tx, height / ty);
    };
    // Controls inside the frame: positions from the frame's corner.
    auto inFrame = [tx, ty](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(left / tx, top / ty, width / tx, height / ty);
    };
    auto button = [](QWidget *parent, const QString &caption, const char *name) {
        QPushButton *b = new WrapButton(caption, parent);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto checkBox = [](QWidget *parent, const QString &caption, const char *name) {
        auto *c = new QCheckBox(caption, parent);
        c->setObjectName(QLatin1String(name));
        return c;
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
    noteTab->setObjectName(QStringLiteral("NoteControlTab"));
    SSTab1->addTab(noteTab, QStringLiteral("N&ote Control"));
    Label1 = new QLabel(QStringLiteral("Notes:"), noteTab);
    Label1->setObjectName(QStringLiteral("Label1"));
    onPage(Label1, 120, 360, 3015, 240);
    NoteList = new QListWidget(noteTab);
    NoteList->setObjectName(QStringLiteral("NoteList"));
    NoteList->setSortingEnabled(false);
    NoteList->setSelectionMode(QAbstractItemView::SingleSelection);
    NoteList->setAcceptDrops(true);
    NoteList->viewport()->setAcceptDrops(true);
    onPage(NoteList, 120, 600, 3015, 2400);
    lblProtect = new QLabel(noteTab);
    lblProtect->setObjectName(QStringLiteral("lblProtect"));
    lblProtect->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    onPage(lblProtect, 120, 3030, 3015, 270);
    AddNote = button(noteTab, QStringLiteral("&Add Note"), "AddNote");
    onPage(AddNote, 3240, 360, 1452, 492);
    cmdEditTitle = button(noteTab, QStringLiteral("ReTitle Note"), "cmdEditTitle");
    onPage(cmdEditTitle, 3240, 960, 1452, 492);
    SHButton = button(noteTab, kShowNote, "SHButton");
    onPage(SHButton, 3240, 1560, 1452, 492);
    cmdSHAll = button(noteTab, QStringLiteral("Show All Notes"), "cmdSHAll");
    onPage(cmdSHAll, 3240, 2160, 1452, 492);
    cmdDelNote = button(noteTab, QStringLiteral("&Delete Note"), "cmdDelNote");
    onPage(cmdDelNote, 3240, 2760, 1452, 492);
    cmdSearch = button(noteTab, QStringLiteral("Search Notes"), "cmdSearch");
    onPage(cmdSearch, 4800, 360, 1452, 492);
    cmdPrint = button(noteTab, QStringLiteral("Print Note"), "cmdPrint");
    onPage(cmdPrint, 4800, 960, 1452, 492);
    cmdEMail = button(noteTab, QStringLiteral("E-Mail Note"), "cmdEMail");
    onPage(cmdEMail, 4800, 1560, 1452, 492);
    cmdGO = button(noteTab, QStringLiteral("&Goto Note"), "cmdGO");
    onPage(cmdGO, 4800, 2160, 1452, 492);
    cmdBring = button(noteTab, QStringLiteral("&Bring Note Here"), "cmdBring");
    onPage(cmdBring, 4800, 2760, 1452, 492);
    for (QPushButton *b : {cmdEditTitle, SHButton, cmdSHAll, cmdDelNote, cmdPrint, cmdEMail, cmdGO, cmdBring})
        b->setEnabled(false);

    // "&Config"
    auto *configTab = new QWidget;
    configTab->setObjectName(QStringLiteral("ConfigTab"));
    SSTab1->addTab(configTab, QStringLiteral("&Config"));
    Frame1 = new QGroupBox(QStringLiteral("New Note Defaults"), configTab);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    onPage(Frame1, 120, 360, 3960, 2940);
    SelFont = button(Frame1, QStringLiteral("Select &Font"), "SelFont");
    inFrame(SelFont, 120, 300, 1455, 492);
    FGColorSet = button(Frame1, QStringLiteral("Fo&re Color"), "FGColorSet");
    inFrame(FGColorSet, 120, 900, 1455, 492);
    BGColorSet = button(Frame1, QStringLiteral("Bac&k Color"), "BGColorSet");
    inFrame(BGColorSet, 120, 1500, 1455, 492);
    chkDynamicTitle = checkBox(Frame1, QStringLiteral("Dynamic Title"), "chkDynamicTitle");
    inFrame(chkDynamicTitle, 1740, 360, 2100, 330);
    chkAlwaysOnTop = checkBox(Frame1, QStringLiteral("Always On Top"), "chkAlwaysOnTop");
    inFrame(chkAlwaysOnTop, 1740, 960, 2100, 330);
    chkRollup = checkBox(Frame1, QStringLiteral("Roll Up"), "chkRollup");
    inFrame(chkRollup, 1740, 1560, 2100, 330);
    // The caption's "&&" is one ampersand on screen; a plain-text label shows it as such.
    Label2 = new QLabel(Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setText(QStringLiteral("Font & Color Sample:"));
    inFrame(Label2, 120, 2040, 3720, 255);
    NoteSample = new QLineEdit(QStringLiteral("Sample!"), Frame1);
    NoteSample->setObjectName(QStringLiteral("NoteSample"));
    NoteSample->setReadOnly(true);
    NoteSample->setCursorPosition(0);
    inFrame(NoteSample, 120, 2310, 3720, 510);
    cmdAbout = button(configTab, QStringLiteral("About P&ellux"), "cmdAbout");
    onPage(cmdAbout, 4200, 420, 2085, 420);
    cmdProgOpt = button(configTab, QStringLiteral("&Program Options"), "cmdProgOpt");
    onPage(cmdProgOpt, 4200, 900, 2085, 420);
    cmdSaveSet = button(configTab, QStringLiteral("&Save Position"), "cmdSaveSet");
    onPage(cmdSaveSet, 4200, 1380, 2085, 420);
    cmdSavNoteNow = button(configTab, QStringLiteral("Save No&tes"), "cmdSavNoteNow");
    onPage(cmdSavNoteNow, 4200, 1860, 2085, 420);
    cmdResetNotes = button(configTab, QStringLiteral("Reset Notes"), "cmdResetNotes");
    onPage(cmdResetNotes, 4200, 2340, 2085, 420);
    cmdConvDynTitle = button(configTab, QStringLiteral("Convert To / From Dynamic Title"), "cmdConvDynTitle");
    onPage(cmdConvDynTitle, 4200, 2820, 2085, 480);

    // The commands whose parts this build does not have.
    const Commands &hub = m_program.hub();
    const QList<std::pair<QPushButton *, Feature>> provided{{cmdSearch, Feature::Search},
                                                            {cmdPrint, Feature::PrintNote},
                                                            {cmdEMail, Feature::EMailNote},
                                                            {cmdAbout, Feature::About},
                                                            {cmdProgOpt, Feature::ProgramOptions}};
    for (const auto &[b, feature] : provided) {
        if (!hub.available(feature))
            markUnavailable(b);
    }

    // The pages hold their controls at fixed places: the tab control is as large as
    // the design needs (at least the designed 6405 twips wide), and the window
    // is sized to it.
    int pageWidth = 0;
    int pageHeight = 0;
    for (QWidget *page : {noteTab, configTab}) {
        for (QWidget *child : page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            pageWidth = qMax(pageWidth, child->geometry().right() + 1);
            pageHeight = qMax(pageHeight, child->geometry().bottom() + 1);
        }
    }
    const int margin = 120 / ty;
    for (QWidget *page : {noteTab, configTab})
        page->setMinimumSize(pageWidth + margin, pageHeight + margin);
    const QSize needed = SSTab1->minimumSizeHint().expandedTo(QSize(6405 / tx, 0));
    SSTab1->setFixedSize(needed);

    // Status-line hints: every control named in the hint table, and the surfaces
    // under them (the pages, the frame, the tab strip, the status bar) that bring
    // the default text back.
    // The two plain labels carry no hint and leave the line as it is.
    m_hinted = {AddNote,       cmdEditTitle,  SHButton,        cmdSHAll,        cmdDelNote, cmdSearch,
                cmdPrint,      cmdEMail,      cmdGO,           cmdBring,        NoteList,   NoteList->viewport(),
                lblProtect,    chkAlwaysOnTop, chkDynamicTitle, chkRollup,      NoteSample, SelFont,
                FGColorSet,    BGColorSet,    cmdAbout,        cmdProgOpt,      cmdSaveSet, cmdSavNoteNow,
                cmdResetNotes, cmdConvDynTitle, Frame1,        noteTab,         configTab,  SSTab1,
                SSTab1->tabBar(), Stats};
    for (QObject *o : std::as_const(m_hinted)) {
        if (auto *w = qobject_cast<QWidget *>(o))
            w->setMouseTracking(true);
        o->installEventFilter(this);
    }

    UpdateStat(defaultStatusText());
}

void NCP::connectControls()
{
    connect(NoteList, &QListWidget::itemSelectionChanged, this, &NCP::NoteList_Click);
    connect(NoteList, &QListWidget::itemDoubleClicked, this, &NCP::NoteList_DblClick);
    connect(AddNote, &QPushButton::clicked, this, &NCP::AddNote_Click);
    connect(SHButton, &QPushButton::clicked, this, &NCP::SHButton_Click);
    connect(cmdSHAll, &QPushButton::clicked, this, &NCP::cmdSHAll_Click);
    connect(cmdGO, &QPushButton::clicked, this, &NCP::cmdGO_Click);
    connect(cmdBring, &QPushButton::clicked, this, &NCP::cmdBring_Click);
    connect(cmdDelNote, &QPushButton::clicked, this, &NCP::cmdDelNote_Click);
    connect(cmdEditTitle, &QPushButton::clicked, this, &NCP::cmdEditTitle_Click);
    connect(cmdSearch, &QPushButton::clicked, this, &NCP::cmdSearch_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &NCP::cmdPrint_Click);
    connect(cmdEMail, &QPushButton::clicked, this, &NCP::cmdEMail_Click);

    connect(SelFont, &QPushButton::clicked, this, &NCP::SelFont_Click);
    connect(FGColorSet, &QPushButton::clicked, this, &NCP::FGColorSet_Click);
    connect(BGColorSet, &QPushButton::clicked, this, &NCP::BGColorSet_Click);
    // A changed value, whether clicked or set by the title conversion, is saved;
    // LoadSettings sets the boxes before the panel is shown and saves nothing.
    for (QCheckBox *c : {chkAlwaysOnTop, chkDynamicTitle, chkRollup})
        connect(c, &QCheckBox::toggled, this, &NCP::chkDefault_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &NCP::cmdAbout_Click);
    connect(cmdProgOpt, &QPushButton::clicked, this, &NCP::cmdProgOpt_Click);
    connect(cmdSaveSet, &QPushButton::clicked, this, &NCP::cmdSaveSet_Click);
    connect(cmdSavNoteNow, &QPushButton::clicked, this, &NCP::cmdSavNoteNow_Click);
    connect(cmdResetNotes, &QPushButton::clicked, this, &NCP::cmdResetNotes_Click);
    connect(cmdConvDynTitle, &QPushButton::clicked, this, &NCP::cmdConvDynTitle_Click);
}

void NCP::markUnavailable(QPushButton *button)
{
    button->setEnabled(false);
    button->setToolTip(Commands::notAvailableText());
    m_unavailable.append(button);
}

bool NCP::isUnavailable(const QPushButton *button) const
{
    return m_unavailable.contains(button);
}

// ---- the status line ------------------------------------------------------------

QString NCP::defaultStatusText() const
{
    return m_program.ProductName + QStringLiteral(" for Windows v") + m_program.VersionText;
}

void NCP::UpdateStat(const QString &text)
{
    // Pointer moves repeat the same hint many times a second; only a change repaints.
    if (Stats->currentMessage() != text)
        Stats->showMessage(text);
}

QString NCP::hintFor(const QObject *control) const
{
    if (control == AddNote)
        return QStringLiteral("Add a Note");
    if (control == cmdEditTitle)
        return QStringLiteral("Edit a Note's Title");
    if (control == SHButton)
        return SHButton->text().left(4) + QStringLiteral(" a Note");
    if (control == cmdSHAll)
        return SHButton->text().left(4) + QStringLiteral(" All Notes");
    if (control == cmdDelNote)
        return QStringLiteral("Delete a Note");
    if (control == cmdSearch)
        return QStringLiteral("Search the Notes");
    if (control == cmdPrint)
        return QStringLiteral("Print the Currently Selected Note");
    if (control == cmdEMail)
        return QStringLiteral("E-Mail the Currently Selected Note");
    if (control == cmdGO)
        return QStringLiteral("Goto a Note");
    if (control == cmdBring)
        return QStringLiteral("Bring a Note Here");
    if (control == NoteList || control == NoteList->viewport())
        return QStringLiteral("Drag a file on me to add a note.");
    if (control == lblProtect)
        return QStringLiteral("Shows a Notes' special status.");
    if (control == chkAlwaysOnTop)
        return QStringLiteral("Sets new Notes to Always On Top");
    if (control == chkDynamicTitle)
        return QStringLiteral("Sets new Notes to Dynamic Title");
    if (control == chkRollup)
        return QStringLiteral("Sets new Notes to Roll Up When Not In Use");
    if (control == NoteSample)
        return QStringLiteral("This is a sample of what your new Notes will look like.");
    if (control == SelFont)
        return QStringLiteral("Change the New Note Font");
    if (control == FGColorSet)
        return QStringLiteral("Change the New Note Fore Color");
    if (control == BGColorSet)
        return QStringLiteral("Change the New Note Back Color");
    if (control == cmdAbout)
        return QStringLiteral("About This Program");
    if (control == cmdProgOpt)
        return QStringLiteral("Edit Program Options");
    if (control == cmdSaveSet)
        return QStringLiteral("Save Control's Window Position");
    if (control == cmdSavNoteNow)
        return QStringLiteral("Save Notes Now (Still Saves On Exit)");
    if (control == cmdResetNotes)
        return QStringLiteral("Reset Notes' Font & Color");
    if (control == cmdConvDynTitle)
        return QStringLiteral("Changes all Notes' Dynamic Title setting. (Asks 2 Questions)");
    // The frame, the tab pages and strip, the status bar.
    if (m_hinted.contains(const_cast<QObject *>(control)))
        return defaultStatusText();
    return QString();
}

bool NCP::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::MouseMove: {
        const QString hint = hintFor(watched);
        if (hint.isEmpty())
            break;
        // A move a control does not take travels on to the page under it; the page
        // brings the default text back only where the pointer is on the page itself.
        if (hint == defaultStatusText() && watched->isWidgetType()) {
            auto *surface = static_cast<QWidget *>(watched);
            const QPointF at = event->type() == QEvent::Enter ? static_cast<QEnterEvent *>(event)->position()
                                                              : static_cast<QMouseEvent *>(event)->position();
            if (QWidget *child = surface->childAt(at.toPoint()); child && child != surface)
                break;
        }
        UpdateStat(hint);
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (watched == NoteList->viewport() || watched == NoteList) {
            // Only one file at a time becomes a note; anything else is refused while dragging.
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (!droppedFile(drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        break;
    case QEvent::Drop:
        if (watched == NoteList->viewport() || watched == NoteList) {
            auto *drop = static_cast<QDropEvent *>(event);
            const QString path = droppedFile(drop->mimeData());
            if (path.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            NoteList_OLEDragDrop(path);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- the new-note defaults ---------------------------------------------------------

NoteStyle NCP::sampleStyle() const
{
    return m_program.noteDefaults().style;
}

void NCP::setSampleStyle(const NoteStyle &style)
{
    m_program.setSampleStyle(style);
}

void NCP::showNoteDefaults()
{
    const NoteDefaults d = m_program.noteDefaults();
    const NoteStyle &style = d.style;
    NoteSample->setFont(toQFont(style));
    QPalette pal = NoteSample->palette();
    pal.setColor(QPalette::Text, toQColor(style.foreColor));
    pal.setColor(QPalette::Base, toQColor(style.backColor));
    NoteSample->setPalette(pal);
    // The sample's text names its font: a new font rebuilds it.
    const bool newFont = !style.sameFont(m_shownSample);
    m_shownSample = style;
    if (newFont)
        UpdateSample();
    // Set without saving: the boxes only show what the program holds.
    for (const auto &[box, on] : {std::pair{chkAlwaysOnTop, d.ontop}, std::pair{chkDynamicTitle, d.dynamicTitle},
                                  std::pair{chkRollup, d.rollup}}) {
        const QSignalBlocker block(box);
        box->setChecked(on);
    }
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

void NCP::UpdateSample()
{
    const NoteStyle sample = sampleStyle();
    QString text = sample.fontName;
    if (sample.fontSize >= 0)
        text += QLatin1Char(' ');
    text += PointSizeText(sample.fontSize) + QStringLiteral(" Points ");
    if (sample.bold)
        text += QStringLiteral("Bold ");
    if (sample.italic)
        text += QStringLiteral("Italic ");
    if (sample.underline)
        text += QStringLiteral("Underline ");
    if (sample.strikethru)
        text += QStringLiteral("Strike Through ");
    NoteSample->setText(text);
    // Show the start of the sample, the font name, when the text is longer than the box.
    NoteSample->setCursorPosition(0);
}

// ---- the note list -----------------------------------------------------------------

QString NCP::listEntry(int slot) const
{
    const QListWidgetItem *item = NoteList->item(slot - 1);
    return item ? item->text() : QString();
}

void NCP::onNoteAdded(int slot)
{
    const QString &title = m_program.notes().entry(slot)->title;
    // Entry slot-1 belongs to slot: a slot filled again keeps its place in the list. Each
    // change of an entry costs the list a new layout of it, so a new slot is added with
    // its title at once.
    while (NoteList->count() < slot - 1)
        NoteList->addItem(kDeleted);
    if (NoteList->count() == slot - 1) {
        NoteList->addItem(title);
        return;
    }
    NoteList->item(slot - 1)->setText(title);
    if (slot == selectedSlot())
        NoteList_Click();
}

void NCP::onNoteRemoved(int slot)
{
    // The entry stays in place, so the other slots keep their numbers and the selection
    // stays where it was (on "(Deleted)" when the deleted note was selected).
    if (QListWidgetItem *item = NoteList->item(slot - 1))
        item->setText(kDeleted);
    NoteList_Click();
}

void NCP::onNoteRetitled(int slot)
{
    if (QListWidgetItem *item = NoteList->item(slot - 1))
        item->setText(m_program.notes().entry(slot)->title);
}

void NCP::onNoteChanged(int slot)
{
    if (slot == selectedSlot())
        NoteList_Click();
}

int NCP::selectedSlot() const
{
    const QList<QListWidgetItem *> selected = NoteList->selectedItems();
    if (selected.isEmpty())
        return 0;
    return NoteList->row(selected.first()) + 1;
}

void NCP::NoteList_Click()
{
    const int slot = selectedSlot();
    const QList<QPushButton *> noteCommands{cmdEditTitle, SHButton, cmdSHAll, cmdDelNote,
                                            cmdPrint,     cmdEMail, cmdGO,    cmdBring};
    // An entry without a window behind it is a deleted note, whatever it reads.
    NoteWindow *w = slot > 0 ? m_program.note(slot) : nullptr;
    if (slot == 0 || !w) {
        lblProtect->setText(slot == 0 ? QString() : QStringLiteral("Deleted"));
        for (QPushButton *b : noteCommands)
            b->setEnabled(false);
        return;
    }
    if (w->Visible()) {
        SHButton->setText(kHideNote);
        cmdSHAll->setText(QStringLiteral("Hide All Notes"));
    } else {
        SHButton->setText(kShowNote);
        cmdSHAll->setText(QStringLiteral("Show All Notes"));
    }
    for (QPushButton *b : {cmdBring, SHButton, cmdDelNote, cmdGO, cmdSHAll, cmdPrint, cmdEMail})
        b->setEnabled(!isUnavailable(b));
    // A dynamic title follows the note's text; retitling it by hand would not last.
    cmdEditTitle->setEnabled(!m_program.notes().entry(slot)->dynamicTitle);
    if (w->GetNotePass().isEmpty()) {
        lblProtect->setText(QString());
    } else {
        lblProtect->setText(QStringLiteral("Protected"));
        cmdSHAll->setEnabled(false);
    }
}

void NCP::NoteList_DblClick()
{
    if (SHButton->isEnabled())
        SHButton_Click();
}

void NCP::NoteList_OLEDragDrop(const QString &path)
{
    raise();
    activateWindow();
    // A note file brings its own notes: a text note made for it would stay behind empty.
    if (IsNoteFileName(path)) {
        m_program.hub().LoadNoteFile(path);
        return;
    }
    QString title = QFileInfo(path).fileName();
    // A cancelled title prompt creates nothing, and nothing is read.
    if (m_program.hub().NewNote(NoteKind::TextNote, title)) {
        if (NoteWindow *w = m_program.note(m_program.upperBound()))
            w->ReadIn(path);
    }
}

// ---- note commands -----------------------------------------------------------------

void NCP::AddNote_Click()
{
    if (!m_chooser) {
        m_chooser = new frmAddNote(m_program, this);
    }
    m_chooser->show();
    m_chooser->raise();
    m_chooser->activateWindow();
}

void NCP::SHButton_Click()
{
    m_program.hub().ShowHideNote(selectedSlot());
}

void NCP::cmdSHAll_Click()
{
    // Read once: every show or hide refreshes the selection and its captions.
    m_program.hub().ShowOrHideAll(SHButton->text() != kShowNote);
}

void NCP::cmdGO_Click()
{
    m_program.hub().ShowNote(selectedSlot());
}

void NCP::cmdBring_Click()
{
    m_program.hub().BringNote(selectedSlot());
}

void NCP::cmdDelNote_Click()
{
    const int slot = selectedSlot();
    if (slot > 0)
        m_program.hub().DelNote(slot, false);
    NoteList_Click();
}

void NCP::cmdEditTitle_Click()
{
    m_program.hub().RetitleNote(selectedSlot());
}

void NCP::cmdSearch_Click()
{
    m_program.hub().run(Feature::Search);
}

namespace {

/// The selected note when it may be printed or mailed from the panel; a protected note
/// is refused with \a refusal (its own window's command still serves it).
bool unprotectedNote(Program &program, int slot, const QString &refusal)
{
    NoteWindow *w = program.note(slot);
    if (w && !w->GetNotePass().isEmpty()) {
        program.prompts().message(refusal, MsgIcon::Critical);
        return false;
    }
    return w != nullptr;
}

} // namespace

void NCP::cmdPrint_Click()
{
    const int slot = selectedSlot();
    if (unprotectedNote(m_program, slot,
                        QStringLiteral("ERROR:  You must use the Print command in a password protected note to "
                                       "print it.")))
        m_program.hub().run(Feature::PrintNote, slot);
}

void NCP::cmdEMail_Click()
{
    const int slot = selectedSlot();
    if (unprotectedNote(m_program, slot,
                        QStringLiteral("ERROR:  You must use the E-Mail command in a password protected note to "
                                       "E-Mail it.")))
        m_program.hub().run(Feature::EMailNote, slot);
}

// ---- "&Config" ------------------------------------------------------------------------

void NCP::SelFont_Click()
{
    PickSampleFont(m_program);
}

void NCP::FGColorSet_Click()
{
    PickSampleColor(m_program, true);
}

void NCP::BGColorSet_Click()
{
    PickSampleColor(m_program, false);
}

void NCP::chkDefault_Click()
{
    m_program.setNewNoteFlags(chkAlwaysOnTop->isChecked(), chkRollup->isChecked(), chkDynamicTitle->isChecked());
    // At start-up the boxes are set before the panel is shown: nothing to save then.
    if (isVisible())
        m_program.SaveSettings();
}

void NCP::cmdResetNotes_Click()
{
    m_program.hub().ResetNotes();
}

void NCP::cmdConvDynTitle_Click()
{
    m_program.hub().ConvertDynamicTitles();
    // The selected note's retitle command depends on its dynamic title.
    NoteList_Click();
}

void NCP::cmdSaveSet_Click()
{
    const int tx = m_program.screen().twipsPerPixelX();
    const int ty = m_program.screen().twipsPerPixelY();
    const int top = y() * ty;
    const int left = x() * tx;
    m_program.settings.Top = top;
    m_program.settings.Left = left;
    m_program.settingsStore().set(Setting::Top, top);
    m_program.settingsStore().set(Setting::Left, left);
    m_program.settingsStore().sync();
}

void NCP::cmdSavNoteNow_Click()
{
    m_program.hub().SaveNotesNow();
}

void NCP::cmdAbout_Click()
{
    m_program.hub().run(Feature::About);
}

void NCP::cmdProgOpt_Click()
{
    m_program.hub().run(Feature::ProgramOptions);
}

// ---- lifecycle: load, sizing, minimise to the tray, closing ---------------------------

void NCP::Form_Load()
{
    QCoreApplication::processEvents();
    trayMenu();
    setWindowIcon(programIcon());
    m_timers.start();

    // The panel loads while the settings are being read, before the program holds
    // them, so it asks the store for the two it needs here.
    const SettingsStore &stored = m_program.settingsStore();
    m_tray.create(this);
    if (stored.get<int>(Setting::SystemTrayIcon) == 1)
        m_tray.show(true);
    applyStoredGeometry();
    if (stored.get<int>(Setting::WindowState) == 1)
        setWindowState(windowState() | Qt::WindowMinimized);
    UpdateStat(defaultStatusText());
}

void NCP::settingsLoaded()
{
    applyStoredGeometry();
    showNoteDefaults();
    UpdateSample();
}

void NCP::applyStoredGeometry()
{
    const int tx = m_program.screen().twipsPerPixelX();
    const int ty = m_program.screen().twipsPerPixelY();
    moveFrameTo(QPoint(m_program.settings.Left / tx, m_program.settings.Top / ty));
    resize(qMax(1, m_program.settings.Wide / tx), qMax(1, m_program.settings.High / ty));
}

int NCP::WindowStateValue() const
{
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

// ---- sizing, minimise, maximise -------------------------------------------------

bool NCP::mayHideWhenMinimised() const
{
    if (m_tray.inTray()) {
        if (m_program.hasNotificationArea())
            return true;
    }
    // An icon that was asked for but cannot be shown must not strand the panel;
    // with no icon asked for at all, a second start brings the panel back.
    return m_program.settings.SystemTrayIcon != 1;
}

void NCP::hideWhenMinimisedLater()
{
    if (m_hidePending)
        return;
    m_hidePending = true;
    // Hiding from inside a show or a state change would leave the window system's
    // idea of the window behind ours, so it waits until that has run its course.
    QTimer::singleShot(0, this, [this] {
        m_hidePending = false;
        if (isMinimized() && m_program.settings.TaskbarIcon == 0 && !m_program.modal().active()
            && mayHideWhenMinimised())
            hide();
    });
}

void NCP::moveFrameTo(const QPoint &topLeft)
{
    // A window placed before it existed is where it should be already.
    if (pos() == topLeft)
        return;
    if (isVisible()) {
        move(topLeft);
        return;
    }
    if (m_frameOffset.isNull()) {
        // Never framed yet (the first start): the window manager has not said how big its
        // frame is, and a plain move would put the client area at the frame's place,
        // leaving the title bar above the screen. Asked for the frame's position, the
        // window manager puts the frame there itself.
        winId();
        if (QWindow *native = windowHandle()) {
            native->setFramePosition(topLeft);
            return;
        }
        move(topLeft);
        return;
    }
    // A window the desktop has withdrawn (hidden in the tray) has lost its frame, and
    // a move would put the client area where the frame belongs, pushing the title bar
    // off the screen: place the client area where the last frame had it.
    setGeometry(QRect(topLeft + m_frameOffset, size()));
}

int NCP::calibrate(int outerTwips, int neededTwips, int stepTwips, bool vertical)
{
    auto client = [this, vertical, stepTwips] { return (vertical ? height() : width()) * stepTwips; };
    int outer = outerTwips;
    while (qAbs(neededTwips - client()) >= stepTwips) {
        const int before = client();
        outer += neededTwips < before ? -stepTwips : stepTwips;
        if (vertical)
            resize(width(), qMax(1, outer / stepTwips));
        else
            resize(qMax(1, outer / stepTwips), height());
        // A window the desktop will not size any further must not hold the program in this loop.
        if (client() == before)
            break;
    }
    return outer;
}

void NCP::Form_Resize()
{
    if (m_resizeInProgress)
        return;
    if (isVisible() && frameGeometry() != geometry())
        m_frameOffset = geometry().topLeft() - frameGeometry().topLeft();
    if (isMinimized()) {
        setWindowTitle(kCaptionMinimised);
        if (m_program.settings.TaskbarIcon == 0 && !m_program.modal().active() && mayHideWhenMinimised())
            hideWhenMinimisedLater();
        return;
    }
    if (isMaximized()) {
        setWindowState(windowState() & ~Qt::WindowMaximized);
        return;
    }

    setWindowTitle(kCaptionNormal);
    m_resizeInProgress = true;
    const int tx = m_program.screen().twipsPerPixelX();
    const int ty = m_program.screen().twipsPerPixelY();
    ProgramSettings &s = m_program.settings;
    // The panel is sized by the program alone: free it for the calibration, fix it after.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    moveFrameTo(QPoint(s.Left / tx, s.Top / ty));
    resize(qMax(1, s.Wide / tx), qMax(1, s.High / ty));

    // The window's own size is its outer size here: the window manager's title bar
    // and border are not the program's, so the saved size comes back exactly.
    const int neededHigh = (SSTab1->height() + Stats->sizeHint().height()) * ty;
    if (qAbs(neededHigh - height() * ty) >= ty) {
        m_program.flash().DispMsg(QStringLiteral("Setting Window Size...Please Wait"));
        s.High = toInt16(calibrate(height() * ty, neededHigh, ty, true));
        m_program.flash().StopMsg();
        m_program.settingsStore().set(Setting::High, s.High);
        m_program.settingsStore().sync();
    }
    const int neededWide = SSTab1->width() * tx;
    if (qAbs(neededWide - width() * tx) >= tx) {
        m_program.flash().DispMsg(QStringLiteral("Setting Window Size...Please Wait"));
        s.Wide = toInt16(calibrate(width() * tx, neededWide, tx, false));
        m_program.flash().StopMsg();
        m_program.settingsStore().set(Setting::Wide, s.Wide);
        m_program.settingsStore().sync();
    }
    setFixedSize(size());
    m_resizeInProgress = false;
}

void NCP::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void NCP::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

// ---- closing ----------------------------------------------------------------------

void NCP::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        // The question is already up; that one decides.
        event->ignore();
        return;
    }
    if (!m_program.exitConfirmed) {
        m_closing = true;
        const MsgResult r = m_program.prompts().message(QStringLiteral("Are you sure you want to exit Pellux now?"),
                                                        MsgIcon::None, MsgButtons::YesNo, QStringLiteral("Pellux"));
        m_closing = false;
        // An exit confirmed elsewhere (the channel, the session ending) while the
        // question was up stands, whatever the answer.
        if (r != MsgResult::Yes && !m_program.exitConfirmed) {
            event->ignore();
            return;
        }
    }
    event->accept();
    m_program.ShutDown();
}

void NCP::activatePanel()
{
    raise();
    activateWindow();
}

// ---- the commands behind the tray and its menu ------------------------------------

void NCP::mnuPelluxAdd()
{
    {
        // Tray clicks wait until the new note is made.
        const ModalScope scope(m_program.modal());
        // The title prompt comes up in front with the panel; a minimised panel stays so.
        show();
        if (!isMinimized())
            activatePanel();
        QString title;
        m_program.hub().NewNote(NoteKind::TextNote, title);
    }
    Form_Resize();
}

void NCP::mnuPelluxControl()
{
    QCoreApplication::processEvents();
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    activatePanel();
}

void NCP::mnuPelluxExit()
{
    close();
}

} // namespace pellux
