#include "notes/TextNoteProt.h"

#include "app/Program.h"
#include "core/store/StoreTextForms.h"
#include "core/TextRules.h"
#include "notes/NoteProc.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTextBlock>
#include <QUrl>

namespace pellux {

namespace {


/// The files a drag carries (local files only).
QStringList droppedFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

} // namespace

// ---- the text field ---------------------------------------------------------

NoteTextEdit::NoteTextEdit(TextNoteProt &owner)
    : QPlainTextEdit(&owner)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("TxtData"));
    setFrameStyle(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setAcceptDrops(true);
}

void NoteTextEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_owner.acceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void NoteTextEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_owner.acceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void NoteTextEdit::dropEvent(QDropEvent *event)
{
    if (!m_owner.acceptsDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    // A copy, never a move: the text is inserted at the caret, not at the drop point.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    m_owner.handleDrop(event->mimeData());
}

namespace {

Qt::KeyboardModifiers shiftState(const QKeyEvent *event)
{
    return event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

} // namespace

void NoteTextEdit::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+A and Ctrl+Alt+G act on release (below); their presses are not for the field.
    // Every other combination stays with it: AltGr may arrive as Ctrl+Alt with a key of its own.
    const Qt::KeyboardModifiers mods = shiftState(event);
    if ((event->key() == Qt::Key_A && mods == Qt::ControlModifier)
        || (event->key() == Qt::Key_G && mods == (Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NoteTextEdit::keyReleaseEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = shiftState(event);
    if (event->key() == Qt::Key_A && mods == Qt::ControlModifier)
        m_owner.mnuSelectAll_Click();
    else if (event->key() == Qt::Key_G && mods == (Qt::ControlModifier | Qt::AltModifier))
        m_owner.ShowGUID();
    QPlainTextEdit::keyReleaseEvent(event);
    m_owner.CheckClipboard();
}

void NoteTextEdit::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    m_owner.CheckClipboard();
}

// ---- the window ---------------------------------------------------------------

TextNoteProt::TextNoteProt(Program &program)
    : NoteWindow(program)
{
    setObjectName(QStringLiteral("TextNoteProt"));
    MenuCaptions[0][0] = QStringLiteral("&Edit");
    MenuCaptions[0][1] = QStringLiteral("&E");
    MenuCaptions[1][0] = QStringLiteral("&Options");
    MenuCaptions[1][1] = QStringLiteral("&O");
    MenuCaptions[2][0] = QStringLiteral("&Actions");
    MenuCaptions[2][1] = QStringLiteral("&A");

    TxtData = new NoteTextEdit(*this);
    setClientWidget(TxtData);
    buildMenus();
    connect(TxtData, &QPlainTextEdit::textChanged, this, &TextNoteProt::TxtData_Change);
    connect(TxtData, &QPlainTextEdit::textChanged, this, &NoteWindow::contentChanged);
    connect(TxtData, &QPlainTextEdit::selectionChanged, this, &TextNoteProt::CheckClipboard);

    UpdateSettings();
    UpdateMenus();
    placeAtLoad(2535, 1920);
    mnuUndo->setEnabled(false);
}

TextNoteProt::~TextNoteProt() = default;

void TextNoteProt::buildMenus()
{
    mnuClip = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuClip->setObjectName(QStringLiteral("mnuClip"));
    mnuUndo = addMenuItem(mnuClip, QStringLiteral("&Undo"), "mnuUndo");
    addMenuSeparator(mnuClip, "mnuJunk6");
    mnuCutText = addMenuItem(mnuClip, QStringLiteral("Cu&t"), "mnuCutText");
    mnuCopyText = addMenuItem(mnuClip, QStringLiteral("&Copy"), "mnuCopyText");
    mnuPasteText = addMenuItem(mnuClip, QStringLiteral("&Paste"), "mnuPasteText");
    mnuDel = addMenuItem(mnuClip, QStringLiteral("&Delete"), "mnuDel");
    addMenuSeparator(mnuClip, "mnuJunk5");
    mnuSelectAll = addMenuItem(mnuClip, QStringLiteral("Select &All"), "mnuSelectAll");
    addMenuSeparator(mnuClip, "mnuJunk7");
    mnuInsertDateTime = addMenuItem(mnuClip, QStringLiteral("&Insert Current Date && Time"), "mnuInsertDateTime",
                                    QKeySequence(Qt::CTRL | Qt::Key_D));

    KindCommands commands;
    commands.font = [this] { NoteProc::PickNoteFont(m_program, NoteNum); };
    commands.foreColor = [this] { NoteProc::PickTextColor(m_program, NoteNum); };
    commands.backColor = [this] { NoteProc::PickBackColor(m_program, NoteNum); };
    commands.retitle = [this] { NoteProc::RetitleTextNote(m_program, NoteNum); };
    commands.readIn = [this] { ReadIn(QString()); };
    buildNoteMenus(commands, [this](QMenu *options) {
        mnuDynamicTitle = addMenuItem(options, QStringLiteral("&Dynamic Title"), "mnuDynamicTitle");
        mnuDynamicTitle->setCheckable(true);
    });

    connect(mnuUndo, &QAction::triggered, this, &TextNoteProt::mnuUndo_Click);
    connect(mnuCutText, &QAction::triggered, this, &TextNoteProt::mnuCutText_Click);
    connect(mnuCopyText, &QAction::triggered, this, &TextNoteProt::mnuCopyText_Click);
    connect(mnuPasteText, &QAction::triggered, this, &TextNoteProt::mnuPasteText_Click);
    connect(mnuDel, &QAction::triggered, this, &TextNoteProt::mnuDel_Click);
    connect(mnuSelectAll, &QAction::triggered, this, &TextNoteProt::mnuSelectAll_Click);
    connect(mnuInsertDateTime, &QAction::triggered, this, &TextNoteProt::mnuInsertDateTime_Click);
    connect(mnuDynamicTitle, &QAction::toggled, this, [this](bool on) { setDynamicTitle(on); });
}

// ---- the note contract ---------------------------------------------------------

void TextNoteProt::UpdateSettings()
{
    setNoteStyle(m_program.noteDefaults().style);
}

void TextNoteProt::Retitle()
{
    NoteProc::RetitleTextNote(m_program, NoteNum);
}

QString TextNoteProt::searchFieldText(int field) const
{
    return field == 1 ? TxtData->toPlainText() : QString();
}

void TextNoteProt::selectSearchMatch(int field, int start, int length)
{
    if (field != 1)
        return;
    QTextCursor cursor = TxtData->textCursor();
    const int end = int(TxtData->document()->characterCount()) - 1;
    cursor.setPosition(qBound(0, start, end));
    cursor.setPosition(qBound(0, start + length, end), QTextCursor::KeepAnchor);
    TxtData->setTextCursor(cursor);
    TxtData->ensureCursorVisible();
    TxtData->setFocus();
}

void TextNoteProt::ReadIn(const QString &path)
{
    NoteProc::ReadIntoTextNote(m_program, NoteNum, path);
}

void TextNoteProt::applyEntry(const NoteEntry &entry)
{
    NoteWindow::applyEntry(entry);
    const bool turnedOn = entry.dynamicTitle && !m_dynamicTitleApplied;
    m_dynamicTitleApplied = entry.dynamicTitle;
    mnuDynamicTitle->setChecked(entry.dynamicTitle);
    // A dynamic title follows the text; retitling it by hand would not last.
    mnuReTitle->setEnabled(!entry.dynamicTitle);
    if (turnedOn)
        TxtData_Change();
}

void TextNoteProt::NoteRoll()
{
    if (!mnuRollUp->isChecked())
        return;
    NoteRolled = true;
    const int h = Height();
    setHeightAllowingRollUp(0);
    // A window that was already at its smallest keeps the height it saved before.
    if (Height() != h)
        NoteHeight = h;
}

void TextNoteProt::NoteUnroll()
{
    if (!mnuRollUp->isChecked() || NoteHeight == 0)
        return;
    NoteRolled = false;
    setHeight(NoteHeight);
}

void TextNoteProt::CheckClipboard()
{
    const bool selection = TxtData->textCursor().hasSelection();
    mnuCutText->setEnabled(selection);
    mnuDel->setEnabled(selection);
    mnuCopyText->setEnabled(selection);
    mnuPasteText->setEnabled(clipboardHasText());
}

void TextNoteProt::RefreshDisplay()
{
    TxtData->viewport()->update();
    update();
}

void TextNoteProt::UpdateMenus()
{
    const int form = m_program.settings.NoteShortMenus ? 1 : 0;
    mnuClip->setTitle(MenuCaptions[0][form]);
    mnuNoteOpts->setTitle(MenuCaptions[1][form]);
    mnuAction->setTitle(MenuCaptions[2][form]);
}

void TextNoteProt::setNoteStyle(const NoteStyle &style)
{
    m_style = style;
    TxtData->setFont(toQFont(style));
    applyColors();
    emit contentChanged();
}

void TextNoteProt::applyColors()
{
    QPalette pal = TxtData->palette();
    pal.setColor(QPalette::Text, toQColor(m_style.foreColor));
    pal.setColor(QPalette::Base, toQColor(m_style.backColor));
    pal.setColor(QPalette::Window, toQColor(m_style.backColor));
    TxtData->setPalette(pal);
}

void TextNoteProt::fillStoredData(StoredNote &note) const
{
    note.text = text();
    note.dynamicTitle = mnuDynamicTitle->isChecked();
    note.rows.clear();
}

// ---- text ------------------------------------------------------------------------

QString TextNoteProt::text() const
{
    // toPlainText() would turn non-breaking spaces into blanks and line separators into
    // line breaks; the raw text gives back exactly what was typed or loaded.
    QString raw = TxtData->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return toCrLf(raw);
}

void TextNoteProt::setText(const QString &crlfText)
{
    TxtData->setPlainText(fromCrLf(crlfText));
}

void TextNoteProt::TxtData_Change()
{
    if (mnuDynamicTitle->isChecked()) {
        const QString t = DynamicTitle(text());
        if (m_program.note(NoteNum) == this)
            m_program.notes().retitle(NoteNum, t);
        else
            setCaption(t);
    }
    mnuUndo->setEnabled(TxtData->document()->isUndoAvailable());
}

void TextNoteProt::setDynamicTitle(bool on)
{
    if (m_program.note(NoteNum) == this) {
        m_program.notes().setDynamicTitle(NoteNum, on);
        return;
    }
    // Not in the table yet: the window alone, which its placement will confirm.
    const QSignalBlocker block(mnuDynamicTitle);
    mnuDynamicTitle->setChecked(on);
    mnuReTitle->setEnabled(!on);
    if (on)
        TxtData_Change();
}

void TextNoteProt::mnuDynamicTitle_Click()
{
    setDynamicTitle(!mnuDynamicTitle->isChecked());
}

// ---- editing commands --------------------------------------------------------

void TextNoteProt::mnuUndo_Click()
{
    TxtData->undo();
}

void TextNoteProt::mnuCopyText_Click()
{
    QClipboard *cb = QGuiApplication::clipboard();
    cb->clear();
    cb->setText(TxtData->textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    CheckClipboard();
}

void TextNoteProt::replaceSelection(const QString &replacement)
{
    QTextCursor c = TxtData->textCursor();
    c.insertText(replacement);
    TxtData->setTextCursor(c);
}

void TextNoteProt::mnuCutText_Click()
{
    mnuCopyText_Click();
    replaceSelection(QString());
    CheckClipboard();
}

void TextNoteProt::mnuPasteText_Click()
{
    replaceSelection(clipboardText());
    CheckClipboard();
}

void TextNoteProt::mnuDel_Click()
{
    replaceSelection(QString());
    CheckClipboard();
}

void TextNoteProt::mnuSelectAll_Click()
{
    TxtData->selectAll();
}

void TextNoteProt::mnuInsertDateTime_Click()
{
    const QDateTime now = m_program.clock().now();
    QString stamp = AlarmDateText(now.date());
    // The general date form: the date alone at exactly midnight.
    if (now.time() != QTime(0, 0))
        stamp += QLatin1Char(' ') + AlarmTimeText(now.time());
    replaceSelection(stamp);
    mnuUndo->setEnabled(TxtData->document()->isUndoAvailable());
}

void TextNoteProt::ShowGUID()
{
    m_program.prompts().message(NoteGUID(), MsgIcon::None, MsgButtons::Ok, QStringLiteral("Note GUID"));
}

// ---- drag and drop -------------------------------------------------------------

bool TextNoteProt::acceptsDrop(const QMimeData *data) const
{
    if (!data)
        return false;
    const QStringList files = droppedFiles(data);
    if (files.size() >= 2)
        return false;
    if (files.isEmpty() && !data->hasText())
        return false;
    return true;
}

void TextNoteProt::handleDrop(const QMimeData *data)
{
    const QStringList files = droppedFiles(data);
    if (files.isEmpty() && data->hasText()) {
        // At the caret with nothing selected: the selection's start, whatever the drop point.
        QTextCursor c = TxtData->textCursor();
        c.setPosition(c.selectionStart());
        c.insertText(data->text());
        TxtData->setTextCursor(c);
    } else if (files.size() == 1) {
        ReadIn(files.first());
    }
}

} // namespace pellux
