#include "frmAbout.h"

#include "HalotrayInfo.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace halotray {

namespace {

constexpr int kHeaderHeight = 72;
const QColor kMakerTeal(28, 160, 170);

QFrame *separator(QWidget *parent, const char *name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *picture(QWidget *parent, const char *name, const QPixmap &art)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setPixmap(art);
    label->setFixedSize(art.size());
    return label;
}

/// The maker's mark: a ring with a dot, drawn rather than shipped as a bitmap.
QPixmap makerMark(int size)
{
    QPixmap art(size, size);
    art.fill(Qt::transparent);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kMakerTeal, size / 8.0));
    p.drawEllipse(QRectF(size / 8.0, size / 8.0, size * 0.75, size * 0.75));
    p.setPen(Qt::NoPen);
    p.setBrush(kMakerTeal.darker(140));
    p.drawEllipse(QRectF(size * 0.38, size * 0.38, size * 0.24, size * 0.24));
    return art;
}

/// The maker's stripes, three slanted bars fading out.
QPixmap makerStripes(int width, int height)
{
    QPixmap art(width, height);
    art.fill(Qt::transparent);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        QColor c = kMakerTeal;
        c.setAlphaF(1.0 - i * 0.3);
        p.setBrush(c);
        const qreal x = i * width / 3.0;
        QPainterPath bar;
        bar.moveTo(x + width / 6.0, 0);
        bar.lineTo(x + width / 3.0, 0);
        bar.lineTo(x + width / 6.0, height);
        bar.lineTo(x, height);
        bar.closeSubpath();
        p.drawPath(bar);
    }
    return art;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));

    auto *main = new QVBoxLayout(this);

    Line1 = separator(this, "Line1");
    main->addWidget(Line1);

    // The header is laid out by hand: the product logo sits in its exact centre,
    // whatever the widths of the maker's pictures on either side.
    m_header = new QWidget(this);
    m_header->setObjectName(QStringLiteral("HeaderArea"));
    m_header->setFixedHeight(kHeaderHeight);
    m_header->setMinimumWidth(360);
    Picture1 = picture(m_header, "Picture1", makerMark(48));
    Picture2 = picture(m_header, "Picture2", makerStripes(72, 48));
    Picture3 = picture(m_header, "Picture3", ownIcon().pixmap(48, 48));
    m_header->installEventFilter(this);
    main->addWidget(m_header);

    Line2 = separator(this, "Line2");
    main->addWidget(Line2);

    ProgDisp = new QLabel(this);
    ProgDisp->setObjectName(QStringLiteral("ProgDisp"));
    QFont big = ProgDisp->font();
    big.setBold(true);
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * 1.3);
    ProgDisp->setFont(big);
    main->addWidget(ProgDisp);

    VerDisp = new QLabel(this);
    VerDisp->setObjectName(QStringLiteral("VerDisp"));
    main->addWidget(VerDisp);

    auto *body = new QHBoxLayout;
    txtInfo = new QPlainTextEdit(this);
    txtInfo->setObjectName(QStringLiteral("txtInfo"));
    txtInfo->setReadOnly(true);
    // As laid out at design time, with a final line break that ShowAbout takes off.
    txtInfo->setPlainText(QStringLiteral("Send Suggestions To:\n%1\n\nTechnical Support:\n%2\n\n"
                                         "Visit Brackwel on the Web:\n%3\n")
                              .arg(QLatin1String(kMakerFeedbackMail), QLatin1String(kMakerSupportMail),
                                   QLatin1String(kMakerHome)));
    body->addWidget(txtInfo, 1);

    m_buttons = new QGridLayout;
    cmdAbout_OK = button(this, "cmdAbout_OK", QStringLiteral("OK!"));
    cmdAbout_OK->setDefault(true);
    cmdCheckUpdate = button(this, "cmdCheckUpdate", QStringLiteral("Check for &Updates"));
    cmdBrackwel = button(this, "cmdBrackwel", QStringLiteral("Brackwel's Web"));
    cmdOtherApps = button(this, "cmdOtherApps", QStringLiteral("Product's Web"));
    m_buttons->addWidget(cmdAbout_OK, 0, 0);
    m_buttons->addWidget(cmdCheckUpdate, 1, 0);
    m_buttons->addWidget(cmdBrackwel, 2, 0);
    m_buttons->addWidget(cmdOtherApps, 3, 0);
    m_buttons->setRowStretch(4, 1);
    body->addLayout(m_buttons);
    main->addLayout(body);

    Line3 = separator(this, "Line3");
    main->addWidget(Line3);

    auto *footer = new QHBoxLayout;
    Picture4 = picture(this, "Picture4", makerMark(24));
    footer->addWidget(Picture4);
    footer->addStretch(1);
    main->addLayout(footer);

    connect(cmdAbout_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCheckUpdate, &QPushButton::clicked, this, &frmAbout::CheckForUpdates);
    connect(cmdBrackwel, &QPushButton::clicked, this, [this] { openAndClose(QLatin1String(kMakerHome)); });
    connect(cmdOtherApps, &QPushButton::clicked, this, [this] { openAndClose(m_productPage); });
}

QString frmAbout::versionLine()
{
    return QStringLiteral("Version v%1.%2%3 (Build %4)")
        .arg(kVersionMajor)
        .arg(kVersionMinor)
        .arg(QLatin1String(kBuildTag))
        .arg(kVersionRevision);
}

QString frmAbout::updateAddress()
{
    // The product name goes in as it is; the maker's page reads it that way.
    return QStringLiteral("%1checkversion.asp?app=%2&vermaj=%3&vermin=%4&verrev=%5")
        .arg(QLatin1String(kMakerHome), QLatin1String(kProductName))
        .arg(kVersionMajor)
        .arg(kVersionMinor)
        .arg(kVersionRevision);
}

QIcon frmAbout::ownIcon()
{
    return ownPicture();
}

void frmAbout::ShowAbout(const QIcon &icon, const QString &productPage)
{
    setWindowIcon(icon);

    QString info = txtInfo->toPlainText();
    if (info.endsWith(QLatin1Char('\n')))
        info.chop(1);
    txtInfo->setPlainText(info);

    const QString product = QLatin1String(kProductName);
    setWindowTitle(QStringLiteral("About ") + product);
    ProgDisp->setText(product);
    VerDisp->setText(versionLine());

    centrePicture3();

    if (!productPage.isEmpty()) {
        m_productPage = productPage;
        cmdOtherApps->setText(product + QStringLiteral("'s Web"));
    } else {
        // One tall maker button takes the place of both web buttons.
        cmdOtherApps->hide();
        const int tall = cmdBrackwel->sizeHint().height() + m_buttons->verticalSpacing()
                         + cmdOtherApps->sizeHint().height();
        m_buttons->removeWidget(cmdBrackwel);
        m_buttons->addWidget(cmdBrackwel, 2, 0, 2, 1);
        cmdBrackwel->setFixedHeight(tall);
    }

    if (m_showModal)
        m_showModal(*this);
    else
        exec();
}

void frmAbout::CheckForUpdates()
{
    if (m_openAddress)
        m_openAddress(updateAddress());
    else
        QDesktopServices::openUrl(QUrl(updateAddress()));
    QCoreApplication::processEvents();
    accept();
}

void frmAbout::openAndClose(const QString &address)
{
    if (m_openAddress)
        m_openAddress(address);
    else
        QDesktopServices::openUrl(QUrl(address));
    accept();
}

void frmAbout::centrePicture3()
{
    const QRect area = m_header->rect();
    Picture1->move(0, (area.height() - Picture1->height()) / 2);
    Picture2->move(area.width() - Picture2->width(), (area.height() - Picture2->height()) / 2);
    Picture3->move((area.width() - Picture3->width()) / 2, (area.height() - Picture3->height()) / 2);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_header && event->type() == QEvent::Resize)
        centrePicture3();
    return QDialog::eventFilter(watched, event);
}

} // namespace halotray
