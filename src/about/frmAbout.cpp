#include "about/frmAbout.h"

#include "app/ControlPanel.h"
#include "app/Program.h"
#include "core/about/AboutRules.h"
#include "platform/Prompts.h"
#include "platform/SystemQueries.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace pellux {

namespace {

constexpr int HeaderHeight = 72;
const QColor MakerBlue(38, 92, 160);

template<typename W>
W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QFrame *separator(QWidget *parent, const char *name)
{
    auto *line = named(new QFrame(parent), name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *picture(QWidget *parent, const char *name, const QPixmap &art)
{
    auto *label = named(new QLabel(parent), name);
    label->setPixmap(art);
    label->setFixedSize(art.size());
    return label;
}

/// The maker's emblem: a square with a notch, drawn here rather than shipped.
QPixmap makerEmblem(int size)
{
    QPixmap art(size, size);
    art.fill(Qt::transparent);
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(MakerBlue);
    p.drawRoundedRect(QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8), size * 0.15, size * 0.15);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(size * 0.55, size * 0.2, size * 0.25, size * 0.25));
    return art;
}

/// The maker's wordmark strip: three bars of falling height.
QPixmap makerBars(int width, int height)
{
    QPixmap art(width, height);
    art.fill(Qt::transparent);
    QPainter p(&art);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        QColor c = MakerBlue;
        c.setAlphaF(1.0 - i * 0.25);
        p.setBrush(c);
        const int h = height - i * height / 4;
        p.drawRect(QRect(i * width / 3 + 2, height - h, width / 3 - 4, h));
    }
    return art;
}

QIcon productIcon()
{
    QIcon icon(QStringLiteral(":/pellux/pellux48.png"));
    return icon.isNull() ? QApplication::windowIcon() : icon;
}

} // namespace

frmAbout::frmAbout(Program &program, QWidget *parent)
    : QDialog(parent)
    , m_program(program)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    auto *main = new QVBoxLayout(this);
    Line1 = separator(this, "Line1");
    main->addWidget(Line1);

    // Laid out by hand: the product logo sits in the exact centre of the header.
    m_header = named(new QWidget(this), "HeaderArea");
    m_header->setFixedHeight(HeaderHeight);
    m_header->setMinimumWidth(380);
    Picture1 = picture(m_header, "Picture1", makerEmblem(48));
    Picture2 = picture(m_header, "Picture2", makerBars(72, 48));
    Picture3 = picture(m_header, "Picture3", productIcon().pixmap(48, 48));
    m_header->installEventFilter(this);
    main->addWidget(m_header);
    Line2 = separator(this, "Line2");
    main->addWidget(Line2);

    ProgDisp = named(new QLabel(this), "ProgDisp");
    QFont big = ProgDisp->font();
    big.setBold(true);
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * 1.3);
    ProgDisp->setFont(big);
    main->addWidget(ProgDisp);
    VerDisp = named(new QLabel(this), "VerDisp");
    main->addWidget(VerDisp);

    auto *body = new QHBoxLayout;
    txtInfo = named(new QPlainTextEdit(this), "txtInfo");
    txtInfo->setReadOnly(true);
    // As designed, with a final line break that ShowAbout takes off.
    txtInfo->setPlainText(ContactText() + QLatin1Char('\n'));
    body->addWidget(txtInfo, 1);

    m_buttons = new QGridLayout;
    cmdAbout_OK = named(new QPushButton(QStringLiteral("OK!"), this), "cmdAbout_OK");
    cmdAbout_OK->setDefault(true);
    cmdCheckUpdate = named(new QPushButton(QStringLiteral("Check for &Updates"), this), "cmdCheckUpdate");
    cmdBrackwel = named(new QPushButton(QStringLiteral("Brackwel's Web"), this), "cmdBrackwel");
    cmdOtherApps = named(new QPushButton(QStringLiteral("Product's Web"), this), "cmdOtherApps");
    for (QPushButton *b : {cmdCheckUpdate, cmdBrackwel, cmdOtherApps})
        b->setAutoDefault(false);
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
    Picture4 = picture(this, "Picture4", makerEmblem(24));
    footer->addWidget(Picture4);
    footer->addStretch(1);
    main->addLayout(footer);

    connect(cmdAbout_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCheckUpdate, &QPushButton::clicked, this, &frmAbout::CheckForUpdates);
    connect(cmdBrackwel, &QPushButton::clicked, this, [this] { openAndClose(maker::Home); });
    connect(cmdOtherApps, &QPushButton::clicked, this, [this] { openAndClose(m_productPage); });
}

frmAbout::~frmAbout() = default;

void frmAbout::ShowAbout(const QIcon &icon, const QString &productPage)
{
    setWindowIcon(icon);

    QString info = txtInfo->toPlainText();
    if (info.endsWith(QLatin1Char('\n')))
        info.chop(1);
    txtInfo->setPlainText(info);

    const QString product = m_program.ProductName;
    setWindowTitle(QStringLiteral("About ") + product);
    ProgDisp->setText(product);
    VerDisp->setText(VersionLine(m_program.version()));

    centrePicture3();

    if (!productPage.isEmpty()) {
        m_productPage = productPage;
        cmdOtherApps->setText(product + QStringLiteral("'s Web"));
    } else {
        // One tall maker button covers the place of both web buttons.
        cmdOtherApps->hide();
        const int tall = cmdBrackwel->sizeHint().height() + qMax(0, m_buttons->verticalSpacing())
                         + cmdOtherApps->sizeHint().height();
        m_buttons->removeWidget(cmdBrackwel);
        m_buttons->addWidget(cmdBrackwel, 2, 0, 2, 1);
        cmdBrackwel->setFixedHeight(tall);
    }

    m_program.prompts().dialog(*this);
}

void frmAbout::CheckForUpdates()
{
    m_program.CheckForUpdates();
    QCoreApplication::processEvents();
    accept();
}

void frmAbout::openAndClose(const QString &address)
{
    m_program.system().openUrl(QUrl(address));
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

} // namespace pellux
