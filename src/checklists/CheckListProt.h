#pragma once

#include "app/NoteWindow.h"

#include <QFont>
#include <QString>
#include <vector>

class QKeyEvent;
class QMenu;
class QScrollBar;

namespace pellux {

class CheckItemBox;
class CheckItemRule;
class CheckItemText;
class CheckListUpDown;

/**
 * The window of one check list: rows of a check box, a one-line text field and a
 * rule under the text, placed absolutely (in twips, like the rest of the program)
 * on a client area below the menu bar, with a vertical scroll bar on the right
 * that appears only when the rows do not fit.
 *
 * Row 1 holds the note's font and colours; the layout pass copies them to every
 * other row. Rows are numbered from 1 to ItemCount; row 1 is never removed.
 *
 * Every row's top follows from row 1's: top(i) = top(1) + (i - 1) x pitch, with
 * pitch = text height + 4 pixels. Scrolling moves row 1 up by the scroll value and
 * lays the rows out again, so rows above the client area have negative tops.
 */
class CheckListProt : public NoteWindow
{
    Q_OBJECT

public:
    explicit CheckListProt(Program &program);
    ~CheckListProt() override;

    /// Long and short captions of the four top-level menus.
    QString MenuCaptions[4][2];

    // ---- fields ---------------------------------------------------------------
    int ItemCount = 1;              ///< rows; never below 1
    int CurrentItem = 0;            ///< row that last had the focus; 0 = none yet
    QString FocusKind;              ///< "T" text field, "C" check box
    int TopMargin = 120;            ///< top of row 1 when not scrolled (twips)
    bool ResetSizePending = false;  ///< the next resize or unroll fits the height to the rows
    bool RollBlocked = false;       ///< no roll-up while set (the delete question is open)

    // ---- controls ---------------------------------------------------------------
    /// Row \a i's controls (1-based); null outside 1..ItemCount.
    CheckItemText *txtItem(int i) const;
    CheckItemBox *chkItem(int i) const;
    CheckItemRule *Line1(int i) const;
    QScrollBar *VScroll = nullptr;
    CheckListUpDown *UpDown1 = nullptr;

    // ---- menus --------------------------------------------------------------------
    QAction *mnuAdd = nullptr;
    QMenu *mnuLine = nullptr;
    QAction *mnuLineAdd = nullptr;
    QAction *mnuLineDel = nullptr;
    QAction *mnuLineUp = nullptr;
    QAction *mnuLineDown = nullptr;
    QAction *mnuCut = nullptr;
    QAction *mnuCopy = nullptr;
    QAction *mnuPaste = nullptr;
    QAction *mnuEditDelete = nullptr;

    // ---- the note contract ------------------------------------------------------
    void UpdateSettings() override;
    void NoteUnroll() override;
    void NoteRoll() override;
    void CheckClipboard() override;
    void RefreshDisplay() override;
    void UpdateMenus() override;
    /// Sets row 1's font and colours, then lays the rows out.
    void setNoteStyle(const NoteStyle &style) override;
    int searchFieldCount() const override { return ItemCount; }
    QString searchFieldText(int field) const override;
    /// Gives row \a field's text the focus (scrolled into view) and selects in it.
    void selectSearchMatch(int field, int start, int length) override;
    void fillStoredData(StoredNote &note) const override;
    void Retitle() override;
    void ReadIn(const QString &path) override;

    // ---- check-list operations -------------------------------------------------
    /// The row layout pass.
    void UpdateItems();
    /// Appends a row (or fills row 1 while its text is empty). -1 counts as checked.
    void AddLine(const QString &TextElement, int CheckElement);
    /// The next resize (or unroll) fits the window height to the rows.
    void ResetNoteSize();

    /// Loaders add many rows at once: between begin and end the rows are added
    /// without moving the focus or laying out; end lays out once and lets the
    /// window grow as the added rows would have made it.
    void beginRowBatch();
    void endRowBatch();

    /// Puts the focus in row \a i's text field; when the window cannot take the
    /// focus now (hidden or inactive) the field becomes its focus widget and the
    /// row becomes current all the same.
    void focusRow(int i, bool caretToStart = false);

    // ---- row state ----------------------------------------------------------------
    bool isChecked(int i) const;
    void setChecked(int i, bool checked);
    QString rowText(int i) const;
    void setRowText(int i, const QString &text);
    QList<CheckRow> rows() const;

    // ---- commands ---------------------------------------------------------------
    void mnuAdd_Click();
    void mnuLineDel_Click();
    void mnuLineUp_Click();
    void mnuLineDown_Click();
    void mnuCut_Click();
    void mnuCopy_Click();
    void mnuPaste_Click();
    void mnuEditDelete_Click();
    /// Ctrl+Alt+G: the note's identifier in a message box.
    void ShowGUID();

    // ---- geometry (twips) -------------------------------------------------------
    /// Row i's top in the client area; negative when scrolled above it.
    int rowTop(int i) const;
    /// Height of every row's text field.
    int textHeight() const { return m_textHeightTw; }
    /// Text height + 4 pixels: the distance from one row's top to the next.
    int pitch() const;
    int textLeft() const { return kTextLeft; }
    int textWidth() const { return m_textWidthTw; }
    /// Client area below the menu bar, computed from the window's own size so it
    /// holds also while the window is hidden (when the layout has not run yet).
    int clientHeightTwips() const;
    int clientWidthTwips() const;
    /// Height - client height: the menu bar.
    int frameHeightTwips() const;
    /// The smallest width the window keeps: text left + 40 pixels.
    int minimumWidthTwips() const;

    // ---- events from the rows (CheckListRows.cpp) ---------------------------------
    void txtItem_GotFocus(int i);
    /// Key-down in text field \a i; true when the key was handled here.
    bool txtItem_KeyDown(int i, QKeyEvent *event);
    void chkItem_GotFocus(int i);
    void chkItem_Click(int i);
    /// True when \a event is the shortcut of one of this window's commands.
    bool isCommandShortcut(const QKeyEvent *event) const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Row
    {
        CheckItemBox *chk = nullptr;
        CheckItemText *txt = nullptr;
        CheckItemRule *line = nullptr;
    };
    static constexpr int kTextLeft = 600;
    static constexpr int kCheckLeft = 240;
    static constexpr int kCheckWidth = 255;
    static constexpr int kUpDownWidth = 195;
    static constexpr int kScrollWidth = 255;

    void buildClient();
    void buildMenus();
    /// Creates the controls of a new last row (a copy of row 1's) below the others.
    void createRow();
    /// Add a row: the new row below the others, the window grown or the scroll bar set up, the focus moved.
    void addRow();
    void destroyLastRow();
    /// Row 1's font, colours and text height from m_style; the client's colours.
    void applyRow1Style();
    void placeRow(int i);
    void levelUpDown(int i);
    void scrollSetup();
    void onScrollValue(int value);
    /// The window was resized (by the user or by the program).
    void Form_Resize();
    /// Width of every row's text field after the client width and the scroll bar.
    void fitRowWidths();
    bool rowWhollyVisible(int i) const;
    void bringIntoView(int i, bool textFocus);
    void swapRows(int a, int b);
    void growWindowForRow();
    int px(int twips, bool vertical) const;
    int tppX() const;
    int tppY() const;

    QFont m_plainFont;
    QFont m_struckFont;
    std::vector<Row> m_rows;
    QWidget *m_client = nullptr;
    int m_textHeightTw = 195;
    int m_textWidthTw = 2295;
    int m_row1TopTw = 120;          ///< row 1's top: TopMargin - scroll value
    int m_batch = 0;
    int m_batchGrowth = 0;          ///< rows added in a batch that would each have grown the window
    int m_batchStartCount = 0;
    bool m_inResize = false;
};

} // namespace pellux
