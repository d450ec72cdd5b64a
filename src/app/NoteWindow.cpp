#include "app/NoteWindow.h"

#include "app/Commands.h"
#include "app/Program.h"
#include "core/AlarmRules.h"
#include "core/NotePassword.h"
#include "core/store/StoreWriter.h"
#include "platform/Clock.h"
#include "platform/frmPassword.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPointer>
#include <QVBoxLayout>
#include <QWindow>

namespace pellux {

QString NoteWindow::clipboardText()
{
    const QClipboard *cb = QGuiApplication::clipboard();
    return cb ? cb->text() : QString();
}

bool NoteWindow::clipboardHasText()
{
    static bool known = false;
    static bool hasText = false;
    static bool watching = false;
    QClipboard *cb = QGuiApplication::clipboard();
    if (!cb)
        return false;
    if (!watching) {
        QObject::connect(cb, &QClipboard::dataChanged, cb, [] { known = false; });
        watching = true;
    }
    if (!known) {
        hasText = !cb->text().isEmpty();
        known = true;
    }
    return hasText;
}

NoteWindow::NoteWindow(Program &program)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_program(program)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Note"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_menuBar = new QMenuBar(this);
    m_menuBar->setNativeMenuBar(false);
    m_layout->setMenuBar(m_menuBar);
}

NoteWindow::~NoteWindow()
{
    if (m_program.activeNote.window == this) {
        m_program.activeNote.slot = 0;
        m_program.activeNote.window = nullptr;
    }
}

QAction *NoteWindow::addMenuItem(QMenu *menu, const QString &caption, const char *name, const QKeySequence &key)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        m_shortcutItems.append(a);
    }
    addAction(a);
    return a;
}

void NoteWindow::addMenuSeparator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

void NoteWindow::markUnavailable(QAction *action)
{
    action->setEnabled(false);
    action->setToolTip(Commands::notAvailableText());
}

QString NoteWindow::noteType() const
{
    const NoteEntry *e = m_program.notes().entry(NoteNum);
    return e && e->window == this ? e->type : QString();
}

QString NoteWindow::NoteGUID() const
{
    const NoteEntry *e = m_program.notes().entry(NoteNum);
    return e && e->window == this ? e->guid : QString();
}

void NoteWindow::buildNoteMenus(const KindCommands &commands, const std::function<void(QMenu *)> &afterRollUp)
{
    QMenuBar *bar = menuBar();
    mnuNoteOpts = bar->addMenu(QStringLiteral("&Options"));
    mnuNoteOpts->setObjectName(QStringLiteral("mnuNoteOpts"));
    mnuNoteOpts->setToolTipsVisible(true);
    mnuHide = addMenuItem(mnuNoteOpts, QStringLiteral("&Hide"), "mnuHide", QKeySequence(Qt::CTRL | Qt::Key_H));
    mnuOnTop = addMenuItem(mnuNoteOpts, QStringLiteral("&Always On Top"), "mnuOnTop");
    mnuOnTop->setCheckable(true);
    mnuRollUp = addMenuItem(mnuNoteOpts, QStringLiteral("&Roll Up When Not In Use"), "mnuRollUp",
                            QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuRollUp->setCheckable(true);
    if (afterRollUp)
        afterRollUp(mnuNoteOpts);
    addMenuSeparator(mnuNoteOpts, "mnuJunkb");
    mnuAlarmSet = addMenuItem(mnuNoteOpts, QStringLiteral("A&larm..."), "mnuAlarmSet");
    mnuAlarmSet->setCheckable(true);
    // Ticked while protected. The protection outlives a restart (the store keeps a hash
    // of the password), so the item is offered on every note.
    mnuPassword = addMenuItem(mnuNoteOpts, QStringLiteral("&Password Protect..."), "mnuPassword");
    mnuPassword->setCheckable(true);
    mnuNoteColors0 = mnuNoteOpts->addMenu(QStringLiteral("Font && &Colors"));
    mnuNoteColors0->setObjectName(QStringLiteral("mnuNoteColors0"));
    mnuNoteFont = addMenuItem(mnuNoteColors0, QStringLiteral("&Font..."), "mnuNoteFont",
                              QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuNoteFore = addMenuItem(mnuNoteColors0, QStringLiteral("Foreground &Color..."), "mnuNoteFore");
    mnuNoteBack = addMenuItem(mnuNoteColors0, QStringLiteral("&Background Color..."), "mnuNoteBack",
                              QKeySequence(Qt::CTRL | Qt::Key_B));
    addMenuSeparator(mnuNoteColors0, "mnuJunk");
    mnuDefaultFC = addMenuItem(mnuNoteColors0, QStringLiteral("&Default Font && Color"), "mnuDefaultFC");

    mnuAction = bar->addMenu(QStringLiteral("&Actions"));
    mnuAction->setObjectName(QStringLiteral("mnuAction"));
    mnuAction->setToolTipsVisible(true);
    mnuReTitle = addMenuItem(mnuAction, QStringLiteral("Re&Title Note"), "mnuReTitle");
    mnuDelete = addMenuItem(mnuAction, QStringLiteral("&Delete Note"), "mnuDelete");
    addMenuSeparator(mnuAction, "mnuJunk2");
    mnuEMail = addMenuItem(mnuAction, QStringLiteral("&E-Mail Note..."), "mnuEMail", QKeySequence(Qt::CTRL | Qt::Key_E));
    mnuPrint = addMenuItem(mnuAction, QStringLiteral("P&rint Note..."), "mnuPrint", QKeySequence(Qt::CTRL | Qt::Key_P));
    addMenuSeparator(mnuAction, "mnuJunk3");
    mnuSaveNoteOut = addMenuItem(mnuAction, QStringLiteral("&Save Note To File..."), "mnuSaveNoteOut",
                                 QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuReadNoteIn = addMenuItem(mnuAction, QStringLiteral("&Load Note From File..."), "mnuReadNoteIn",
                                QKeySequence(Qt::CTRL | Qt::Key_L));
    addMenuSeparator(mnuAction, "mnuJunk4");
    mnuControlPanel = addMenuItem(mnuAction, QStringLiteral("&Control Panel"), "mnuControlPanel");

    // The commands other parts of the program provide (alarm, password, mail, printing,
    // note files) run through the hub; a command this build lacks is greyed out.
    Commands &hub = m_program.hub();
    const QList<std::pair<QAction *, Feature>> provided{{mnuAlarmSet, Feature::SetAlarm},
                                                        {mnuPassword, Feature::ProtectNote},
                                                        {mnuEMail, Feature::EMailNote},
                                                        {mnuPrint, Feature::PrintNote},
                                                        {mnuSaveNoteOut, Feature::SaveNoteToFile}};
    for (const auto &[action, feature] : provided) {
        if (!hub.available(feature))
            markUnavailable(action);
        const Feature f = feature;
        connect(action, &QAction::triggered, this, [this, f] {
            // A checkable item flips its tick when clicked; the tick shows the note's state, not the click.
            if (QAction *a = qobject_cast<QAction *>(sender()); a && a->isCheckable())
                a->setChecked(!a->isChecked());
            m_program.hub().run(f, NoteNum);
        });
    }

    connect(mnuHide, &QAction::triggered, this, &NoteWindow::HideNote);
    // The ticks are the note table's flags: a tick set by a click or by the program goes
    // into the table, which brings the window (and every other view) in step.
    connect(mnuOnTop, &QAction::toggled, this, [this](bool on) { m_program.notes().setOnTop(NoteNum, on); });
    connect(mnuRollUp, &QAction::toggled, this, [this](bool on) { m_program.notes().setRollUp(NoteNum, on); });
    connect(mnuNoteFont, &QAction::triggered, this, commands.font);
    connect(mnuNoteFore, &QAction::triggered, this, commands.foreColor);
    connect(mnuNoteBack, &QAction::triggered, this, commands.backColor);
    connect(mnuDefaultFC, &QAction::triggered, this, [this] { UpdateSettings(); });
    connect(mnuReTitle, &QAction::triggered, this, commands.retitle);
    connect(mnuDelete, &QAction::triggered, this, [this] { m_program.hub().DelNote(NoteNum, false); });
    connect(mnuReadNoteIn, &QAction::triggered, this, commands.readIn);
    connect(mnuControlPanel, &QAction::triggered, this, [this] { m_program.hub().ControlPanel(); });
}

void NoteWindow::setClientWidget(QWidget *client)
{
    m_client = client;
    // The client may shrink to nothing, so that a rolled-up note is only its menu bar.
    client->setMinimumSize(0, 0);
    client->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    m_layout->addWidget(client);
}

bool NoteWindow::SetNotePass(const QString &Pass)
{
    QString hash;
    if (!Pass.isEmpty()) {
        hash = HashNotePassword(Pass);
        if (hash.isEmpty())
            return false;
    }
    restoreNotePass(hash);
    return true;
}

void NoteWindow::restoreNotePass(const QString &hash)
{
    m_passwordHash = hash;
    m_program.notes().setProtected(NoteNum, !hash.isEmpty());
    if (mnuPassword)
        mnuPassword->setChecked(!hash.isEmpty());
}

QString NoteWindow::GetNotePass() const
{
    return m_passwordHash.isNull() ? QString(QLatin1String("")) : m_passwordHash;
}

void NoteWindow::ShowNote()
{
    if (!isVisible() && !m_passwordHash.isEmpty()) {
        // The dialog lets events run: the note may be unloaded before it is answered.
        QPointer<NoteWindow> self(this);
        Program &program = m_program;
        const QString answer =
            program.prompts().password(QStringLiteral("Password"), QStringLiteral("Input Password:"), false,
                                       frmPassword::NotePasswordLength);
        if (answer.isEmpty() || !self)
            return;
        if (!VerifyNotePassword(m_passwordHash, answer)) {
            program.prompts().message(QStringLiteral("Invalid Password!"), MsgIcon::Exclamation);
            return;
        }
    }
    restoreFromMinimised();
    show();
    raise();
    activateWindow();
    m_program.notes().touch(NoteNum);
}

void NoteWindow::restoreFromMinimised()
{
    // A note the window manager's button minimised is still "visible"; showing it means
    // bringing it back on the screen.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
}

void NoteWindow::HideNote()
{
    hide();
    m_program.notes().touch(NoteNum);
}

void NoteWindow::GetAlarmData()
{
    m_program.CurrentAlarm = m_alarm;
}

void NoteWindow::SetAlarmData()
{
    m_alarm = m_program.CurrentAlarm;
    if (mnuAlarmSet)
        mnuAlarmSet->setChecked(m_alarm.Enabled);
    emit contentChanged();
}

void NoteWindow::CheckAlarm(const QDateTime &TimeIn)
{
    // The sweep's own date: a sweep that waited for a dialog past midnight still
    // belongs to the day it began on.
    if (!AlarmDue(m_alarm, TimeIn.time(), TimeIn.date()))
        return;
    m_program.hub().run(Feature::FireAlarm, NoteNum);
}

void NoteWindow::EMailNote(qint16 EMType, const QString &MailTo, const QString &MailSubject)
{
    // The mail feature sends either kind from the note's record.
    m_program.hub().MailNote(NoteNum, EMType, MailTo, MailSubject);
}

void NoteWindow::RefreshDisplay()
{
    if (m_client)
        m_client->update();
    update();
}

void NoteWindow::GenFontXML()
{
    m_program.XmlFragmentDoc = QDomDocument();
    m_program.XmlFragment = FontElement(m_program.XmlFragmentDoc, noteStyle());
}

void NoteWindow::GenColorXML()
{
    m_program.XmlFragmentDoc = QDomDocument();
    m_program.XmlFragment = ColorElement(m_program.XmlFragmentDoc, noteStyle());
}

int NoteWindow::Left() const
{
    return pos().x() * m_program.screen().twipsPerPixelX();
}

int NoteWindow::Top() const
{
    return pos().y() * m_program.screen().twipsPerPixelY();
}

int NoteWindow::Width() const
{
    return width() * m_program.screen().twipsPerPixelX();
}

int NoteWindow::Height() const
{
    return height() * m_program.screen().twipsPerPixelY();
}

static int toPixels(int twips, int tpp)
{
    return qRound(double(twips) / tpp);
}

void NoteWindow::setLeft(int twips)
{
    move(toPixels(twips, m_program.screen().twipsPerPixelX()), pos().y());
}

void NoteWindow::setTop(int twips)
{
    move(pos().x(), toPixels(twips, m_program.screen().twipsPerPixelY()));
}

void NoteWindow::setWidth(int twips)
{
    resize(qMax(1, toPixels(twips, m_program.screen().twipsPerPixelX())), height());
}

void NoteWindow::setHeight(int twips)
{
    resize(width(), qMax(1, toPixels(twips, m_program.screen().twipsPerPixelY())));
}

void NoteWindow::setHeightAllowingRollUp(int twips)
{
    const int px = qMax(0, toPixels(twips, m_program.screen().twipsPerPixelY()));
    // The layout raises the height to the smallest it allows (the menu bar).
    const int floor = qMax(minimumSizeHint().height(), m_menuBar ? m_menuBar->sizeHint().height() : 0);
    resize(width(), qMax(px, floor));
}

void NoteWindow::Move(int left, int top, int width, int height)
{
    move(toPixels(left, m_program.screen().twipsPerPixelX()), toPixels(top, m_program.screen().twipsPerPixelY()));
    if (width >= 0 || height >= 0) {
        const int w = width >= 0 ? qMax(1, toPixels(width, m_program.screen().twipsPerPixelX())) : this->width();
        const int h = height >= 0 ? qMax(1, toPixels(height, m_program.screen().twipsPerPixelY())) : this->height();
        resize(w, h);
    }
}

int NoteWindow::WindowState() const
{
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

void NoteWindow::setWindowStateValue(int state)
{
    switch (state) {
    case 1: setWindowState(windowState() | Qt::WindowMinimized); break;
    case 2: setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized); break;
    default: setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)); break;
    }
}

int NoteWindow::ClientHeight() const
{
    return (m_client ? m_client->height() : height()) * m_program.screen().twipsPerPixelY();
}

int NoteWindow::ClientWidth() const
{
    return (m_client ? m_client->width() : width()) * m_program.screen().twipsPerPixelX();
}

void NoteWindow::RetitleFromPrompt(const QString &dialogTitle)
{
    QString title =
        m_program.prompts().input(QStringLiteral("What do you want for the new title?"), dialogTitle, Caption());
    if (title.isEmpty())
        title = Caption();
    m_program.notes().retitle(NoteNum, title);
}

void NoteWindow::applyEntry(const NoteEntry &entry)
{
    setCaption(entry.title);
    setTopmost(entry.onTop);
    // A window of neither kind (a test's probe) may have no menus.
    if (mnuOnTop)
        mnuOnTop->setChecked(entry.onTop);
    if (mnuRollUp)
        mnuRollUp->setChecked(entry.rollUp);
    if (mnuPassword)
        mnuPassword->setChecked(entry.isProtected);
}

bool NoteWindow::isTopmost() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void NoteWindow::setTopmost(bool on)
{
    if (isTopmost() == on)
        return;
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (QWindow *native = windowHandle()) {
        // The native window changes its layer in place. Setting the widget's flags would
        // re-create it: hidden and shown again, it would lose the focus, and a note that
        // rolls up would roll up under the user's hands.
        overrideWindowFlags(flags);
        native->setFlags(flags);
        return;
    }
    // Not shown yet: the flag takes effect when the window is first shown.
    setWindowFlags(flags);
}

void NoteWindow::placeAtLoad(int designClientWidthTwips, int designClientHeightTwips)
{
    ScreenMetrics &screen = m_program.screen();
    // The design size is the client area plus the frame (here: the menu bar).
    const int frameTwips = (m_menuBar ? m_menuBar->sizeHint().height() : 0) * screen.twipsPerPixelY();
    const int left = (screen.screenWidthTwips() - designClientWidthTwips) / 2;
    const int top = (screen.screenHeightTwips() - (designClientHeightTwips + frameTwips)) / 2;
    setWidth(3000);
    setHeight(2350);
    setLeft(left);
    setTop(top);
}

void NoteWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            onActivated();
        else
            onDeactivated();
    }
    QWidget::changeEvent(event);
}

void NoteWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    emit placeChanged();
}

void NoteWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit placeChanged();
}

void NoteWindow::closeEvent(QCloseEvent *event)
{
    // A note has no close box; the desktop may still ask (Alt+F4): hide it instead.
    event->ignore();
    HideNote();
}

void NoteWindow::onActivated()
{
    NoteUnroll();
    m_program.activeNote.slot = NoteNum;
    m_program.activeNote.window = this;
    CheckClipboard();
    emit noteActivated(this);
}

void NoteWindow::onDeactivated()
{
    NoteRoll();
}

} // namespace pellux
