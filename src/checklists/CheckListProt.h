#pragma once

#include "notes/NoteWindow.h"

class QListWidget;

namespace pellux {

/// The window of one check list (rows of a check box and a one-line text).
class CheckListProt : public NoteWindow
{
    Q_OBJECT

public:
    explicit CheckListProt(Program &program);
    ~CheckListProt() override;

    void UpdateSettings() override;
    void NoteUnroll() override;
    void NoteRoll() override;
    void CheckClipboard() override;
    void UpdateMenus() override;
    NoteStyle noteStyle() const override;
    void setNoteStyle(const NoteStyle &style) override;
    void fillStoredData(StoredNote &note) const override;

    void AddLine(const QString &TextElement, int CheckElement);

private:
    QListWidget *m_rows = nullptr;
    NoteStyle m_style;
};

} // namespace pellux
