#pragma once

#include "core/search/NoteSearch.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pellux {

class Program;

/**
 * "Pellux Search": finds a text in the notes, in slot order. Each match is shown by
 * bringing its note forward with the text selected; the search then pauses until
 * the user asks for the next match, the next note, a new search or the end. The
 * walk itself is NoteSearch's; this window only asks, shows and selects. A pause
 * is the event loop running as usual, with the search's place kept here.
 */
class frmPelluxSearch : public QDialog
{
    Q_OBJECT

public:
    /// The search request the buttons leave for a paused search.
    enum Request {
        NoRequest = 0,      ///< set by the search before each pause
        FindNextRequest = 1,
        NewSearchRequest = 2,
        CloseRequest = 3,
        NextNoteRequest = 4,
    };

    explicit frmPelluxSearch(Program &program, QWidget *parent = nullptr);
    ~frmPelluxSearch() override;

    QLabel *Label1;
    QLineEdit *txtSearch;
    QCheckBox *chkCase;
    QLabel *Label2;
    QPushButton *cmdFind;
    QPushButton *cmdFindNext;
    QPushButton *cmdCancel;
    QPushButton *cmdNextNote;

    /// Runs a new search from the first note up to its first match (or its end).
    void SearchNotes();

    int request() const { return m_request; }
    /// True while a search waits at a match.
    bool paused() const { return m_search != nullptr; }
    /// The match the search waits at.
    SearchHit currentHit() const { return m_hit; }

    /// Takes the place at the lower left of the desktop's work area.
    void placeOnWorkArea();

    void cmdFind_Click();
    void cmdFindNext_Click();
    void cmdNextNote_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent *event) override;
    /// Esc and closing the window are "Cancel".
    void reject() override;

private:
    class NoteTable;

    /// Walks on to the next match and pauses there, or ends the search.
    void searchOn();
    /// Back to idle; \a announce says "Search Completed".
    void endSearch(bool announce);

    Program &m_program;
    std::unique_ptr<NoteTable> m_table;
    std::unique_ptr<NoteSearch> m_search;
    SearchHit m_hit;
    int m_request = NoRequest;
    bool m_closing = false;
};

} // namespace pellux
