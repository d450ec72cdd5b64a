#pragma once

#include <QString>

namespace pellux {

/**
 * Plays one wave file at a time: the alarm window's sound and the alarm dialog's
 * Play button. Open, play, ask whether it still plays, close; and a wait for the
 * end that always returns, whatever the file or the audio device does.
 */
class SoundPlayer
{
public:
    /// How a wait for the end of the sound came to return.
    enum class WaitResult {
        /// The sound played to its end.
        Ended,
        /// The player never reported the end; the sound was stopped when its own
        /// length plus a margin had passed.
        TimedOut,
        /// Nothing was playing: no file open, or play() not called or failed.
        NotPlaying,
        /// close() was called (or the player destroyed) while waiting.
        Closed,
    };

    virtual ~SoundPlayer() = default;

    /// Opens a wave file for playing. False, with errorString(), when the file is
    /// missing, unreadable or not a wave file the player can play.
    virtual bool open(const QString &path) = 0;
    /// Starts the open sound from its beginning. False, with errorString(), when
    /// nothing is open or no audio output can take it.
    virtual bool play() = 0;
    /// Whether the sound is still playing. Never true for longer than the sound's
    /// own length plus a margin after play(), so a loop on it always ends.
    virtual bool isPlaying() const = 0;
    /// Waits for the sound to end, letting window events run meanwhile without
    /// spinning; bounded by the sound's length plus a margin.
    virtual WaitResult waitForEnd() = 0;
    /// Stops the sound and lets the file go. Harmless when nothing is open.
    virtual void close() = 0;
    /// Why the last open() or play() failed, for the user; empty after success.
    virtual QString errorString() const = 0;
};

/**
 * The whole of what the alarm windows do with a sound: open \a path, play it,
 * wait for its end (window events keep running) and close it. A file that
 * cannot be played simply gives silence: the result says NotPlaying.
 */
inline SoundPlayer::WaitResult playToEnd(SoundPlayer &player, const QString &path)
{
    if (!player.open(path))
        return SoundPlayer::WaitResult::NotPlaying;
    SoundPlayer::WaitResult result = SoundPlayer::WaitResult::NotPlaying;
    if (player.play())
        result = player.waitForEnd();
    // After Closed the player may already be gone (its window was destroyed
    // while the sound played): nothing of it may be touched then.
    if (result != SoundPlayer::WaitResult::Closed)
        player.close();
    return result;
}

} // namespace pellux
