#pragma once

#include "app/NoteWindow.h"

#include <QPlainTextEdit>

class QMenu;

namespace pellux {

class TextNoteProt;

/// The text field of a text note: drops, key and mouse releases go to its window.
class NoteTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit NoteTextEdit(TextNoteProt &owner);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TextNoteProt &m_owner;
};

/**
 * The window of one text note: a small window whose whole client area is one
 * multi-line text field, with the note's title in its title bar and the menus
 * "&Edit", "&Options" and "&Actions".
 */
class TextNoteProt : public NoteWindow
{
    Q_OBJECT

public:
    explicit TextNoteProt(Program &program);
    ~TextNoteProt() override;

    /// Long and short captions of the three top-level menus.
    QString MenuCaptions[3][2];

    NoteTextEdit *TxtData = nullptr;

    // menus
    QMenu *mnuClip = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuCutText = nullptr;
    QAction *mnuCopyText = nullptr;
    QAction *mnuPasteText = nullptr;
    QAction *mnuDel = nullptr;
    QAction *mnuSelectAll = nullptr;
    QAction *mnuInsertDateTime = nullptr;
    QAction *mnuDynamicTitle = nullptr;

    // ---- the note contract ----------------------------------------------------
    void UpdateSettings() override;
    void NoteUnroll() override;
    void NoteRoll() override;
    void CheckClipboard() override;
    void RefreshDisplay() override;
    void UpdateMenus() override;
    void setNoteStyle(const NoteStyle &style) override;
    void fillStoredData(StoredNote &note) const override;
    void Retitle() override;
    void ReadIn(const QString &path) override;
    int searchFieldCount() const override { return 1; }
    QString searchFieldText(int field) const override;
    void selectSearchMatch(int field, int start, int length) override;
    void applyEntry(const NoteEntry &entry) override;

    // ---- text note members ---------------------------------------------------
    /// Runs on every change of the text: the dynamic title and the undo state.
    void TxtData_Change();
    /// The note's text with CR LF line breaks.
    QString text() const;
    void setText(const QString &crlfText);
    /// Ticks or clears "&Dynamic Title" (and the retitle command with it), retitling when ticked.
    void setDynamicTitle(bool on);

    // ---- commands ----------------------------------------------------------------
    void mnuUndo_Click();
    void mnuCutText_Click();
    void mnuCopyText_Click();
    void mnuPasteText_Click();
    void mnuDel_Click();
    void mnuSelectAll_Click();
    void mnuInsertDateTime_Click();
    void mnuDynamicTitle_Click();
    /// Ctrl+Alt+G: the note's identifier in a message box.
    void ShowGUID();

    /// A drop on the text field (text at the caret, or exactly one file read in).
    bool acceptsDrop(const QMimeData *data) const;
    void handleDrop(const QMimeData *data);

private:
    void buildMenus();
    /// Replaces the selection of the text field (the caret when nothing is selected).
    void replaceSelection(const QString &replacement);
    void applyColors();

    /// The dynamic-title flag as last taken from the note table (turning it on retitles).
    bool m_dynamicTitleApplied = false;
};

} // namespace pellux
