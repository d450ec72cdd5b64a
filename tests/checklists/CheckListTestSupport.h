#pragma once

#include "checklists/CheckListProc.h"
#include "checklists/CheckListProt.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QList>
#include <QStringList>

namespace pellux::test {

/// The check list in \a slot, or null.
inline CheckListProt *checkListIn(ProgramFixture &f, int slot)
{
    return qobject_cast<CheckListProt *>(f.program->note(slot));
}

/// A new check list made the way the tray's "Add Check List" makes one.
inline CheckListProt *newList(ProgramFixture &f, const QString &title = QStringLiteral("Errands"))
{
    f.prompts.answerInput(title);
    QString t;
    if (!CheckListProc::NewCheckList(*f.program, t))
        return nullptr;
    QApplication::processEvents();
    return checkListIn(f, f.program->upperBound());
}

/// The rows' texts, first row first.
inline QStringList texts(const CheckListProt *w)
{
    QStringList out;
    for (int i = 1; i <= w->ItemCount; ++i)
        out << w->rowText(i);
    return out;
}

/// The rows' checked states, first row first.
inline QList<bool> checks(const CheckListProt *w)
{
    QList<bool> out;
    for (int i = 1; i <= w->ItemCount; ++i)
        out << w->isChecked(i);
    return out;
}

} // namespace pellux::test
