#include "notes/NoteWindow.h"

#include "alarms/AlarmRules.h"
#include "alarms/frmAlarm.h"
#include "core/store/StoreWriter.h"
#include "core/app/Program.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QVBoxLayout>
#include <QWindow>

namespace pellux {

QColor toQColor(ColorValue color)
{
    if (color & 0x80000000) {
        // A system colour: the low byte is the system's colour index.
        const QPalette pal = QApplication::palette();
        switch (color & 0xFF) {
        case 5: return pal.color(QPalette::Base);            // window background
        case 8: return pal.color(QPalette::Text);            // window text
        case 15: return pal.color(QPalette::Button);         // button face
        case 18: return pal.color(QPalette::ButtonText);     // button text
        case 13: return pal.color(QPalette::Highlight);
        case 14: return pal.color(QPalette::HighlightedText);
        default: return pal.color(QPalette::WindowText);
        }
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

ColorValue fromQColor(const QColor &color)
{
    return ColorValue(color.red() | (color.green() << 8) | (color.blue() << 16));
}

QFont toQFont(const NoteStyle &style)
{
    QFont f(style.fontName.isEmpty() ? QApplication::font().family() : style.fontName);
    f.setPointSizeF(style.fontSize > 0 ? double(style.fontSize) : 8.25);
    f.setBold(style.bold);
    f.setItalic(style.italic);
    f.setUnderline(style.underline);
    f.setStrikeOut(style.strikethru);
    return f;
}

FontChoice fontChoiceOf(const NoteStyle &style)
{
    FontChoice f;
    f.name = style.fontName;
    f.size = style.fontSize;
    f.bold = style.bold;
    f.italic = style.italic;
    f.underline = style.underline;
    f.strikeout = style.strikethru;
    f.color = toQColor(style.foreColor);
    return f;
}

void applyFontChoice(NoteStyle &style, const FontChoice &choice, bool withStrikeout)
{
    style.fontName = choice.name;
    style.fontSize = choice.size;
    style.bold = choice.bold;
    style.italic = choice.italic;
    style.underline = choice.underline;
    if (withStrikeout)
        style.strikethru = choice.strikeout;
    if (choice.color.isValid() && choice.color != toQColor(style.foreColor))
        style.foreColor = fromQColor(choice.color);
}

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
    action->setToolTip(QStringLiteral("Not available in this build"));
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
    markUnavailable(mnuAlarmSet);
    // Ticked while protected; nothing in the program shows or enables it.
    mnuPassword = addMenuItem(mnuNoteOpts, QStringLiteral("&Password Protect..."), "mnuPassword");
    mnuPassword->setCheckable(true);
    mnuPassword->setVisible(false);
    mnuPassword->setEnabled(false);
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
    markUnavailable(mnuEMail);
    mnuPrint = addMenuItem(mnuAction, QStringLiteral("P&rint Note..."), "mnuPrint", QKeySequence(Qt::CTRL | Qt::Key_P));
    markUnavailable(mnuPrint);
    addMenuSeparator(mnuAction, "mnuJunk3");
    mnuSaveNoteOut = addMenuItem(mnuAction, QStringLiteral("&Save Note To File..."), "mnuSaveNoteOut",
                                 QKeySequence(Qt::CTRL | Qt::Key_S));
    markUnavailable(mnuSaveNoteOut);
    mnuReadNoteIn = addMenuItem(mnuAction, QStringLiteral("&Load Note From File..."), "mnuReadNoteIn",
                                QKeySequence(Qt::CTRL | Qt::Key_L));
    addMenuSeparator(mnuAction, "mnuJunk4");
    mnuControlPanel = addMenuItem(mnuAction, QStringLiteral("&Control Panel"), "mnuControlPanel");

    connect(mnuHide, &QAction::triggered, this, &NoteWindow::HideNote);
    // A checkable item has already flipped its tick when this runs.
    connect(mnuOnTop, &QAction::triggered, this, [this](bool checked) { setTopmost(checked); });
    connect(mnuNoteFont, &QAction::triggered, this, commands.font);
    connect(mnuNoteFore, &QAction::triggered, this, commands.foreColor);
    connect(mnuNoteBack, &QAction::triggered, this, commands.backColor);
    connect(mnuDefaultFC, &QAction::triggered, this, [this] { UpdateSettings(); });
    connect(mnuReTitle, &QAction::triggered, this, commands.retitle);
    connect(mnuDelete, &QAction::triggered, this, [this] { m_program.ncp().DelNote(NoteNum, false); });
    connect(mnuReadNoteIn, &QAction::triggered, this, commands.readIn);
    connect(mnuControlPanel, &QAction::triggered, this, [this] { m_program.ncp().mnuPelluxControl(); });
}

void NoteWindow::setClientWidget(QWidget *client)
{
    m_client = client;
    // The client may shrink to nothing, so that a rolled-up note is only its menu bar.
    client->setMinimumSize(0, 0);
    client->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    m_layout->addWidget(client);
}

void NoteWindow::SetNotePass(const QString &Pass)
{
    m_password = Pass;
    if (mnuPassword)
        mnuPassword->setChecked(!Pass.isEmpty());
}

QString NoteWindow::GetNotePass() const
{
    return m_password.isNull() ? QString(QLatin1String("")) : m_password;
}

void NoteWindow::ShowNote()
{
    if (!isVisible() && !m_password.isEmpty()) {
        const QString answer = m_program.prompts().password(QStringLiteral("Password"),
                                                            QStringLiteral("Input Password:"), false, 12);
        if (answer.isEmpty())
            return;
        if (answer != m_password) {
            m_program.prompts().message(QStringLiteral("Invalid Password!"), MsgIcon::Exclamation);
            return;
        }
    }
    show();
    raise();
    activateWindow();
    if (m_program.hasPanel())
        m_program.ncp().NoteList_Click();
}

void NoteWindow::HideNote()
{
    hide();
    if (m_program.hasPanel())
        m_program.ncp().NoteList_Click();
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
}

void NoteWindow::CheckAlarm(const QTime &TimeIn)
{
    if (!AlarmDue(m_alarm, TimeIn, m_program.clock().today()))
        return;
    auto *window = new frmAlarm(m_program);
    window->FireAlarm(NoteNum);
}

void NoteWindow::EMailNote(qint16 EMType, const QString &MailTo, const QString &MailSubject)
{
    Q_UNUSED(EMType);
    Q_UNUSED(MailTo);
    Q_UNUSED(MailSubject);
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
    return tpp > 0 ? qRound(double(twips) / tpp) : twips;
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
    setCaption(title);
    m_program.ncp().setListEntry(NoteNum, title);
    m_program.trayMenu().UpdateNoteList(NoteNum);
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

void NoteWindow::toggleOnTop()
{
    const bool on = !mnuOnTop->isChecked();
    setTopmost(on);
    mnuOnTop->setChecked(on);
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
