#include "checklists/CheckListProt.h"

#include "checklists/CheckListProc.h"
#include "checklists/CheckListRows.h"
#include "app/Program.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalBlocker>

#include <climits>

namespace pellux {

namespace {


} // namespace

// ---- construction ----------------------------------------------------------------

CheckListProt::CheckListProt(Program &program)
    : NoteWindow(program)
{
    setObjectName(QStringLiteral("CheckListProt"));
    MenuCaptions[0][0] = QStringLiteral("+");
    MenuCaptions[0][1] = QStringLiteral("+");
    MenuCaptions[1][0] = QStringLiteral("&List");
    MenuCaptions[1][1] = QStringLiteral("&L");
    MenuCaptions[2][0] = QStringLiteral("&Options");
    MenuCaptions[2][1] = QStringLiteral("&O");
    MenuCaptions[3][0] = QStringLiteral("&Actions");
    MenuCaptions[3][1] = QStringLiteral("&A");

    buildClient();
    buildMenus();

    ItemCount = 1;
    TopMargin = 120;
    m_row1TopTw = TopMargin;
    UpdateSettings();
    UpdateMenus();
    placeAtLoad(3570, 945);
}

CheckListProt::~CheckListProt() = default;

void CheckListProt::buildClient()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("CheckListClient"));
    m_client->setAutoFillBackground(true);
    // The design colour, until the first layout pass gives the note's own.
    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    m_client->setPalette(pal);
    setClientWidget(m_client);

    UpDown1 = new CheckListUpDown(m_client);
    UpDown1->setGeometry(0, px(120, true), px(kUpDownWidth, false), px(255, true));
    connect(UpDown1, &CheckListUpDown::upClicked, this, &CheckListProt::mnuLineUp_Click);
    connect(UpDown1, &CheckListUpDown::downClicked, this, &CheckListProt::mnuLineDown_Click);

    VScroll = new QScrollBar(Qt::Vertical, m_client);
    VScroll->setObjectName(QStringLiteral("VScroll"));
    VScroll->setFocusPolicy(Qt::NoFocus);
    VScroll->setGeometry(px(3240, false), 0, px(kScrollWidth, false), px(375, true));
    VScroll->setRange(0, 0);
    VScroll->hide();
    connect(VScroll, &QScrollBar::valueChanged, this, &CheckListProt::onScrollValue);

    createRow();
}

void CheckListProt::buildMenus()
{
    QMenuBar *bar = menuBar();
    mnuAdd = bar->addAction(QStringLiteral("+"));
    mnuAdd->setObjectName(QStringLiteral("mnuAdd"));

    mnuLine = bar->addMenu(QStringLiteral("&Line"));
    mnuLine->setObjectName(QStringLiteral("mnuLine"));
    mnuLineAdd = addMenuItem(mnuLine, QStringLiteral("Add"), "mnuLineAdd", QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuLineDel = addMenuItem(mnuLine, QStringLiteral("Delete"), "mnuLineDel", QKeySequence(Qt::CTRL | Qt::Key_D));
    addMenuSeparator(mnuLine, "mnuJunk5");
    mnuLineUp = addMenuItem(mnuLine, QStringLiteral("Move &Up"), "mnuLineUp");
    mnuLineDown = addMenuItem(mnuLine, QStringLiteral("Move &Down"), "mnuLineDown");
    addMenuSeparator(mnuLine, "mnuJunk6");
    mnuCut = addMenuItem(mnuLine, QStringLiteral("Cu&t"), "mnuCut");
    mnuCopy = addMenuItem(mnuLine, QStringLiteral("&Copy"), "mnuCopy");
    mnuPaste = addMenuItem(mnuLine, QStringLiteral("&Paste"), "mnuPaste");
    mnuEditDelete = addMenuItem(mnuLine, QStringLiteral("&Delete"), "mnuEditDelete");

    KindCommands commands;
    commands.font = [this] { CheckListProc::SetCheckListFont(m_program, NoteNum); };
    commands.foreColor = [this] { CheckListProc::SetCheckListForeColor(m_program, NoteNum); };
    commands.backColor = [this] { CheckListProc::SetCheckListBackColor(m_program, NoteNum); };
    commands.retitle = [this] { CheckListProc::RetitleCheckList(m_program, NoteNum); };
    commands.readIn = [this] { ReadIn(QString()); };
    buildNoteMenus(commands);

    connect(mnuAdd, &QAction::triggered, this, &CheckListProt::mnuAdd_Click);
    connect(mnuLineAdd, &QAction::triggered, this, &CheckListProt::mnuAdd_Click);
    connect(mnuLineDel, &QAction::triggered, this, &CheckListProt::mnuLineDel_Click);
    connect(mnuLineUp, &QAction::triggered, this, &CheckListProt::mnuLineUp_Click);
    connect(mnuLineDown, &QAction::triggered, this, &CheckListProt::mnuLineDown_Click);
    connect(mnuCut, &QAction::triggered, this, &CheckListProt::mnuCut_Click);
    connect(mnuCopy, &QAction::triggered, this, &CheckListProt::mnuCopy_Click);
    connect(mnuPaste, &QAction::triggered, this, &CheckListProt::mnuPaste_Click);
    connect(mnuEditDelete, &QAction::triggered, this, &CheckListProt::mnuEditDelete_Click);
}

// ---- units -------------------------------------------------------------------------

int CheckListProt::tppX() const
{
    return m_program.screen().twipsPerPixelX();
}

int CheckListProt::tppY() const
{
    return m_program.screen().twipsPerPixelY();
}

int CheckListProt::px(int twips, bool vertical) const
{
    return qRound(double(twips) / (vertical ? tppY() : tppX()));
}

int CheckListProt::frameHeightTwips() const
{
    // The menu bar's height as the window's layout gives it (see QLayout's handling of a menu bar).
    QMenuBar *bar = menuBar();
    if (!bar || bar->isHidden())
        return 0;
    int h = bar->heightForWidth(qMax(width(), bar->minimumWidth()));
    if (h < 0)
        h = bar->sizeHint().height();
    return h * tppY();
}

int CheckListProt::clientHeightTwips() const
{
    return qMax(0, height() * tppY() - frameHeightTwips());
}

int CheckListProt::clientWidthTwips() const
{
    return width() * tppX();
}

int CheckListProt::minimumWidthTwips() const
{
    return kTextLeft + 40 * tppX();
}

int CheckListProt::pitch() const
{
    return 4 * tppY() + m_textHeightTw;
}

int CheckListProt::rowTop(int i) const
{
    return m_row1TopTw + (i - 1) * pitch();
}

// ---- rows --------------------------------------------------------------------------

CheckItemText *CheckListProt::txtItem(int i) const
{
    return i >= 1 && i <= int(m_rows.size()) ? m_rows[size_t(i - 1)].txt : nullptr;
}

CheckItemBox *CheckListProt::chkItem(int i) const
{
    return i >= 1 && i <= int(m_rows.size()) ? m_rows[size_t(i - 1)].chk : nullptr;
}

CheckItemRule *CheckListProt::Line1(int i) const
{
    return i >= 1 && i <= int(m_rows.size()) ? m_rows[size_t(i - 1)].line : nullptr;
}

bool CheckListProt::isChecked(int i) const
{
    const CheckItemBox *c = chkItem(i);
    return c && c->isChecked();
}

void CheckListProt::setChecked(int i, bool checked)
{
    // The box reports a real change only; chkItem_Click applies the strike-through.
    if (CheckItemBox *c = chkItem(i))
        c->setChecked(checked);
}

QString CheckListProt::rowText(int i) const
{
    const CheckItemText *t = txtItem(i);
    return t ? t->text() : QString();
}

void CheckListProt::setRowText(int i, const QString &text)
{
    if (CheckItemText *t = txtItem(i))
        t->setText(text);
}

QList<CheckRow> CheckListProt::rows() const
{
    QList<CheckRow> out;
    out.reserve(qsizetype(m_rows.size()));
    for (const Row &r : m_rows)
        out.append(CheckRow{r.chk->isChecked(), r.txt->text()});
    return out;
}

void CheckListProt::createRow()
{
    const int i = int(m_rows.size()) + 1;
    Row r;
    // Created check box first, text second: the focus chain follows creation order.
    r.chk = new CheckItemBox(*this, i, m_client);
    r.txt = new CheckItemText(*this, i, m_client);
    r.line = new CheckItemRule(m_client);
    r.txt->setFont(i == 1 && m_style.strikethru ? m_struckFont : m_plainFont);
    connect(r.chk, &QCheckBox::toggled, this, [this, i] { chkItem_Click(i); });
    connect(r.chk, &QCheckBox::toggled, this, &NoteWindow::contentChanged);
    connect(r.txt, &QLineEdit::textChanged, this, &NoteWindow::contentChanged);
    m_rows.push_back(r);
    ItemCount = int(m_rows.size());
    emit contentChanged();
    placeRow(i);
    if (m_client->isVisible()) {
        r.chk->show();
        r.txt->show();
        r.line->show();
    }
}

void CheckListProt::destroyLastRow()
{
    if (m_rows.size() <= 1)
        return;
    const Row r = m_rows.back();
    m_rows.pop_back();
    ItemCount = int(m_rows.size());
    if (CurrentItem > ItemCount)
        CurrentItem = ItemCount;
    delete r.chk;
    delete r.txt;
    delete r.line;
    emit contentChanged();
}

void CheckListProt::placeRow(int i)
{
    const Row &r = m_rows[size_t(i - 1)];
    const int y = px(rowTop(i), true);
    const int h = px(m_textHeightTw, true);
    const int x = px(kTextLeft, false);
    const int w = px(m_textWidthTw, false);
    r.txt->setGeometry(x, y, w, h);
    r.chk->setGeometry(px(kCheckLeft, false), y, px(kCheckWidth, false), h);
    r.line->setGeometry(x, y + h, w, 1);
}

void CheckListProt::levelUpDown(int i)
{
    const int k = (i < 1 || i > ItemCount) ? 1 : i;
    UpDown1->setGeometry(0, px(rowTop(k), true), px(kUpDownWidth, false), px(m_textHeightTw, true));
}

void CheckListProt::applyRow1Style()
{
    // Whatever font comes (the new-note default, a reset, a stored font), a row is struck
    // through exactly when its box is checked; the note's font keeps row 1's mark.
    m_style.strikethru = isChecked(1);
    QFont f = toQFont(m_style);
    f.setStrikeOut(false);
    m_plainFont = f;
    f.setStrikeOut(true);
    m_struckFont = f;

    CheckItemText *row1 = txtItem(1);
    row1->setFont(m_style.strikethru ? m_struckFont : m_plainFont);
    // The field takes the smallest height its font allows.
    m_textHeightTw = row1->minimumSizeHint().height() * tppY();

    // The client's palette reaches every row: fields and boxes in the background
    // colour, text and rules in the text colour.
    const QColor back = toQColor(m_style.backColor);
    const QColor fore = toQColor(m_style.foreColor);
    QPalette pal = m_client->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        pal.setColor(role, back);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        pal.setColor(role, fore);
    m_client->setPalette(pal);
}

bool CheckListProt::rowWhollyVisible(int i) const
{
    const int t = rowTop(i);
    return t >= 0 && t + m_textHeightTw <= clientHeightTwips();
}

// ---- layout ------------------------------------------------------------------------

void CheckListProt::UpdateItems()
{
    // Every row takes row 1's font, its strike-through following its own box.
    for (int i = 2; i <= ItemCount; ++i)
        m_rows[size_t(i - 1)].txt->setFont(isChecked(i) ? m_struckFont : m_plainFont);
    fitRowWidths();
    for (int i = 1; i <= ItemCount; ++i)
        placeRow(i);
    levelUpDown(CurrentItem < 1 ? 1 : CurrentItem);
    scrollSetup();
    // One repaint for the whole pass, not one per row.
    m_client->update();
}

void CheckListProt::fitRowWidths()
{
    const double cw = clientWidthTwips();
    double w = cw - kTextLeft - kUpDownWidth / 2.0;
    if (!VScroll->isHidden())
        w -= kScrollWidth;
    m_textWidthTw = qMax(0, qRound(w / tppX())) * tppX();
}

void CheckListProt::scrollSetup()
{
    const int cw = clientWidthTwips();
    const int ch = clientHeightTwips();
    VScroll->setGeometry(px(cw - kScrollWidth, false), 0, px(kScrollWidth, false), px(ch, true));

    const int p = pitch();
    const qint64 wanted = qint64(p) * ItemCount + 160 - ch;
    const bool fits = wanted <= 0;
    const int range = fits ? 0 : int(qMin<qint64>(wanted, INT_MAX));
    const bool wasHidden = VScroll->isHidden();
    {
        QSignalBlocker block(VScroll);
        if (fits)
            VScroll->setValue(0);
        VScroll->setRange(0, range);
        if (range > 0 && range < p) {
            VScroll->setSingleStep(range);
            VScroll->setPageStep(range);
        } else {
            VScroll->setSingleStep(p);
            VScroll->setPageStep(p);
        }
    }
    VScroll->setHidden(fits);

    // The value may have been clamped to the new range, and the rows' width
    // follows the scroll bar: re-place the rows once when either changed.
    bool relayout = false;
    if (m_row1TopTw != TopMargin - VScroll->value()) {
        m_row1TopTw = TopMargin - VScroll->value();
        relayout = true;
    }
    if (wasHidden != fits) {
        const int before = m_textWidthTw;
        fitRowWidths();
        relayout = relayout || before != m_textWidthTw;
    }
    if (relayout) {
        for (int i = 1; i <= ItemCount; ++i)
            placeRow(i);
        levelUpDown(CurrentItem < 1 ? 1 : CurrentItem);
    }
    if (fits && CurrentItem != 0)
        bringIntoView(CurrentItem, false);
}

void CheckListProt::onScrollValue(int value)
{
    m_row1TopTw = TopMargin - value;
    UpdateItems();
}

QString CheckListProt::searchFieldText(int field) const
{
    const CheckItemText *t = txtItem(field);
    return t ? t->text() : QString();
}

void CheckListProt::selectSearchMatch(int field, int start, int length)
{
    CheckItemText *t = txtItem(field);
    if (!t)
        return;
    bringIntoView(field, true);
    t->setFocus();
    CurrentItem = field;
    FocusKind = QStringLiteral("T");
    t->setSelection(start, length);
}

void CheckListProt::bringIntoView(int i, bool textFocus)
{
    if (i < 1 || i > ItemCount)
        return;
    // A rolled-up window shows no rows: scrolling it would only leave them misplaced.
    if (!NoteRolled) {
        const int t = rowTop(i);
        const int h = m_textHeightTw;
        const int ch = clientHeightTwips();
        int value = VScroll->value();
        if (t >= 0 && t + h > ch)
            value += (t + h - ch) + 6 * tppY();
        else if (t < 0)
            value += t - TopMargin;
        if (value != VScroll->value())
            VScroll->setValue(value);
    }
    levelUpDown(i);
    CurrentItem = i;
    if (textFocus)
        FocusKind = QStringLiteral("T");
    CheckClipboard();
}

void CheckListProt::resizeEvent(QResizeEvent *event)
{
    NoteWindow::resizeEvent(event);
    Form_Resize();
}

void CheckListProt::Form_Resize()
{
    // The steps below resize the window themselves; they work from its size as it
    // then is, so the nested resize events have nothing left to do.
    if (m_inResize)
        return;
    if (WindowState() != 0)
        return;
    m_inResize = true;
    if (Width() < minimumWidthTwips())
        setWidth(minimumWidthTwips());
    if (!NoteRolled) {
        if (ResetSizePending) {
            ResetSizePending = false;
            {
                QSignalBlocker block(VScroll);
                VScroll->setValue(0);
            }
            m_row1TopTw = TopMargin;
            setHeight(frameHeightTwips() + rowTop(ItemCount) + m_textHeightTw + rowTop(1));
        }
        onScrollValue(VScroll->value());
    }
    m_inResize = false;
}

void CheckListProt::ResetNoteSize()
{
    ResetSizePending = true;
}

// ---- adding rows -------------------------------------------------------------------

void CheckListProt::growWindowForRow()
{
    // The desktop never lets a window grow past the screen; once it stops, the
    // scroll bar takes over.
    const int cap = m_program.screen().screenHeightTwips();
    const int h = Height();
    const int want = qMin(h + pitch(), qMax(h, cap));
    if (want > h)
        setHeight(want);
}

void CheckListProt::addRow()
{
    createRow();
    const int n = ItemCount;
    if (m_batch > 0) {
        if (!NoteRolled && VScroll->isHidden()
            && rowTop(n) + m_textHeightTw > clientHeightTwips() + m_batchGrowth * pitch())
            ++m_batchGrowth;
        return;
    }
    if (!NoteRolled && VScroll->isHidden() && rowTop(n) + m_textHeightTw > clientHeightTwips())
        growWindowForRow();
    scrollSetup();
    if (isVisible())
        focusRow(n);
}

void CheckListProt::AddLine(const QString &TextElement, int CheckElement)
{
    const bool checked = CheckElement == 1 || CheckElement == -1;
    int target = 1;
    if (!rowText(1).isEmpty()) {
        addRow();
        target = ItemCount;
    }
    setRowText(target, TextElement);
    setChecked(target, checked);
}

void CheckListProt::beginRowBatch()
{
    if (m_batch++ == 0) {
        m_batchGrowth = 0;
        m_batchStartCount = ItemCount;
    }
}

void CheckListProt::endRowBatch()
{
    if (m_batch <= 0 || --m_batch > 0)
        return;
    if (m_batchGrowth > 0) {
        const int cap = m_program.screen().screenHeightTwips();
        const int h = Height();
        const int want = int(qMin<qint64>(qint64(h) + qint64(m_batchGrowth) * pitch(), qMax(h, cap)));
        m_batchGrowth = 0;
        if (want > h)
            setHeight(want);
    }
    UpdateItems();
    // Each added row would have taken the focus in turn: the last one keeps it.
    if (isVisible() && ItemCount > m_batchStartCount)
        focusRow(ItemCount);
}

// ---- focus and keys ------------------------------------------------------------------

void CheckListProt::focusRow(int i, bool caretToStart)
{
    CheckItemText *t = txtItem(i);
    if (!t)
        return;
    t->setFocus(Qt::OtherFocusReason);
    if (caretToStart)
        t->setCursorPosition(0);
    if (!t->hasFocus())
        txtItem_GotFocus(i);
}

void CheckListProt::txtItem_GotFocus(int i)
{
    bringIntoView(i, true);
    levelUpDown(i);
    CurrentItem = i;
    FocusKind = QStringLiteral("T");
    CheckClipboard();
}

void CheckListProt::chkItem_GotFocus(int i)
{
    if (!rowWhollyVisible(i))
        txtItem_GotFocus(i);
    levelUpDown(i);
    CurrentItem = i;
    FocusKind = QStringLiteral("C");
    CheckClipboard();
}

void CheckListProt::chkItem_Click(int i)
{
    const bool checked = isChecked(i);
    if (i == 1) {
        // Row 1 is the note's font: its strike-through goes with it.
        m_style.strikethru = checked;
        txtItem(1)->setFont(checked ? m_struckFont : m_plainFont);
    } else if (CheckItemText *t = txtItem(i)) {
        t->setFont(checked ? m_struckFont : m_plainFont);
    }
}

bool CheckListProt::txtItem_KeyDown(int i, QKeyEvent *event)
{
    if (!rowWhollyVisible(i))
        bringIntoView(i, true);
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (i < ItemCount)
            focusRow(i + 1);
        else
            addRow();
        return true;
    case Qt::Key_Up:
        if (mods == Qt::NoModifier) {
            if (i > 1)
                focusRow(i - 1, true);
            txtItem(i)->setCursorPosition(0);
            return true;
        }
        if (mods == Qt::ControlModifier) {
            mnuLineUp_Click();
            return true;
        }
        return false;
    case Qt::Key_Down:
        if (mods == Qt::NoModifier) {
            if (i < ItemCount)
                focusRow(i + 1, true);
            txtItem(i)->setCursorPosition(0);
            return true;
        }
        if (mods == Qt::ControlModifier) {
            mnuLineDown_Click();
            return true;
        }
        return false;
    case Qt::Key_G:
        if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
            ShowGUID();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool CheckListProt::isCommandShortcut(const QKeyEvent *event) const
{
    const QKeySequence pressed(QKeyCombination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key())));
    for (const QAction *a : m_shortcutItems) {
        if (a->isEnabled() && a->shortcut() == pressed)
            return true;
    }
    return false;
}

// ---- commands ------------------------------------------------------------------------

void CheckListProt::mnuAdd_Click()
{
    addRow();
}

void CheckListProt::mnuLineDel_Click()
{
    const int c = CurrentItem;
    if (c < 1 || c > ItemCount)
        return;
    RollBlocked = true;
    const MsgResult answer = m_program.prompts().message(
        QStringLiteral("Delete the following line:") + QLatin1Char('\r') + rowText(c), MsgIcon::Question,
        MsgButtons::YesNo, QStringLiteral("Pellux"));
    if (answer == MsgResult::Yes) {
        if (ItemCount == 1) {
            setChecked(1, false);
            setRowText(1, QString());
        } else if (c == ItemCount) {
            focusRow(c - 1);
            destroyLastRow();
        } else {
            for (int i = c + 1; i <= ItemCount; ++i) {
                setRowText(i - 1, rowText(i));
                setChecked(i - 1, isChecked(i));
            }
            destroyLastRow();
        }
        scrollSetup();
        Form_Resize();
    }
    RollBlocked = false;
}

void CheckListProt::swapRows(int a, int b)
{
    const QString ta = rowText(a);
    const QString tb = rowText(b);
    const bool ca = isChecked(a);
    const bool cb = isChecked(b);
    setRowText(a, tb);
    setRowText(b, ta);
    setChecked(a, cb);
    setChecked(b, ca);
}

void CheckListProt::mnuLineUp_Click()
{
    const int c = CurrentItem;
    if (c <= 1 || c > ItemCount)
        return;
    swapRows(c, c - 1);
    focusRow(c - 1);
}

void CheckListProt::mnuLineDown_Click()
{
    const int c = CurrentItem;
    if (c < 1 || c >= ItemCount)
        return;
    swapRows(c, c + 1);
    focusRow(c + 1);
}

void CheckListProt::mnuCopy_Click()
{
    CheckItemText *t = txtItem(CurrentItem);
    if (!t)
        return;
    QClipboard *cb = QGuiApplication::clipboard();
    cb->clear();
    cb->setText(t->selectedText());
    CheckClipboard();
}

void CheckListProt::mnuCut_Click()
{
    CheckItemText *t = txtItem(CurrentItem);
    if (!t)
        return;
    mnuCopy_Click();
    t->insert(QString());
    CheckClipboard();
}

void CheckListProt::mnuPaste_Click()
{
    if (CheckItemText *t = txtItem(CurrentItem))
        t->insert(clipboardText());
    CheckClipboard();
}

void CheckListProt::mnuEditDelete_Click()
{
    if (CheckItemText *t = txtItem(CurrentItem))
        t->insert(QString());
    CheckClipboard();
}

void CheckListProt::ShowGUID()
{
    m_program.prompts().message(NoteGUID(), MsgIcon::None, MsgButtons::Ok, QStringLiteral("Note GUID"));
}

// ---- the note contract -----------------------------------------------------------------

void CheckListProt::UpdateSettings()
{
    setNoteStyle(m_program.noteDefaults().style);
}

void CheckListProt::Retitle()
{
    CheckListProc::RetitleCheckList(m_program, NoteNum);
}

void CheckListProt::ReadIn(const QString &path)
{
    // Check lists always ask for the file to read.
    Q_UNUSED(path);
    CheckListProc::ReadCheckListIn(m_program, NoteNum);
}

void CheckListProt::NoteRoll()
{
    if (!mnuRollUp->isChecked() || RollBlocked)
        return;
    NoteRolled = true;
    const int h = Height();
    setHeightAllowingRollUp(0);
    // A window that was already at its smallest keeps the height it saved before.
    if (Height() != h)
        NoteHeight = h;
}

void CheckListProt::NoteUnroll()
{
    if (!((mnuRollUp->isChecked() && NoteHeight != 0) || ResetSizePending))
        return;
    NoteRolled = false;
    setHeight(ResetSizePending ? 1000 : NoteHeight);
    // The fit must happen even when the height did not change (no resize event then).
    if (ResetSizePending)
        Form_Resize();
}

void CheckListProt::CheckClipboard()
{
    CheckItemText *t = FocusKind == QLatin1String("T") ? txtItem(CurrentItem) : nullptr;
    const bool selection = t && t->hasSelectedText();
    mnuCut->setEnabled(selection);
    mnuEditDelete->setEnabled(selection);
    mnuCopy->setEnabled(selection);
    mnuPaste->setEnabled(t && clipboardHasText());
}

void CheckListProt::RefreshDisplay()
{
    m_client->update();
    update();
}

void CheckListProt::UpdateMenus()
{
    const int form = m_program.settings.NoteShortMenus ? 1 : 0;
    mnuAdd->setText(MenuCaptions[0][form]);
    mnuLine->setTitle(MenuCaptions[1][form]);
    mnuNoteOpts->setTitle(MenuCaptions[2][form]);
    mnuAction->setTitle(MenuCaptions[3][form]);
}

void CheckListProt::setNoteStyle(const NoteStyle &style)
{
    m_style = style;
    applyRow1Style();
    UpdateItems();
    emit contentChanged();
}

void CheckListProt::fillStoredData(StoredNote &note) const
{
    note.rows = rows();
    note.text.clear();
    note.dynamicTitle = false;
}

} // namespace pellux
