#include "core/Settings.h"
#include "core/app/FlashMsg.h"
#include "core/app/Program.h"
#include "notes/NoteProc.h"
#include "notes/NoteWindow.h"
#include "panel/Artwork.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include "bwSysTrayLoader.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QListWidget>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>

namespace pellux {

namespace {

const QString kTrayTip = QStringLiteral("Single: Add A Pellux  |  Double: Control Panel  |  Right: Menu");
const QString kCaptionNormal = QStringLiteral("Pellux: Note Control");
const QString kCaptionMinimised = QStringLiteral("Pellux");

/**
 * The tray control is reached by name only (it may come from a plugin), so its
 * events arrive through string-based connections; this forwards them to the panel.
 */
class TrayEvents : public QObject
{
    Q_OBJECT
public:
    explicit TrayEvents(NCP &panel)
        : QObject(&panel)
        , m_panel(panel)
    {
    }

public slots:
    void mouseClick(int button) { m_panel.TrayNot_MouseClick(button); }
    void mouseDblClick(int button) { m_panel.TrayNot_MouseDblClick(button); }

private:
    NCP &m_panel;
};

int twipsX(const Program &program)
{
    return qMax(1, program.screen().twipsPerPixelX());
}

int twipsY(const Program &program)
{
    return qMax(1, program.screen().twipsPerPixelY());
}

qint16 toInt16(int value)
{
    return qint16(qBound(-32768, value, 32767));
}

} // namespace

// ---- loading ------------------------------------------------------------------

void NCP::Form_Load()
{
    QCoreApplication::processEvents();
    m_program.trayMenu();
    setWindowIcon(programIcon());

    tmrAutoSave.setInterval(60000);
    tmrTrayCheck.setInterval(5000);
    tmrWindowCheck.setInterval(100);
    connect(&tmrAutoSave, &QTimer::timeout, this, &NCP::tmrAutoSave_Timer);
    connect(&tmrTrayCheck, &QTimer::timeout, this, &NCP::tmrTrayCheck_Timer);
    connect(&tmrWindowCheck, &QTimer::timeout, this, &NCP::tmrWindowCheck_Timer);
    tmrTrayCheck.start();

    // The panel loads while the settings are being read, before the program holds
    // them, so it asks the store for the two it needs here.
    const SettingsStore &stored = m_program.settingsStore();
    createTrayControl();
    if (TrayNot && stored.get<int>(Setting::SystemTrayIcon) == 1)
        TrayNot->setProperty("InTray", true);
    applyStoredGeometry();
    if (stored.get<int>(Setting::WindowState) == 1)
        setWindowState(windowState() | Qt::WindowMinimized);
    UpdateStat(defaultStatusText());
}

void NCP::createTrayControl()
{
    QString why;
    QObject *control = m_program.createTrayControl
                           ? m_program.createTrayControl(this, &why)
                           : bwSysTrayLoader::createControl(bwSysTrayLoader::trayClassName(), this, true,
                                                            bwSysTrayLoader::defaultFolders(), &why);
    if (!control) {
        qWarning("Pellux: no tray icon (%s); the minimised panel keeps its taskbar button.", qPrintable(why));
        return;
    }
    // Deleting the panel must take the icon with it.
    if (control->parent() != this)
        control->setParent(this);
    TrayNot = control;
    auto *events = new TrayEvents(*this);
    connect(control, SIGNAL(MouseClick(int)), events, SLOT(mouseClick(int)));
    connect(control, SIGNAL(MouseDblClick(int)), events, SLOT(mouseDblClick(int)));
    control->setProperty("TrayTip", kTrayTip);
    control->setProperty("TrayIcon", QVariant::fromValue(programIcon()));
}

void NCP::applyStoredGeometry()
{
    const int tx = twipsX(m_program);
    const int ty = twipsY(m_program);
    moveFrameTo(QPoint(m_program.settings.Left / tx, m_program.settings.Top / ty));
    resize(qMax(1, m_program.settings.Wide / tx), qMax(1, m_program.settings.High / ty));
}

void NCP::enableNoteTimers(bool on)
{
    if (on) {
        tmrAutoSave.start();
        tmrWindowCheck.start();
    } else {
        tmrAutoSave.stop();
        tmrWindowCheck.stop();
    }
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
    if (TrayNot && TrayNot->property("InTray").toBool()) {
        const bool trayShown =
            m_program.trayAvailable ? m_program.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
        if (trayShown)
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
        if (isMinimized() && m_program.settings.TaskbarIcon == 0 && m_program.modalDialog == 0
            && mayHideWhenMinimised())
            hide();
    });
}

void NCP::moveFrameTo(const QPoint &topLeft)
{
    // A window placed before it existed is where it should be already.
    if (pos() == topLeft)
        return;
    if (isVisible() || !windowHandle()) {
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
        if (m_program.settings.TaskbarIcon == 0 && m_program.modalDialog == 0 && mayHideWhenMinimised())
            hideWhenMinimisedLater();
        return;
    }
    if (isMaximized()) {
        setWindowState(windowState() & ~Qt::WindowMaximized);
        return;
    }

    setWindowTitle(kCaptionNormal);
    m_resizeInProgress = true;
    const int tx = twipsX(m_program);
    const int ty = twipsY(m_program);
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
        ++m_program.modalDialog;
        const MsgResult r = m_program.prompts().message(QStringLiteral("Are you sure you want to exit Pellux now?"),
                                                        MsgIcon::None, MsgButtons::YesNo, QStringLiteral("Pellux"));
        --m_program.modalDialog;
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

// ---- timers -------------------------------------------------------------------------

void NCP::tmrAutoSave_Timer()
{
    if (m_program.settings.AutoSave <= 0)
        return;
    // A save whose error message is still up lets the minutes pass rather than stack a second one.
    if (m_autoSaving)
        return;
    ++m_autoSaveCounter;
    if (m_autoSaveCounter < m_program.settings.AutoSave)
        return;
    m_autoSaving = true;
    const QString caption = windowTitle();
    const bool wasMinimised = isMinimized();
    setWindowTitle(QStringLiteral("(AutoSaving)"));
    QCoreApplication::processEvents();
    m_program.SaveNotes();
    QCoreApplication::processEvents();
    // A panel minimised or restored meanwhile gets the caption of its new state.
    if (isMinimized() == wasMinimised)
        setWindowTitle(caption);
    else
        setWindowTitle(isMinimized() ? kCaptionMinimised : kCaptionNormal);
    m_autoSaveCounter = 0;
    m_autoSaving = false;
}

void NCP::tmrTrayCheck_Timer()
{
    if (TrayNot && TrayNot->property("InTray").toBool())
        QMetaObject::invokeMethod(TrayNot, "Refresh");
}

void NCP::tmrWindowCheck_Timer()
{
    // Ten times a second: only cheap questions here, the desktop's answers are cached.
    m_program.CheckRollUp();

    // The local minute can only change when the epoch minute does (time-zone offsets
    // are whole minutes), so the local time, which costs a time-zone lookup, is read
    // once a minute rather than on every tick.
    const qint64 ms = m_program.clock().msecsSinceEpoch();
    const qint64 epochMinute = ms >= 0 ? ms / 60000 : -((-ms + 59999) / 60000);
    if (epochMinute != m_lastEpochMinute) {
        m_lastEpochMinute = epochMinute;
        const int minute = m_program.clock().now().time().minute();
        if (minute != m_lastMinute) {
            m_lastMinute = minute;
            if (m_alarmSweep)
                m_alarmSweep();
            else
                m_program.CheckAlarms();
        }
    }

    const int saver = m_program.system().screenSaverActive() ? 1 : 0;
    if (saver != m_lastScreenSaver) {
        const bool ended = m_lastScreenSaver == 1;
        m_lastScreenSaver = saver;
        if (ended)
            m_program.RefreshNotes();
    }

    if (m_program.IsWin2000Plus) {
        const int locked = m_program.system().sessionLocked() ? 1 : 0;
        if (locked != m_lastLocked) {
            const bool unlocked = m_lastLocked == 1;
            m_lastLocked = locked;
            if (unlocked)
                m_program.RefreshNotes();
        }
    }
}

// ---- tray events ----------------------------------------------------------------------

void NCP::TrayNot_MouseClick(int Button)
{
    if (m_program.modalDialog)
        return;
    if (Button == 1)
        mnuPelluxAdd();
    else if (Button == 2)
        popupTrayMenu();
}

void NCP::TrayNot_MouseDblClick(int Button)
{
    if (m_program.modalDialog)
        return;
    if (Button == 1)
        mnuPelluxControl();
}

void NCP::popupTrayMenu()
{
    frmPelluxMenu &menu = m_program.trayMenu();
    menu.popup()->setDefaultAction(menu.mnuPelluxAdd);
    menu.popup()->popup(QCursor::pos());
}

void NCP::activatePanel()
{
    raise();
    activateWindow();
}

// ---- the commands behind the tray and its menu ------------------------------------

void NCP::mnuPelluxAdd()
{
    ++m_program.modalDialog;
    // The title prompt comes up in front with the panel; a minimised panel stays so.
    show();
    if (!isMinimized())
        activatePanel();
    QString title;
    NoteProc::NewTextNote(m_program, title);
    --m_program.modalDialog;
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

void NCP::mnuPelluxNoteup()
{
    ++m_program.modalDialog;
    NoteWindow *first = nullptr;
    for (int i = 1; i <= m_program.upperBound(); ++i) {
        NoteWindow *w = m_program.note(i);
        if (w && w->Visible()) {
            w->raise();
            if (!first)
                first = w;
        }
    }
    if (first) {
        first->raise();
        first->activateWindow();
    }
    --m_program.modalDialog;
}

// A deleted note is told by its empty slot, not by its list entry: a note may be
// titled "(Deleted)" itself.
void NCP::mnuPelluxHideAll()
{
    for (int i = 1; i <= NoteList->count(); ++i) {
        if (NoteWindow *w = m_program.note(i))
            w->HideNote();
    }
}

void NCP::mnuPelluxShowAll()
{
    for (int i = 1; i <= NoteList->count(); ++i) {
        NoteWindow *w = m_program.note(i);
        if (w && w->GetNotePass().isEmpty())
            w->ShowNote();
    }
}

} // namespace pellux

#include "NcpLifecycle.moc"
