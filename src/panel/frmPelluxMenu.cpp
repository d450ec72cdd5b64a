#include "panel/frmPelluxMenu.h"

#include "checklists/CheckListProc.h"
#include "core/app/Program.h"
#include "notes/NoteWindow.h"
#include "panel/Artwork.h"
#include "panel/NCP.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWidgetAction>

namespace pellux {

namespace {

const QString kNotAvailable = QStringLiteral("Not available in this build");

/**
 * The banner line of the popup: the picture drawn as it is, whether or not its
 * command is available (a greyed logo would only look broken), and a click that
 * runs the command like any other item when it is.
 */
class BannerItem : public QWidget
{
public:
    BannerItem(QWidgetAction *action, const QPixmap &picture)
        : m_action(action)
        , m_picture(picture)
    {
        setObjectName(QStringLiteral("picPellux"));
        setFixedSize(m_picture.isNull() ? QSize(112, 52) : m_picture.deviceIndependentSize().toSize());
        setToolTip(action->toolTip());
    }

    const QPixmap &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.drawPixmap(rect(), m_picture);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton || !m_action || !m_action->isEnabled())
            return;
        // A picture item closes its menu like a text item before its command runs.
        for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
            if (auto *menu = qobject_cast<QMenu *>(w)) {
                menu->close();
                break;
            }
        }
        m_action->trigger();
    }

private:
    QPointer<QWidgetAction> m_action;
    QPixmap m_picture;
};

void markUnavailable(QAction *action)
{
    action->setEnabled(false);
    action->setToolTip(kNotAvailable);
}

} // namespace

frmPelluxMenu::frmPelluxMenu(Program &program)
    : QObject(nullptr)
    , m_program(program)
{
    buildMenu();
    connectMenu();
}

frmPelluxMenu::~frmPelluxMenu() = default;

void frmPelluxMenu::buildMenu()
{
    m_popup.setObjectName(QStringLiteral("mnuPellux"));
    m_popup.setTitle(QStringLiteral("PelluxPopUp"));
    m_popup.setToolTipsVisible(true);

    mnuPelluxJunk1 = new QWidgetAction(&m_popup);
    mnuPelluxJunk1->setObjectName(QStringLiteral("mnuPelluxJunk1"));
    mnuPelluxJunk1->setText(QStringLiteral("Pellux"));
    // The About box arrives with a later build.
    markUnavailable(mnuPelluxJunk1);
    mnuPelluxJunk1->setDefaultWidget(new BannerItem(mnuPelluxJunk1, bannerPicture()));
    m_popup.addAction(mnuPelluxJunk1);

    m_popup.addSeparator()->setObjectName(QStringLiteral("mnuPelluxJunk2"));
    mnuPelluxAdd = m_popup.addAction(QStringLiteral("Add Note"));
    QFont bold = mnuPelluxAdd->font();
    bold.setBold(true);
    mnuPelluxAdd->setFont(bold);
    m_popup.setDefaultAction(mnuPelluxAdd);
    mnuCheckListAdd = m_popup.addAction(QStringLiteral("Add Check List"));
    mnuPelluxNoteup = m_popup.addAction(QStringLiteral("Notes To Top"));
    mnuPelluxSearch = m_popup.addAction(QStringLiteral("Search Notes"));
    markUnavailable(mnuPelluxSearch);
    m_popup.addSeparator()->setObjectName(QStringLiteral("mnuJunk1"));
    m_gotoMenu = m_popup.addMenu(QStringLiteral("Goto Note"));
    m_gotoMenu->setObjectName(QStringLiteral("mnuShowHideParent"));
    m_template = m_gotoMenu->addAction(QStringLiteral("Note List"));
    m_template->setEnabled(false);
    mnuPelluxShowAll = m_popup.addAction(QStringLiteral("Show All Notes"));
    mnuPelluxHideAll = m_popup.addAction(QStringLiteral("Hide All Notes"));
    m_popup.addSeparator()->setObjectName(QStringLiteral("mnuJunk3"));
    mnuPelluxControl = m_popup.addAction(QStringLiteral("Control Panel"));
    mnuProgramOptions = m_popup.addAction(QStringLiteral("Program Options"));
    markUnavailable(mnuProgramOptions);
    m_popup.addSeparator()->setObjectName(QStringLiteral("mnusep"));
    mnuPelluxExit = m_popup.addAction(QStringLiteral("Exit"));
    m_noteItems.append(QPointer<QAction>(m_template));

    const QList<std::pair<QAction *, const char *>> names{
        {mnuPelluxAdd, "mnuPelluxAdd"},         {mnuCheckListAdd, "mnuCheckListAdd"},
        {mnuPelluxNoteup, "mnuPelluxNoteup"},   {mnuPelluxSearch, "mnuPelluxSearch"},
        {mnuPelluxShowAll, "mnuPelluxShowAll"}, {mnuPelluxHideAll, "mnuPelluxHideAll"},
        {mnuPelluxControl, "mnuPelluxControl"}, {mnuProgramOptions, "mnuProgramOptions"},
        {mnuPelluxExit, "mnuPelluxExit"}};
    for (const auto &[action, name] : names)
        action->setObjectName(QLatin1String(name));
}

void frmPelluxMenu::connectMenu()
{
    // The commands run on the panel, which exists before this window does.
    connect(mnuPelluxJunk1, &QAction::triggered, this, [this] { m_program.ncp().cmdAbout_Click(); });
    connect(mnuPelluxAdd, &QAction::triggered, this, [this] { m_program.ncp().mnuPelluxAdd(); });
    connect(mnuCheckListAdd, &QAction::triggered, this, [this] {
        QString title;
        CheckListProc::NewCheckList(m_program, title);
    });
    connect(mnuPelluxNoteup, &QAction::triggered, this, [this] { m_program.ncp().mnuPelluxNoteup(); });
    connect(mnuPelluxShowAll, &QAction::triggered, this, [this] { m_program.ncp().mnuPelluxShowAll(); });
    connect(mnuPelluxHideAll, &QAction::triggered, this, [this] { m_program.ncp().mnuPelluxHideAll(); });
    connect(mnuPelluxControl, &QAction::triggered, this, [this] { m_program.ncp().mnuPelluxControl(); });
    connect(mnuProgramOptions, &QAction::triggered, this, [this] { m_program.ncp().cmdProgOpt_Click(); });
    connect(mnuPelluxExit, &QAction::triggered, this, [this] {
        m_program.exitConfirmed = true;
        m_program.ncp().mnuPelluxExit();
    });
}

QAction *frmPelluxMenu::mnuNoteList(int slot) const
{
    if (slot < 0 || slot >= m_noteItems.size())
        return nullptr;
    return m_noteItems.at(slot);
}

void frmPelluxMenu::CreateNoteList(int slot)
{
    if (slot < 1)
        return;
    while (m_noteItems.size() <= slot)
        m_noteItems.append(QPointer<QAction>());
    if (!m_noteItems.at(slot)) {
        auto *item = new QAction(m_gotoMenu);
        item->setObjectName(QStringLiteral("mnuNoteList%1").arg(slot));
        // Items stay in slot order whatever order they are created in.
        QAction *before = nullptr;
        for (int i = slot + 1; i < m_noteItems.size() && !before; ++i)
            before = m_noteItems.at(i);
        m_gotoMenu->insertAction(before, item);
        const int n = slot;
        connect(item, &QAction::triggered, this, [this, n] {
            if (NoteWindow *w = m_program.note(n))
                w->ShowNote();
        });
        m_noteItems[slot] = item;
    }
    UpdateNoteList(slot);
}

void frmPelluxMenu::UpdateNoteList(int slot)
{
    QAction *item = mnuNoteList(slot);
    NoteWindow *w = m_program.note(slot);
    if (!item || slot < 1 || !w)
        return;
    QString caption = w->Caption();
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    item->setText(caption);
    const bool open = !(w->mnuPassword && w->mnuPassword->isChecked());
    item->setEnabled(open);
    item->setVisible(open);
}

void frmPelluxMenu::RemoveNoteList(int slot)
{
    if (QAction *item = mnuNoteList(slot); item && slot >= 1) {
        item->setVisible(false);
        item->setEnabled(false);
    }
}

void frmPelluxMenu::UnloadNoteItems()
{
    for (int i = 1; i < m_noteItems.size(); ++i)
        delete m_noteItems.at(i).data();
    m_noteItems.resize(1);
}

} // namespace pellux
