#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace pellux {

/**
 * The program's one status banner: a borderless box in the middle of the screen
 * with one line of text, shown while something slow runs. It does not block.
 */
class FlashMsg
{
public:
    FlashMsg();
    ~FlashMsg();

    /// Shows the banner with \a text (replacing the text when it is already up) and paints it.
    void DispMsg(const QString &text);
    /// Removes the banner, however many DispMsg calls preceded it.
    void StopMsg();

    bool isShown() const { return m_window != nullptr; }
    QString text() const;
    QWidget *window() const { return m_window; }

private:
    QWidget *m_window = nullptr;
    QLabel *m_msgtxt = nullptr;
};

} // namespace pellux
