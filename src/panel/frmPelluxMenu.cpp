#include "panel/frmPelluxMenu.h"

#include "app/Commands.h"
#include "app/Notes.h"
#include "panel/Artwork.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWidgetAction>

namespace pellux {

namespace {

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
        m_size = m_picture.isNull() ? QSize(112, 52) : m_picture.deviceIndependentSize().toSize();
        // As wide as the menu: the picture in the middle, its edge colour on either side.
        setMinimumSize(m_size);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        if (!m_picture.isNull()) {
            const QImage image = m_picture.toImage();
            m_edge = image.pixelColor(0, image.height() / 2);
        }
        setToolTip(action->toolTip());
    }

    const QPixmap &picture() const { return m_picture; }
    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        if (m_edge.isValid())
            p.fillRect(rect(), m_edge);
        const QRect at(QPoint((width() - m_size.width()) / 2, (height() - m_size.height()) / 2), m_size);
        p.drawPixmap(at, m_picture);
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
    QSize m_size;
    QColor m_edge;
};

/**
 * A menu's item tips, each bound to its own item: Qt shows a tip for the whole menu,
 * so the tip of a disabled item stayed on screen over the items below it. Here it
 * goes as soon as the pointer leaves the item.
 */
class ItemTips : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *menu = qobject_cast<QMenu *>(watched);
        if (!menu || event->type() != QEvent::ToolTip)
            return QObject::eventFilter(watched, event);
        const auto *help = static_cast<QHelpEvent *>(event);
        const QAction *action = menu->actionAt(help->pos());
        // Only a tip set on the item itself (toolTip() falls back to the caption).
        const QString tip = action && action->toolTip() != QAction(action->text()).toolTip() ? action->toolTip()
                                                                                            : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, menu, menu->actionGeometry(const_cast<QAction *>(action)));
        return true;
    }
};

void markUnavailable(QAction *action)
{
    action->setEnabled(false);
    action->setToolTip(Commands::notAvailableText());
}

} // namespace

frmPelluxMenu::frmPelluxMenu(const Notes &notes, const Commands &hub)
    : QObject(nullptr)
    , m_notes(notes)
{
    buildMenu(hub);
    connect(&notes, &Notes::added, this, &frmPelluxMenu::CreateNoteList);
    connect(&notes, &Notes::retitled, this, &frmPelluxMenu::UpdateNoteList);
    connect(&notes, &Notes::changed, this, &frmPelluxMenu::UpdateNoteList);
    connect(&notes, &Notes::removed, this, &frmPelluxMenu::RemoveNoteList);
    connect(&notes, &Notes::cleared, this, &frmPelluxMenu::UnloadNoteItems);
    // A menu made while notes are open lists them too.
    for (int slot = 1; slot <= notes.upperBound(); ++slot) {
        if (notes.isLive(slot))
            CreateNoteList(slot);
    }
}

frmPelluxMenu::~frmPelluxMenu() = default;

void frmPelluxMenu::buildMenu(const Commands &hub)
{
    m_popup.setObjectName(QStringLiteral("mnuPellux"));
    m_popup.setTitle(QStringLiteral("PelluxPopUp"));
    m_popup.setToolTipsVisible(true);
    auto *tips = new ItemTips(&m_popup);
    m_popup.installEventFilter(tips);

    mnuPelluxJunk1 = new QWidgetAction(&m_popup);
    mnuPelluxJunk1->setObjectName(QStringLiteral("mnuPelluxJunk1"));
    mnuPelluxJunk1->setText(QStringLiteral("Pellux"));
    if (!hub.available(Feature::About))
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
    if (!hub.available(Feature::Search))
        markUnavailable(mnuPelluxSearch);
    m_popup.addSeparator()->setObjectName(QStringLiteral("mnuJunk1"));
    m_gotoMenu = m_popup.addMenu(QStringLiteral("Goto Note"));
    m_gotoMenu->setObjectName(QStringLiteral("mnuShowHideParent"));
    m_gotoMenu->installEventFilter(tips);
    m_template = m_gotoMenu->addAction(QStringLiteral("Note List"));
    m_template->setEnabled(false);
    mnuPelluxShowAll = m_popup.addAction(QStringLiteral("Show All Notes"));
    mnuPelluxHideAll = m_popup.addAction(QStringLiteral("Hide All Notes"));
    m_popup.addSeparator()->setObjectName(QStringLiteral("mnuJunk3"));
    mnuPelluxControl = m_popup.addAction(QStringLiteral("Control Panel"));
    mnuProgramOptions = m_popup.addAction(QStringLiteral("Program Options"));
    if (!hub.available(Feature::ProgramOptions))
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
        connect(item, &QAction::triggered, this, [this, n] { emit noteChosen(n); });
        m_noteItems[slot] = item;
    }
    UpdateNoteList(slot);
}

void frmPelluxMenu::UpdateNoteList(int slot)
{
    QAction *item = mnuNoteList(slot);
    const NoteEntry *e = m_notes.entry(slot);
    if (!item || slot < 1 || !e || !e->window)
        return;
    QString caption = e->title;
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    item->setText(caption);
    const bool open = !e->isProtected;
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
