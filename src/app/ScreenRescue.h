#pragma once

#include <QList>
#include <QObject>
#include <QRect>

#include <optional>

namespace pellux {

class Program;

/**
 * Where a window at \a window (pixels) must go so that the user can reach it, or
 * nullopt when it can stay: a window stays while some screen of \a screens (their
 * available geometry) shows a part of it big enough to take hold of (MinVisibleWidth
 * by MinVisibleHeight pixels, or all of a smaller window). Otherwise it moves onto the
 * screen nearest to it, wholly inside that screen, keeping its size where it fits and
 * taking the screen's where it does not. With no screens at all nothing moves.
 */
std::optional<QRect> RescuedGeometry(const QRect &window, const QList<QRect> &screens);

inline constexpr int MinVisibleWidth = 40;
inline constexpr int MinVisibleHeight = 20;

/**
 * Brings the notes and the Note Control Panel back onto the screens: after every
 * load of the notes and whenever the screens change (one goes away, one shrinks).
 */
class ScreenRescue : public QObject
{
    Q_OBJECT

public:
    explicit ScreenRescue(Program &program);
    ~ScreenRescue() override;

    /// Moves every note and the panel that lies outside every screen; returns how many moved.
    int rescueAll();

private:
    Program &m_program;
};

} // namespace pellux
