#include "mail/frmEMailNote.h"

#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "platform/Prompts.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace pellux {

namespace {

const QString MissingServer = QStringLiteral(
    "ERROR:  Missing SMTP Server.  You must specify a SMTP server in the Program Options dialog before sending "
    "E-Mail\r\rFix This Now?");
const QString MissingReturnAddress = QStringLiteral(
    "ERROR:  Missing Retrun E-Mail Address.  You must specify a Retrun E-Mail Address in the Program Options dialog "
    "before sending E-Mail\r\rFix This Now?");

} // namespace

frmEMailNote::frmEMailNote(Program &program)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , m_program(program)
{
    setObjectName(QStringLiteral("frmEMailNote"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("E-Mail a Note"));

    Label1 = new QLabel(QStringLiteral("&To:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtEMailAddr = new QLineEdit(this);
    txtEMailAddr->setObjectName(QStringLiteral("txtEMailAddr"));
    txtEMailAddr->setMinimumWidth(260);
    Label1->setBuddy(txtEMailAddr);
    Label2 = new QLabel(QStringLiteral("&Subject:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtSubject = new QLineEdit(this);
    txtSubject->setObjectName(QStringLiteral("txtSubject"));
    Label2->setBuddy(txtSubject);

    fraDefEmail = new QGroupBox(QStringLiteral("E-Mail Type"), this);
    fraDefEmail->setObjectName(QStringLiteral("fraDefEmail"));
    optEMailFormat1 = new QRadioButton(QStringLiteral("Plain &Text"), fraDefEmail);
    optEMailFormat1->setObjectName(QStringLiteral("optEMailFormat1"));
    optEMailFormat0 = new QRadioButton(QStringLiteral("&HTML Enahanced"), fraDefEmail);
    optEMailFormat0->setObjectName(QStringLiteral("optEMailFormat0"));
    auto *formats = new QHBoxLayout(fraDefEmail);
    formats->addWidget(optEMailFormat1);
    formats->addWidget(optEMailFormat0);

    cmdOK = new QPushButton(QStringLiteral("Ok"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto *fields = new QFormLayout;
    fields->addRow(Label1, txtEMailAddr);
    fields->addRow(Label2, txtSubject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(fraDefEmail);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Esc rejects the dialog, which closes it like "Cancel".
    connect(cmdOK, &QPushButton::clicked, this, &frmEMailNote::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (m_program.settings.EMailType != 0)
        optEMailFormat1->setChecked(true);
    else
        optEMailFormat0->setChecked(true);

    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
}

bool frmEMailNote::settingPresent(const QString &value, const QString &missingText, bool *declined)
{
    if (!value.trimmed().isEmpty())
        return true;
    if (m_program.prompts().message(missingText, MsgIcon::Exclamation, MsgButtons::YesNo,
                                    QStringLiteral("Pellux ERROR"))
        == MsgResult::Yes)
        m_program.hub().run(Feature::ProgramOptions);
    else
        *declined = true;
    return false;
}

bool frmEMailNote::MailANote(int slot)
{
    m_slot = slot;
    bool declined = false;
    while (!declined) {
        if (settingPresent(m_program.settings.SMTPServer, MissingServer, &declined)
            && settingPresent(m_program.settings.ReturnEMail, MissingReturnAddress, &declined))
            break;
    }
    // The options dialog lets events run: the note may have gone meanwhile.
    NoteWindow *note = m_program.note(slot);
    if (declined || !note)
        return false;
    m_note = note;
    setWindowTitle(windowTitle() + QStringLiteral(" (") + note->Caption() + QLatin1Char(')'));
    txtSubject->setText(note->Caption());
    show();
    raise();
    activateWindow();
    txtEMailAddr->setFocus();
    return true;
}

void frmEMailNote::cmdOK_Click()
{
    const qint16 type = optEMailFormat0->isChecked() ? 0 : 1;
    const QString to = txtEMailAddr->text();
    const QString subject = txtSubject->text();
    const QPointer<NoteWindow> note = m_note;
    Program &program = m_program;
    // The dialog goes first (it is deleted once the events run again); the send then
    // asks its own questions on its own.
    close();
    if (note && program.note(note->NoteNum) == note)
        note->EMailNote(type, to, subject);
}

} // namespace pellux
