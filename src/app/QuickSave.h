#pragma once

#include "core/NoteRecord.h"
#include "core/store/StoreFile.h"
#include "core/store/StoreTextForms.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace pellux {

class Program;

/**
 * Writes the note store a moment after the user changed something, so that a crash,
 * a kill or a power cut costs seconds of typing instead of minutes.
 *
 * Every change the store holds marks the notes dirty. The store is written once the
 * notes have been quiet for QuietMs, and while the user keeps typing at most once every
 * IntervalMs (a change is never older than IntervalMs when it is written). A move or a
 * resize only waits for quiet: a window being dragged is written once it stands still.
 * With nothing dirty no timer runs at all.
 *
 * The window thread only gathers the records from the windows (they are widgets); the
 * document is built and written on a writer thread of its own, with the same atomic
 * write as every save but without turning the old store into the backup (only the
 * user's and the timer's saves do that), and without any caption or flash. A failed
 * write tells the user once (until a write succeeds again) and is tried again on the
 * next change.
 */
class QuickSave : public QObject
{
    Q_OBJECT

public:
    static constexpr int QuietMs = 1000;
    static constexpr int IntervalMs = 2000;

    explicit QuickSave(Program &program);
    ~QuickSave() override;

    /// Something the store holds changed (text, rows, title, flags, style, alarm, a note
    /// added or deleted, shown or hidden).
    void contentChanged();
    /// A note was moved or resized.
    void placeChanged();

    /// Stops writing and ignores changes until resume(): the notes are being unloaded or
    /// reloaded, and a store written now would miss notes.
    void suspend();
    void resume();
    bool isSuspended() const { return m_suspended; }

    /**
     * A full save is about to write the store: what is waiting is dropped (the full
     * save writes newer notes) and a write under way is waited for, so the two can
     * never finish in the wrong order.
     */
    void settle();
    /// A full save wrote the store: nothing is dirty any more.
    void saved();

    bool isDirty() const { return m_dirty; }
    /// Whether the timer is waiting to write.
    bool isPending() const { return m_timer.isActive(); }
    /// Writes finished, successful or not (for tests and benchmarks).
    int writesDone() const { return m_writesDone; }
    /**
     * Gathers the records now and hands them to the writer (the timer's work). Returns
     * false when there was nothing to write or writing is not allowed at the moment.
     */
    bool writeNow();
    /// Waits until the writer has finished everything handed to it (tests, benchmarks).
    void waitForWriter();

    /// The reason the last write failed; empty after a successful one.
    QString lastError() const { return m_lastError; }

signals:
    /// A write finished on the writer thread; \a ok false when the store is unchanged.
    void written(bool ok);

private:
    struct Job
    {
        QList<StoredNote> records;
        PixelScale scale;
        QString path;
        SaveFileFactory factory;
    };

    void schedule(bool withDeadline);
    bool mayWrite() const;
    void writerLoop();
    void finished(bool ok, const QString &error);

    Program &m_program;
    QTimer m_timer;
    QElapsedTimer m_clock;          ///< monotonic time since the object was made
    bool m_dirty = false;
    bool m_suspended = false;
    qint64 m_deadline = -1;         ///< when a content change must be written at the latest
    qint64 m_lastWrite = -1;        ///< when the last write was handed to the writer
    bool m_told = false;            ///< the user has heard of the current run of failures
    bool m_telling = false;
    int m_writesDone = 0;
    QString m_lastError;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_job;       ///< waiting for the writer
    bool m_busy = false;            ///< the writer is writing
    bool m_stop = false;
    std::thread m_writer;
};

} // namespace pellux
