#include "search/frmPelluxSearch.h"

#include "app/ControlPanel.h"
#include "app/FlashMsg.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace pellux {

/// The note table as the search reads it.
class frmPelluxSearch::NoteTable : public SearchSource
{
public:
    explicit NoteTable(Program &program) : m_program(program) {}

    int lastSlot() const override { return m_program.upperBound(); }
    bool searchable(int slot) const override
    {
        // Protected notes are never searched.
        const NoteWindow *w = m_program.note(slot);
        return w && w->GetNotePass().isEmpty();
    }
    int fieldCount(int slot) const override { return m_program.note(slot)->searchFieldCount(); }
    QString fieldText(int slot, int field) const override { return m_program.note(slot)->searchFieldText(field); }

private:
    Program &m_program;
};

namespace {

const QString Searching = QStringLiteral("Searching...");

} // namespace

frmPelluxSearch::frmPelluxSearch(Program &program, QWidget *parent)
    : QDialog(parent)
    , m_program(program)
    , m_table(std::make_unique<NoteTable>(program))
{
    setObjectName(QStringLiteral("frmPelluxSearch"));
    setWindowTitle(QStringLiteral("Pellux Search"));
    setModal(false);
    if (program.hasPanel() && program.panel()->window())
        setWindowIcon(program.panel()->window()->windowIcon());

    const int tx = program.screen().twipsPerPixelX();
    const int ty = program.screen().twipsPerPixelY();
    // Places a control by its twips; a width or height of 0 keeps the control's own.
    auto place = [tx, ty](QWidget *w, int left, int top, int width = 0, int height = 0) {
        const QSize hint = w->sizeHint();
        w->setGeometry(left / tx, top / ty, width ? width / tx : hint.width(), height ? height / ty : hint.height());
    };

    Label1 = new QLabel(QStringLiteral("Search For:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    Label1->setBuddy(txtSearch);
    chkCase = new QCheckBox(QStringLiteral("Match Case"), this);
    chkCase->setObjectName(QStringLiteral("chkCase"));
    Label2 = new QLabel(QStringLiteral("NOTE:  Protected notes are not included in the search."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdFind = button("cmdFind", QStringLiteral("Find"));
    cmdFindNext = button("cmdFindNext", QStringLiteral("Find Next"));
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"));
    cmdNextNote = button("cmdNextNote", QStringLiteral("Next Note"));

    place(Label1, 120, 120 + 30);
    place(txtSearch, 1200, 120, 3612, qMax(288, txtSearch->sizeHint().height() * ty));
    place(chkCase, 1200, 480, qMax(1452, chkCase->sizeHint().width() * tx), qMax(252, chkCase->sizeHint().height() * ty));
    place(Label2, 120, 840);
    place(cmdFind, 5040, 120, 1332, 372);
    place(cmdFindNext, 5040, 600, 1332, 372);
    place(cmdCancel, 6480, 120, 1332, 372);
    place(cmdNextNote, 6480, 600, 1332, 372);
    setFixedSize(qMax(7932 / tx, Label2->geometry().right() + 120 / tx), Label2->geometry().bottom() + 150 / ty);

    cmdFind->setDefault(true);
    cmdFindNext->setEnabled(false);
    cmdNextNote->setEnabled(false);
    txtSearch->setFocus();

    connect(cmdFind, &QPushButton::clicked, this, &frmPelluxSearch::cmdFind_Click);
    connect(cmdFindNext, &QPushButton::clicked, this, &frmPelluxSearch::cmdFindNext_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPelluxSearch::cmdCancel_Click);
    connect(cmdNextNote, &QPushButton::clicked, this, &frmPelluxSearch::cmdNextNote_Click);

    placeOnWorkArea();
}

// Touches nothing of the program: the window may go with it (see InstallSearch).
frmPelluxSearch::~frmPelluxSearch() = default;

void frmPelluxSearch::placeOnWorkArea()
{
    const ScreenMetrics &screen = m_program.screen();
    const QRect area = screen.availableAreaTwips();
    // The frame is the window manager's: known once shown, about a title bar before.
    const QRect frame = frameGeometry();
    const int frameExtra = isVisible() ? frame.height() - height() : 0;
    const int x = area.left() / screen.twipsPerPixelX();
    const int y = (area.top() + area.height()) / screen.twipsPerPixelY() - height() - frameExtra;
    move(x, qMax(area.top() / screen.twipsPerPixelY(), y));
}

void frmPelluxSearch::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    placeOnWorkArea();
}

void frmPelluxSearch::SearchNotes()
{
    cmdFind->setDefault(false);
    cmdFindNext->setEnabled(true);
    cmdNextNote->setEnabled(true);
    cmdFindNext->setDefault(true);

    m_request = NoRequest;
    m_search = std::make_unique<NoteSearch>(*m_table, chkCase->isChecked());
    searchOn();
}

void frmPelluxSearch::searchOn()
{
    m_program.flash().DispMsg(Searching);
    // The text box is read afresh at every step: an edit made while paused counts from here on.
    const std::optional<SearchHit> hit = m_search->next(txtSearch->text());
    if (!hit) {
        endSearch(true);
        return;
    }
    m_program.flash().StopMsg();
    m_hit = *hit;
    m_request = NoRequest;
    if (NoteWindow *w = m_program.note(hit->slot)) {
        w->ShowNote();
        w->selectSearchMatch(hit->field, hit->start, hit->length);
    }
}

void frmPelluxSearch::endSearch(bool announce)
{
    m_search.reset();
    m_hit = {};
    m_program.flash().StopMsg();
    cmdFindNext->setDefault(false);
    cmdFindNext->setEnabled(false);
    cmdNextNote->setEnabled(false);
    cmdFind->setDefault(true);
    if (announce)
        m_program.prompts().message(QStringLiteral("Search Completed"), MsgIcon::Information);
}

void frmPelluxSearch::cmdFind_Click()
{
    m_request = NewSearchRequest;
    // A paused search ends quietly; the new one starts from the first note.
    if (m_search)
        endSearch(false);
    SearchNotes();
}

void frmPelluxSearch::cmdFindNext_Click()
{
    m_request = FindNextRequest;
    if (m_search)
        searchOn();
}

void frmPelluxSearch::cmdNextNote_Click()
{
    m_request = NextNoteRequest;
    if (m_search) {
        m_search->skipNote();
        searchOn();
    }
}

void frmPelluxSearch::cmdCancel_Click()
{
    reject();
}

void frmPelluxSearch::reject()
{
    // Esc, "Cancel" and the title bar's close alike: a paused search ends without a word.
    m_request = CloseRequest;
    if (m_search)
        endSearch(false);
    QDialog::reject();
}

} // namespace pellux
