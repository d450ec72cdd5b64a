#include "app/ScreenRescue.h"

#include "app/ControlPanel.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "platform/ScreenMetrics.h"

#include <QWidget>

#include <limits>

namespace pellux {

namespace {

bool reachable(const QRect &window, const QRect &screen)
{
    const QRect seen = window.intersected(screen);
    if (seen.isEmpty())
        return false;
    return seen.width() >= qMin(MinVisibleWidth, window.width()) && seen.height() >= qMin(MinVisibleHeight, window.height());
}

/// Squared distance from \a r's centre to the nearest point of \a screen.
qint64 distanceTo(const QRect &r, const QRect &screen)
{
    const QPoint c = r.center();
    const qint64 dx = c.x() < screen.left() ? screen.left() - c.x() : c.x() > screen.right() ? c.x() - screen.right() : 0;
    const qint64 dy = c.y() < screen.top() ? screen.top() - c.y() : c.y() > screen.bottom() ? c.y() - screen.bottom() : 0;
    return dx * dx + dy * dy;
}

} // namespace

std::optional<QRect> RescuedGeometry(const QRect &window, const QList<QRect> &screens)
{
    QList<QRect> usable;
    for (const QRect &s : screens) {
        if (s.isValid() && !s.isEmpty())
            usable.append(s);
    }
    if (usable.isEmpty() || window.isEmpty())
        return std::nullopt;
    for (const QRect &s : std::as_const(usable)) {
        if (reachable(window, s))
            return std::nullopt;
    }
    QRect nearest = usable.first();
    qint64 best = std::numeric_limits<qint64>::max();
    for (const QRect &s : std::as_const(usable)) {
        const qint64 d = distanceTo(window, s);
        if (d < best) {
            best = d;
            nearest = s;
        }
    }
    QRect out(window.topLeft(), window.size().boundedTo(nearest.size()));
    // Into the screen from whichever side it lay off.
    if (out.right() > nearest.right())
        out.moveRight(nearest.right());
    if (out.bottom() > nearest.bottom())
        out.moveBottom(nearest.bottom());
    if (out.left() < nearest.left())
        out.moveLeft(nearest.left());
    if (out.top() < nearest.top())
        out.moveTop(nearest.top());
    return out;
}

ScreenRescue::ScreenRescue(Program &program)
    : m_program(program)
{
    connect(&program, &Program::notesLoaded, this, [this] { rescueAll(); });
    program.screen().onScreensChanged([this] { rescueAll(); });
}

ScreenRescue::~ScreenRescue()
{
    m_program.screen().onScreensChanged({});
}

int ScreenRescue::rescueAll()
{
    const QList<QRect> screens = m_program.screen().availableGeometries();
    const int tx = m_program.screen().twipsPerPixelX();
    const int ty = m_program.screen().twipsPerPixelY();
    int moved = 0;
    for (int slot = 1; slot <= m_program.upperBound(); ++slot) {
        NoteWindow *w = m_program.note(slot);
        if (!w)
            continue;
        // A rolled-up note is placed by the height it unrolls to.
        const int heightTwips = (w->NoteRolled && w->NoteHeight > 0) ? w->NoteHeight : w->Height();
        const QRect at(w->Left() / tx, w->Top() / ty, w->Width() / tx, heightTwips / ty);
        const std::optional<QRect> to = RescuedGeometry(at, screens);
        if (!to)
            continue;
        if (w->NoteRolled) {
            w->Move(to->left() * tx, to->top() * ty, to->width() * tx);
            w->NoteHeight = to->height() * ty;
        } else {
            w->Move(to->left() * tx, to->top() * ty, to->width() * tx, to->height() * ty);
        }
        ++moved;
    }
    if (m_program.hasPanel()) {
        if (QWidget *panel = m_program.panel()->window()) {
            const QRect at(panel->pos(), panel->size());
            if (const std::optional<QRect> to = RescuedGeometry(at, screens)) {
                panel->move(to->topLeft());
                if (to->size() != at.size())
                    panel->resize(to->size());
                ++moved;
            }
        }
    }
    return moved;
}

} // namespace pellux
