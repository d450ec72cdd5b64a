#include "app/QuickSave.h"

#include "app/NoteWindow.h"
#include "app/Program.h"
#include "core/store/StoreWriter.h"
#include "platform/Prompts.h"

#include <QDir>
#include <QFileInfo>

namespace pellux {

QuickSave::QuickSave(Program &program)
    : m_program(program)
{
    m_clock.start();
    m_timer.setSingleShot(true);
    // The write is due at a moment, not after a rough interval.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { writeNow(); });

    Notes &notes = program.notes();
    connect(&notes, &Notes::added, this, [this](int slot) {
        if (NoteWindow *w = m_program.note(slot)) {
            connect(w, &NoteWindow::contentChanged, this, &QuickSave::contentChanged, Qt::UniqueConnection);
            connect(w, &NoteWindow::placeChanged, this, &QuickSave::placeChanged, Qt::UniqueConnection);
        }
        contentChanged();
    });
    connect(&notes, &Notes::removed, this, &QuickSave::contentChanged);
    connect(&notes, &Notes::retitled, this, &QuickSave::contentChanged);
    connect(&notes, &Notes::changed, this, &QuickSave::contentChanged);
    m_writer = std::thread([this] { writerLoop(); });
}

QuickSave::~QuickSave()
{
    m_timer.stop();
    {
        std::unique_lock lock(m_mutex);
        // What waits is dropped; a write under way finishes (it is atomic either way).
        m_job.reset();
        m_stop = true;
    }
    m_wake.notify_all();
    m_writer.join();
}

void QuickSave::contentChanged()
{
    if (m_suspended || m_program.isLoading())
        return;
    schedule(true);
}

void QuickSave::placeChanged()
{
    if (m_suspended || m_program.isLoading())
        return;
    schedule(false);
}

void QuickSave::schedule(bool withDeadline)
{
    const qint64 now = m_clock.elapsed();
    m_dirty = true;
    if (withDeadline && m_deadline < 0)
        m_deadline = now + IntervalMs;
    qint64 due = now + QuietMs;
    if (m_deadline >= 0)
        due = qMin(due, m_deadline);
    // Never two writes closer than the interval, however the changes come.
    if (m_lastWrite >= 0)
        due = qMax(due, m_lastWrite + IntervalMs);
    m_timer.start(int(qMax<qint64>(0, due - now)));
}

void QuickSave::suspend()
{
    m_suspended = true;
    m_timer.stop();
    m_dirty = false;
    m_deadline = -1;
}

void QuickSave::resume()
{
    m_suspended = false;
}

bool QuickSave::mayWrite() const
{
    return !m_suspended && !m_program.isLoading() && m_program.storeLoaded() && m_program.storeWritable();
}

bool QuickSave::writeNow()
{
    m_timer.stop();
    if (!m_dirty || !mayWrite())
        return false;

    Job job;
    const int entries = m_program.upperBound();
    job.records.reserve(entries);
    for (int slot = 1; slot <= entries; ++slot) {
        // A deleted note is an empty slot. Unlike the full saves, a minimised note stays
        // as it is: this write happens behind the user's back.
        if (m_program.note(slot))
            job.records.append(m_program.storedNoteFromWindow(slot));
    }
    job.scale = m_program.pixelScale();
    job.path = m_program.storePath();
    job.factory = m_program.saveFileFactory;

    m_dirty = false;
    m_deadline = -1;
    m_lastWrite = m_clock.elapsed();
    {
        std::unique_lock lock(m_mutex);
        // An older write still waiting is replaced: these records are newer.
        m_job = std::move(job);
    }
    m_wake.notify_all();
    return true;
}

void QuickSave::writerLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_job.has_value(); });
        if (!m_job) {
            if (m_stop)
                return;
            continue;
        }
        Job job = std::move(*m_job);
        m_job.reset();
        m_busy = true;
        lock.unlock();

        const QByteArray document = WriteNoteStore(job.records, job.scale);
        QDir().mkpath(QFileInfo(job.path).absolutePath());
        const StoreWriteResult result = WriteStoreFile(job.path, document, QString(), false, job.factory);

        lock.lock();
        m_busy = false;
        m_idle.notify_all();
        // Back on the window thread; dropped unread when this object is gone by then.
        QMetaObject::invokeMethod(
            this, [this, ok = result.ok, error = result.error] { finished(ok, error); }, Qt::QueuedConnection);
    }
}

void QuickSave::finished(bool ok, const QString &error)
{
    ++m_writesDone;
    if (ok) {
        m_told = false;
        m_lastError.clear();
        emit written(true);
        return;
    }
    m_lastError = error;
    // Still to be written: the next change tries again (a timer retrying on its own
    // would only fail again on a full disk, over and over).
    if (!m_suspended)
        m_dirty = true;
    emit written(false);
    if (m_told || m_telling)
        return;
    m_told = true;
    m_telling = true;
    m_program.prompts().message(
        QStringLiteral("Pellux could not save your latest changes to \"%1\".\r\r%2\r\rThe notes saved before are "
                       "unchanged, and your notes are still open.  Pellux tries again with your next change.")
            .arg(QDir::toNativeSeparators(m_program.storePath()), error),
        MsgIcon::Exclamation);
    m_telling = false;
}

void QuickSave::settle()
{
    m_timer.stop();
    std::unique_lock lock(m_mutex);
    if (m_job) {
        // Not written after all: still dirty should the full save fail.
        m_job.reset();
        m_dirty = true;
    }
    m_idle.wait(lock, [this] { return !m_busy; });
}

void QuickSave::saved()
{
    m_timer.stop();
    m_dirty = false;
    m_deadline = -1;
    m_told = false;
}

void QuickSave::waitForWriter()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy && !m_job.has_value(); });
}

} // namespace pellux
