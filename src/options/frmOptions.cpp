#include "options/frmOptions.h"

#include "app/ControlPanel.h"
#include "app/Program.h"
#include "core/options/AutoSaveSteps.h"
#include "platform/SmtpPasswordStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace pellux {

namespace {

template<typename W>
W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QGroupBox(caption, parent), name);
}

} // namespace

frmOptions::frmOptions(Program &program, QWidget *parent)
    : QDialog(parent)
    , m_program(program)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Pellux Program Options"));
    setModal(true);
    if (program.hasPanel() && program.panel()->window())
        setWindowIcon(program.panel()->window()->windowIcon());

    // ---- the left column -----------------------------------------------------------
    fraIcons = frame(this, "fraIcons", QStringLiteral("Icon Options"));
    chkSysTray = named(new QCheckBox(QStringLiteral("Show &System Tray Icon"), fraIcons), "chkSysTray");
    chkIcon = named(new QCheckBox(QStringLiteral("Show &Icon On Taskbar or Desktop"), fraIcons), "chkIcon");
    // Both on when the dialog is made; the settings then change them through the click rule.
    chkSysTray->setChecked(true);
    chkIcon->setChecked(true);
    auto *icons = new QVBoxLayout(fraIcons);
    icons->addWidget(chkSysTray);
    icons->addWidget(chkIcon);

    fraAutoSave = frame(this, "fraAutoSave", QStringLiteral("AutoSave"));
    Label1 = named(new QLabel(QStringLiteral("Inter&val"), fraAutoSave), "Label1");
    sldASTime = named(new QSlider(Qt::Horizontal, fraAutoSave), "sldASTime");
    sldASTime->setRange(autosave::FirstPosition, autosave::LastPosition);
    sldASTime->setPageStep(1);
    sldASTime->setTickPosition(QSlider::TicksBelow);
    sldASTime->setTickInterval(1);
    sldASTime->setTracking(true);
    sldASTime->setValue(3);
    Label1->setBuddy(sldASTime);
    lblASDelay = named(new QLabel(QStringLiteral("5 Minutes"), fraAutoSave), "lblASDelay");
    lblASDelay->setMinimumWidth(lblASDelay->fontMetrics().horizontalAdvance(QStringLiteral("60 Minutes")) + 4);
    auto *autoSave = new QHBoxLayout(fraAutoSave);
    autoSave->addWidget(Label1);
    autoSave->addWidget(sldASTime, 1);
    autoSave->addWidget(lblASDelay);

    fraMenus = frame(this, "fraMenus", QStringLiteral("Note Menu Options"));
    optMenuStyle[1] = named(new QRadioButton(QStringLiteral("Short Menu Names (E, O, A)"), fraMenus), "optMenuStyle_1");
    optMenuStyle[0] =
        named(new QRadioButton(QStringLiteral("Normal Menu Names (Edit, Option, Action)"), fraMenus), "optMenuStyle_0");
    auto *menus = new QVBoxLayout(fraMenus);
    menus->addWidget(optMenuStyle[1]);
    menus->addWidget(optMenuStyle[0]);

    fraPrint = frame(this, "fraPrint", QStringLiteral("Include Time and Date on Note Print"));
    optNoteTD[0] = named(new QRadioButton(QStringLiteral("Yes"), fraPrint), "optNoteTD_0");
    optNoteTD[1] = named(new QRadioButton(QStringLiteral("No"), fraPrint), "optNoteTD_1");
    auto *print = new QHBoxLayout(fraPrint);
    print->addWidget(optNoteTD[0]);
    print->addWidget(optNoteTD[1]);
    print->addStretch(1);

    // ---- the e-mail settings -----------------------------------------------------------
    fraEMail = frame(this, "fraEMail", QStringLiteral("E-Mail Settings"));
    Label2 = named(new QLabel(QStringLiteral("SMTP (&E-Mail) Server:"), fraEMail), "Label2");
    txtEMail = named(new QLineEdit(fraEMail), "txtEMail");
    Label2->setBuddy(txtEMail);
    Label3 = named(new QLabel(QStringLiteral("&Your E-Mail Address:"), fraEMail), "Label3");
    txtReturn = named(new QLineEdit(fraEMail), "txtReturn");
    Label3->setBuddy(txtReturn);

    fraEMailType = frame(fraEMail, "fraEMailType", QStringLiteral("Default E-Mail Type"));
    optEMailFormat[0] = named(new QRadioButton(QStringLiteral("&HTML Enahanced"), fraEMailType), "optEMailFormat_0");
    optEMailFormat[1] = named(new QRadioButton(QStringLiteral("Plain &Text"), fraEMailType), "optEMailFormat_1");
    auto *type = new QHBoxLayout(fraEMailType);
    type->addWidget(optEMailFormat[0]);
    type->addWidget(optEMailFormat[1]);
    type->addStretch(1);

    fraAuth = frame(fraEMail, "fraAuth", QStringLiteral("SMTP Auth (Required for some servers)"));
    Label4 = named(new QLabel(QStringLiteral("User ID:"), fraAuth), "Label4");
    txtUserID = named(new QLineEdit(fraAuth), "txtUserID");
    Label4->setBuddy(txtUserID);
    Label5 = named(new QLabel(QStringLiteral("Password:"), fraAuth), "Label5");
    txtPassword = named(new QLineEdit(fraAuth), "txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    Label5->setBuddy(txtPassword);
    Label6 = named(new QLabel(QStringLiteral("Note:  Leave the password field blank in SMTP Auth to have it ask for the "
                                             "password before send."),
                              fraAuth),
                   "Label6");
    Label6->setWordWrap(true);
    lblPasswordStore = named(new QLabel(fraAuth), "lblPasswordStore");
    lblPasswordStore->setWordWrap(true);
    lblPasswordStore->hide();
    auto *auth = new QGridLayout(fraAuth);
    auth->addWidget(Label4, 0, 0);
    auth->addWidget(txtUserID, 0, 1);
    auth->addWidget(Label5, 1, 0);
    auth->addWidget(txtPassword, 1, 1);
    auth->addWidget(Label6, 2, 0, 1, 2);
    auth->addWidget(lblPasswordStore, 3, 0, 1, 2);

    auto *email = new QFormLayout(fraEMail);
    email->addRow(Label2, txtEMail);
    email->addRow(Label3, txtReturn);
    email->addRow(fraEMailType);
    email->addRow(fraAuth);

    // ---- buttons ------------------------------------------------------------------------
    cmdOK = named(new QPushButton(QStringLiteral("Ok"), this), "cmdOK");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    cmdApply = named(new QPushButton(QStringLiteral("&Apply"), this), "cmdApply");
    cmdOK->setDefault(true);
    cmdCancel->setAutoDefault(false);
    cmdApply->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);

    auto *left = new QVBoxLayout;
    left->addWidget(fraIcons);
    left->addWidget(fraAutoSave);
    left->addWidget(fraMenus);
    left->addWidget(fraPrint);
    left->addStretch(1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(fraEMail, 1);
    auto *main = new QVBoxLayout(this);
    main->addLayout(columns);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    // Room for a whole server address ("smtps://mail.example.org:465") and a mail address.
    const int chars = fontMetrics().averageCharWidth();
    for (QLineEdit *field : {txtEMail, txtReturn})
        field->setMinimumWidth(chars * 30);

    auto group = [this](const std::array<QRadioButton *, 2> &options) {
        auto *g = new QButtonGroup(this);
        for (int i = 0; i < 2; ++i)
            g->addButton(options[size_t(i)], i);
        return g;
    };
    m_menuStyle = group(optMenuStyle);
    m_noteTD = group(optNoteTD);
    m_emailFormat = group(optEMailFormat);

    // The click rule holds for every change, the dialog's own included.
    connect(chkIcon, &QCheckBox::toggled, this, &frmOptions::chkIcon_Click);
    connect(chkSysTray, &QCheckBox::toggled, this, &frmOptions::chkSysTray_Click);
    connect(sldASTime, &QSlider::valueChanged, this, &frmOptions::sldASTime_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
}

frmOptions::~frmOptions() = default;

void frmOptions::Form_Load()
{
    const ProgramSettings &s = m_program.settings;
    chkIcon->setChecked(s.TaskbarIcon != 0);
    chkSysTray->setChecked(s.SystemTrayIcon != 0);

    const int position = autosave::PositionOf(s.AutoSave);
    sldASTime->setValue(position);
    sldASTime_Change(position);

    txtEMail->setText(s.SMTPServer);
    txtReturn->setText(s.ReturnEMail);
    txtUserID->setText(s.SMTPUserID);
    SmtpPasswordStore &secrets = m_program.smtpPassword();
    m_loadedPassword = secrets.password();
    txtPassword->setText(m_loadedPassword);
    if (secrets.usingFallback()) {
        lblPasswordStore->setText(
            QStringLiteral("No secret store answers: the password is kept in the settings file."));
        lblPasswordStore->setToolTip(secrets.fallbackReason());
        lblPasswordStore->show();
    }

    // A type the dialog has no option for (the attachment alone) is kept unless one is chosen.
    if (s.EMailType == 0 || s.EMailType == 1)
        optEMailFormat[size_t(s.EMailType)]->setChecked(true);
    optMenuStyle[s.NoteShortMenus ? 1 : 0]->setChecked(true);
    optNoteTD[s.NoteDTPrint ? 0 : 1]->setChecked(true);

    if (!m_program.hasNotificationArea()) {
        // No notification area: the taskbar icon first, so the rule never puts the tray box back.
        chkIcon->setChecked(true);
        chkSysTray->setChecked(false);
        chkSysTray->setEnabled(false);
    }
}

void frmOptions::sldASTime_Change(int position)
{
    const std::optional<int> minutes = autosave::MinutesAt(position);
    if (!minutes)
        return;
    m_minutes = *minutes;
    lblASDelay->setText(autosave::LabelAt(position));
}

void frmOptions::chkIcon_Click()
{
    if (!chkSysTray->isChecked())
        chkIcon->setChecked(true);
}

void frmOptions::chkSysTray_Click()
{
    if (!chkIcon->isChecked())
        chkSysTray->setChecked(true);
}

void frmOptions::cmdApply_Click()
{
    ProgramSettings &s = m_program.settings;
    s.AutoSave = m_minutes;
    s.TaskbarIcon = chkIcon->isChecked() ? 1 : 0;
    s.SystemTrayIcon = chkSysTray->isChecked() ? 1 : 0;
    s.NoteShortMenus = optMenuStyle[1]->isChecked();
    if (const int type = m_emailFormat->checkedId(); type >= 0)
        s.EMailType = type;
    s.NoteDTPrint = optNoteTD[0]->isChecked();
    s.SMTPServer = txtEMail->text();
    s.ReturnEMail = txtReturn->text();
    s.SMTPUserID = txtUserID->text();
    // Only a password the user changed is written: one the store could not read stays stored.
    if (txtPassword->text() != m_loadedPassword) {
        m_program.smtpPassword().setPassword(txtPassword->text());
        m_loadedPassword = txtPassword->text();
    }

    if (m_program.hasPanel())
        m_program.panel()->setTrayIconShown(s.SystemTrayIcon == 1);
    m_program.SaveSettings();
}

void frmOptions::cmdOK_Click()
{
    cmdApply_Click();
    accept();
}

void frmOptions::cmdCancel_Click()
{
    reject();
}

} // namespace pellux
