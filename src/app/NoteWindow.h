#pragma once

#include "app/NoteStyles.h"
#include "core/NoteRecord.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QDateTime>
#include <QFont>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QTime>
#include <QWidget>

#include <functional>

class QMenu;
class QMenuBar;
class QVBoxLayout;

namespace pellux {

class Program;
struct NoteEntry;

/**
 * What every note window offers, whichever kind it is. The rest of the program
 * reaches a note only through its slot in the note table and these members, and
 * never asks which kind it holds before calling one of them.
 *
 * Geometry is held in twips like the rest of the program: Left/Top are the frame
 * position, Width/Height the window's own size (menu bar and client area; the
 * desktop's title bar and border are not counted, so sizes round-trip exactly
 * whatever the window manager adds).
 */
class NoteWindow : public QWidget
{
    Q_OBJECT

public:
    explicit NoteWindow(Program &program);
    ~NoteWindow() override;

    // ---- public fields -------------------------------------------------------
    qint16 NoteNum = 0;         ///< the slot (set by whoever creates the window)
    qint32 NoteHeight = 0;      ///< twips saved when the window rolled up; 0 = none
    bool NoteRolled = false;
    /// The stored type and the identifier live in the note table; these read them.
    QString noteType() const;
    QString NoteGUID() const;

    // ---- the operations every note window offers ----------------------------
    /// Copies the default note style from the panel's sample to this note.
    virtual void UpdateSettings() = 0;
    virtual void NoteUnroll() = 0;
    virtual void NoteRoll() = 0;
    /**
     * Protects the note with the password \a Pass (an empty one lifts the protection)
     * and ticks mnuPassword. Only a hash of \a Pass is kept, so this takes the time of
     * one password hash. False (and the note as it was) when the hash could not be made.
     */
    bool SetNotePass(const QString &Pass);
    /**
     * Empty when the note is not protected, never null. Otherwise the hash of its
     * password, not the password: a note cannot know its password after a restart,
     * and callers only ask whether it is protected.
     */
    QString GetNotePass() const;
    /// Takes the protection a store kept: \a hash as GetNotePass gave it (no hashing).
    void restoreNotePass(const QString &hash);
    /// Shows the note (asking for its password if it is hidden and protected) and focuses it.
    void ShowNote();
    void HideNote();
    /// Takes a minimised note back to its normal state (nothing else changes).
    void restoreFromMinimised();
    void SetNoteNum(qint16 NNin) { NoteNum = NNin; }
    /// Copies this note's alarm into the program's CurrentAlarm.
    void GetAlarmData();
    /// Copies the program's CurrentAlarm into this note; ticks mnuAlarmSet when enabled.
    void SetAlarmData();
    /// Fires the alarm when it is due at \a TimeIn (the moment the current sweep
    /// began: its time of day, and its date for today's weekday and a once-alarm's day).
    void CheckAlarm(const QDateTime &TimeIn);
    virtual void EMailNote(qint16 EMType, const QString &MailTo, const QString &MailSubject);
    virtual void CheckClipboard() = 0;
    virtual void RefreshDisplay();
    virtual void UpdateMenus() = 0;
    /// Leave a "font" / "color" element with this note's style in the program's XmlFragment.
    void GenFontXML();
    void GenColorXML();

    // ---- window properties (twips) ------------------------------------------
    QString Caption() const { return windowTitle(); }
    void setCaption(const QString &caption) { setWindowTitle(caption); }
    bool Visible() const { return isVisible(); }
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    /// Moves and optionally sizes the window (a negative size keeps the current one).
    void Move(int left, int top, int width = -1, int height = -1);
    /// 0 normal, 1 minimised, 2 maximised.
    int WindowState() const;
    void setWindowStateValue(int state);
    /// Height of the area below the menu bar, in twips.
    int ClientHeight() const;
    int ClientWidth() const;

    // ---- menu items every note window has ------------------------------------
    QAction *mnuHide = nullptr;
    QAction *mnuOnTop = nullptr;
    QAction *mnuRollUp = nullptr;
    QAction *mnuAlarmSet = nullptr;
    QAction *mnuPassword = nullptr;
    QAction *mnuReTitle = nullptr;
    QMenu *mnuNoteOpts = nullptr;
    QMenu *mnuNoteColors0 = nullptr;
    QAction *mnuNoteFont = nullptr;
    QAction *mnuNoteFore = nullptr;
    QAction *mnuNoteBack = nullptr;
    QAction *mnuDefaultFC = nullptr;
    QMenu *mnuAction = nullptr;
    QAction *mnuDelete = nullptr;
    QAction *mnuEMail = nullptr;
    QAction *mnuPrint = nullptr;
    QAction *mnuSaveNoteOut = nullptr;
    QAction *mnuReadNoteIn = nullptr;
    QAction *mnuControlPanel = nullptr;

    // ---- style and record exchange ------------------------------------------
    /// The note's font and colours (a check list's are its first row's).
    NoteStyle noteStyle() const { return m_style; }
    virtual void setNoteStyle(const NoteStyle &style) = 0;
    /// The kind's own part of a stored note ("data" and, for text notes, "dynamictitle").
    virtual void fillStoredData(StoredNote &note) const = 0;
    /// The kind's retitle command (each kind asks with its own words).
    virtual void Retitle() { RetitleFromPrompt(QStringLiteral("Note Title")); }
    /// The kind's read-in command: reads \a path into the note (an empty path asks for a file).
    virtual void ReadIn(const QString &path) { Q_UNUSED(path); }

    // ---- what a search reads and shows ---------------------------------------
    /// The note's text fields, numbered from 1 (a text note has one, a check list one a row).
    virtual int searchFieldCount() const { return 0; }
    /// Field \a field's text as its control holds it (positions are the control's own).
    virtual QString searchFieldText(int field) const
    {
        Q_UNUSED(field);
        return {};
    }
    /// Shows a match: gives field \a field the focus and selects \a length characters from \a start.
    virtual void selectSearchMatch(int field, int start, int length)
    {
        Q_UNUSED(field);
        Q_UNUSED(start);
        Q_UNUSED(length);
    }

    /**
     * Asks for a new title (\a dialogTitle over the prompt, the current title as the
     * default); an empty answer keeps the title. The panel's list and the tray menu follow.
     */
    void RetitleFromPrompt(const QString &dialogTitle);

    /**
     * The note table's facts about this note changed (or it was just placed): the
     * caption and the menu ticks follow, and an "Always On Top" tick means a window
     * in the topmost layer. A kind extends this with its own flags.
     */
    virtual void applyEntry(const NoteEntry &entry);

    /// Places the window in or out of the topmost layer without moving or resizing it.
    void setTopmost(bool on);
    bool isTopmost() const;

    Program &program() const { return m_program; }

    /// The clipboard's text ("" when it holds none or cannot be read).
    static QString clipboardText();
    /**
     * Whether the clipboard holds text. Cached until the clipboard changes: the roll-up
     * check asks ten times a second, and on X11 each read is a round trip to the
     * clipboard's owner.
     */
    static bool clipboardHasText();

signals:
    /// The window became / stopped being the active window.
    void noteActivated(NoteWindow *note);
    /// Something the store holds of this note changed in the window itself (text, rows,
    /// style, alarm); the note table announces the rest.
    void contentChanged();
    /// The window was moved or resized.
    void placeChanged();

protected:
    /// The kind's own procedures behind the shared menu items.
    struct KindCommands
    {
        std::function<void()> font;
        std::function<void()> foreColor;
        std::function<void()> backColor;
        std::function<void()> retitle;
        std::function<void()> readIn;
    };

    /// A menu item with its object name and (window-wide) shortcut.
    QAction *addMenuItem(QMenu *menu, const QString &caption, const char *name, const QKeySequence &key = {});
    static void addMenuSeparator(QMenu *menu, const char *name);
    /// Disabled, with the tooltip "Not available in this build".
    static void markUnavailable(QAction *action);
    /**
     * Builds the "&Options" and "&Actions" menus every note has, in their order;
     * \a afterRollUp adds the kind's own items after "&Roll Up When Not In Use".
     * The items whose command is the same for every note are connected here.
     */
    void buildNoteMenus(const KindCommands &commands, const std::function<void(QMenu *)> &afterRollUp = {});
    /// Menu items that have a shortcut, in the order they were added.
    QList<QAction *> m_shortcutItems;

    /// The menu bar sits on top; the kind puts its client area below it.
    QMenuBar *menuBar() const { return m_menuBar; }
    void setClientWidget(QWidget *client);
    QWidget *clientWidget() const { return m_client; }

    /// Shared load steps: centre by the design size, then take the 3000 x 2350 twip size.
    void placeAtLoad(int designClientWidthTwips, int designClientHeightTwips);

    /// Sets the window's height in twips the way rolling up does: 0 shrinks to the menu bar.
    void setHeightAllowingRollUp(int twips);

    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    /// Activation: NoteUnroll, record as the note in use, CheckClipboard.
    virtual void onActivated();
    /// Deactivation: NoteRoll.
    virtual void onDeactivated();

    Program &m_program;
    NoteStyle m_style;
    QString m_passwordHash;     ///< empty: not protected
    AlarmRecord m_alarm;

private:
    QMenuBar *m_menuBar = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QWidget *m_client = nullptr;
};

} // namespace pellux
