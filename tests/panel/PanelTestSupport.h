#pragma once

#include "core/store/StoreWriter.h"
#include "app/Program.h"
#include "app/NoteWindow.h"
#include "panel/NCP.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QSettings>

namespace pellux::test {

/// One note of a prepared store.
struct NoteSpec
{
    QString title;
    QString text;
    QString type = QStringLiteral("TextNote");
    bool visible = true;
    bool dynamicTitle = false;
    QList<CheckRow> rows;
};

inline NoteSpec textNote(const QString &title, const QString &text = QString(), bool visible = true)
{
    NoteSpec n;
    n.title = title;
    n.text = text.isEmpty() ? title + QStringLiteral(" text") : text;
    n.visible = visible;
    return n;
}

inline NoteSpec checkList(const QString &title, bool visible = true)
{
    NoteSpec n;
    n.title = title;
    n.type = QStringLiteral("CheckList");
    n.visible = visible;
    n.rows = {CheckRow{false, QStringLiteral("first row")}};
    return n;
}

/// A store holding \a notes in this order, with distinct identifiers.
inline QByteArray storeWith(const QList<NoteSpec> &notes)
{
    QList<StoredNote> records;
    int i = 0;
    for (const NoteSpec &n : notes) {
        StoredNote s;
        s.type = n.type;
        s.title = n.title;
        s.nid = QStringLiteral("TESTPC:1-1-2026:10-0-%1:00").arg(++i);
        s.left = 1500 * i;
        s.top = 1500;
        s.width = 3000;
        s.height = 2350;
        s.visible = n.visible;
        s.text = n.text;
        s.rows = n.rows;
        s.dynamicTitle = n.dynamicTitle;
        records.append(s);
    }
    return WriteNoteStore(records, PixelScale{15, 15});
}

/// Starts the program on a store holding \a notes (the panel is not shown).
inline void startWith(ProgramFixture &f, const QList<NoteSpec> &notes)
{
    f.writeStore(storeWith(notes));
    f.start();
}

inline void select(NCP &panel, int slot)
{
    panel.NoteList->setCurrentRow(slot - 1);
}

/// The "Settings" key as the settings file holds it now (empty when absent).
inline QString storedSetting(const QString &key)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
    return s.value(QStringLiteral("Settings/") + key).toString();
}

/// Windows unloaded with deleteLater go now.
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace pellux::test
