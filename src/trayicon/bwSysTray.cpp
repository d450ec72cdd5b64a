#include "bwSysTray.h"

#include "HalotrayInfo.h"
#include "QtTrayShell.h"
#include "frmAbout.h"

#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QStyleHints>

using namespace halotray;

namespace {

int systemDoubleClickTime()
{
    if (qGuiApp)
        return QGuiApplication::styleHints()->mouseDoubleClickInterval();
    return 400;
}

bwSysTray::Environment completed(bwSysTray::Environment env)
{
    if (!env.makeShell)
        env.makeShell = [](bwSysTray &control) { return std::make_unique<QtTrayShell>(&control); };
    if (!env.doubleClickTime)
        env.doubleClickTime = &systemDoubleClickTime;
    if (!env.makeTimer)
        env.makeTimer = [] { return std::make_unique<QtClickTimer>(); };
    if (!env.pumpEvents)
        env.pumpEvents = [] { QCoreApplication::processEvents(); };
    return env;
}

/// A stored value by key, ignoring case; a null variant when the key is absent.
QVariant storedValue(const QVariantMap &properties, const QString &key)
{
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (it.key().compare(key, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return {};
}

/// A stored picture in any of the forms a host may keep it in; null if unreadable.
QIcon storedIcon(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QIcon: return value.value<QIcon>();
    case QMetaType::QPixmap: return QIcon(value.value<QPixmap>());
    case QMetaType::QImage: return QIcon(QPixmap::fromImage(value.value<QImage>()));
    case QMetaType::QByteArray: {
        QByteArray data = value.toByteArray();
        QBuffer buffer(&data);
        QImage image = QImageReader(&buffer).read();
        return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    }
    default: return {};
    }
}

} // namespace

bwSysTray::bwSysTray(bool userMode, QObject *parent)
    : bwSysTray(Environment{}, userMode, parent)
{
}

bwSysTray::bwSysTray(Environment environment, bool userMode, QObject *parent)
    : QObject(parent)
    , m_env(completed(std::move(environment)))
    , m_userMode(userMode)
    , m_tip(QLatin1String(kDefaultTip))
    , m_icon(ownPicture())
{
    m_record.owner = this;
    m_record.icon = m_icon;
    m_record.tip = fixedTrayTip(m_tip);
    m_shell = m_env.makeShell(*this);
    m_decoder = std::make_unique<TrayMouseDecoder>(m_env.doubleClickTime, m_env.makeTimer,
                                                   [this](TrayMouseEvent event, int button) { raise(event, button); });
}

bwSysTray::~bwSysTray()
{
    // No event pump here: the host may be half torn down around us.
    if (m_inTray) {
        m_inTray = false;
        m_shell->remove(m_record);
    }
}

QIcon bwSysTray::ownPicture()
{
    return halotray::ownPicture();
}

void bwSysTray::setTrayTip(const QString &tip)
{
    m_tip = tip;
    m_record.tip = fixedTrayTip(tip);
    if (m_inTray && m_userMode) {
        m_record.flags = TrayFlagTip;
        changeIcon();
    }
    emit PropertyChanged(QStringLiteral("TrayTip"));
}

void bwSysTray::setTrayIcon(const QIcon &icon)
{
    m_icon = icon;
    m_record.icon = icon;
    if (m_inTray && m_userMode) {
        m_record.flags = TrayFlagIcon;
        changeIcon();
    }
    emit PropertyChanged(QStringLiteral("TrayIcon"));
}

void bwSysTray::setInTray(bool inTray)
{
    if (inTray) {
        if (m_userMode)
            addIcon();
    } else {
        removeIcon();
    }
    m_inTray = inTray;
    emit PropertyChanged(QStringLiteral("InTray"));
}

void bwSysTray::Refresh()
{
    // Only an icon the host asked for may come back; otherwise the re-add would put
    // an icon in the tray that nothing ever removes.
    if (!m_inTray || !m_userMode)
        return;
    changeIcon();
}

void bwSysTray::ReadProperties(const QVariantMap &properties)
{
    const QVariant inTray = storedValue(properties, QStringLiteral("InTray"));
    setInTray(inTray.isValid() && inTray.toBool());

    QIcon icon = storedIcon(storedValue(properties, QStringLiteral("TrayIcon")));
    setTrayIcon(icon.isNull() ? ownPicture() : icon);

    const QVariant tip = storedValue(properties, QStringLiteral("TrayTip"));
    setTrayTip(tip.isValid() ? tip.toString() : QString::fromLatin1(kDefaultTip));
}

QVariantMap bwSysTray::WriteProperties() const
{
    return {
        {QStringLiteral("InTray"), m_inTray},
        {QStringLiteral("TrayIcon"), m_icon},
        {QStringLiteral("TrayTip"), m_tip},
    };
}

void bwSysTray::ShowAboutBox()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        qWarning("bwSysTray: the About box needs a QApplication");
        return;
    }
    frmAbout box(nullptr);
    box.setOpenAddress(m_env.openAddress);
    box.setShowModal(m_env.showAboutModal);
    box.ShowAbout(frmAbout::ownIcon(), QString());
}

void bwSysTray::shellNotify(quint32 callbackMessage, int mouseMessage)
{
    if (callbackMessage != m_record.callbackMessage)
        return;
    m_decoder->notify(mouseMessage);
}

void bwSysTray::raise(TrayMouseEvent event, int button)
{
    switch (event) {
    case TrayMouseEvent::Click: emit MouseClick(button); break;
    case TrayMouseEvent::DblClick: emit MouseDblClick(button); break;
    case TrayMouseEvent::Up: emit MouseUp(button); break;
    case TrayMouseEvent::Down: emit MouseDown(button); break;
    case TrayMouseEvent::Move: emit MouseMove(); break;
    }
}

void bwSysTray::addIcon()
{
    m_record.size = TrayIconRecord::kRecordSize;
    m_record.owner = this;
    m_record.id = TrayIconRecord::kIconId;
    m_record.flags = TrayFlagsAll;
    m_record.callbackMessage = TrayIconRecord::kCallbackMessage;
    m_record.icon = m_icon;
    m_record.tip = fixedTrayTip(m_tip);
    m_shell->add(m_record);
    m_env.pumpEvents();
}

void bwSysTray::changeIcon()
{
    if (!m_shell->modify(m_record))
        addIcon(); // the shell lost the icon; what the add says is of no further use
    m_env.pumpEvents();
}

void bwSysTray::removeIcon()
{
    m_shell->remove(m_record);
    m_env.pumpEvents();
}
