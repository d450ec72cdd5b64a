#pragma once

#include <QObject>

namespace pellux {

/**
 * Whether a modal dialog is up. Tray clicks are ignored and alarm windows wait while
 * it is; whoever must wait for the dialogs to be gone waits for ended() rather than
 * asking again and again.
 */
class ModalState : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool active() const { return m_depth > 0; }
    int depth() const { return m_depth; }

signals:
    /// The last modal dialog closed.
    void ended();

private:
    friend class ModalScope;
    int m_depth = 0;
};

/**
 * Holds the modal state up for its own lifetime. The prompts take one around every
 * modal dialog; code that must keep tray clicks out over a longer stretch takes one
 * as well. Nested scopes count: the state ends with the outermost.
 */
class ModalScope
{
public:
    explicit ModalScope(ModalState &state)
        : m_state(state)
    {
        ++m_state.m_depth;
    }
    ~ModalScope()
    {
        if (--m_state.m_depth == 0)
            emit m_state.ended();
    }
    ModalScope(const ModalScope &) = delete;
    ModalScope &operator=(const ModalScope &) = delete;

private:
    ModalState &m_state;
};

} // namespace pellux
