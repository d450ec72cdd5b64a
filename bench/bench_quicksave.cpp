// What a save a moment after each change costs the window thread, at 1,000 notes (half
// text notes of 2 KB, half check lists of 30 rows; about 2.7 MB of store). Goal: at most
// 5 ms, so that a save never stalls typing.
//
// BM_SaveOnWindowThread is the save done whole on the window thread, as every save was
// done before: the records gathered from the windows, the document built and written
// atomically (without the backup copy). BM_QuickSaveWindowThread is the quick save as
// it runs now: the window thread only gathers the records and hands them to the writer
// thread; the writer's own time is not counted (it is waited for outside the timing).
// BM_GatherRecords is the gathering alone.

#include "BenchPrompts.h"
#include "BenchSeams.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "app/QuickSave.h"
#include "core/store/StoreFile.h"
#include "core/store/StoreWriter.h"
#include "features/Features.h"
#include "platform/Clock.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

using namespace pellux;

namespace {

using bench::NoPrompts;

using bench::QuietSystem;
using bench::Screen96;
using bench::StillClock;

NoPrompts g_prompts;
StillClock g_clock;
Screen96 g_screen;
QuietSystem g_system;
Program *g_program = nullptr;

QString noteText(int seed)
{
    static const QString line = QStringLiteral("Call Anna & Tom about the <draft> budget \u2013 caf\u00e9 at 10:30 ");
    QString text;
    int i = seed;
    while (text.size() < 2000) {
        text += line + QString::number(i++) + QLatin1String("\r\n");
    }
    return text;
}

QByteArray store(int count)
{
    QList<StoredNote> notes;
    for (int i = 0; i < count; ++i) {
        StoredNote n;
        n.nid = QStringLiteral("BENCH:10122026:103000:%1").arg(i, 4, 10, QLatin1Char('0'));
        n.top = 15 * (i % 700);
        n.left = 15 * (i % 1200);
        n.width = 15 * 250;
        n.height = 15 * 180;
        // Hidden windows cost the same to save and keep the set-up short.
        n.visible = i % 10 == 0;
        n.alarm.Enabled = i % 7 == 0;
        n.alarm.AlarmTime = QTime(i % 24, i % 60);
        n.style.fontName = QStringLiteral("DejaVu Sans");
        if (i % 2 == 0) {
            n.type = QStringLiteral("TextNote");
            n.title = QStringLiteral("Note %1").arg(i);
            n.text = noteText(i);
        } else {
            n.type = QStringLiteral("CheckList");
            n.title = QStringLiteral("List %1").arg(i);
            for (int r = 0; r < 30; ++r)
                n.rows.append({r % 3 == 0, QStringLiteral("Item %1 of list %2 & more").arg(r).arg(i)});
        }
        notes.append(n);
    }
    return WriteNoteStore(notes, PixelScale{15, 15});
}

QList<StoredNote> gather(Program &p)
{
    QList<StoredNote> records;
    for (int slot = 1; slot <= p.upperBound(); ++slot) {
        if (p.note(slot))
            records.append(p.storedNoteFromWindow(slot));
    }
    return records;
}

void BM_SaveOnWindowThread(benchmark::State &state)
{
    Program &p = *g_program;
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray document = WriteNoteStore(gather(p), p.pixelScale());
        const StoreWriteResult result = WriteStoreFile(p.storePath(), document, QString(), false);
        if (!result.ok)
            state.SkipWithError("the store could not be written");
        bytes = document.size();
    }
    state.counters["store_bytes"] = double(bytes);
}
BENCHMARK(BM_SaveOnWindowThread)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_QuickSaveWindowThread(benchmark::State &state)
{
    Program &p = *g_program;
    QuickSave &quick = p.quickSave();
    for (auto _ : state) {
        state.PauseTiming();
        quick.waitForWriter();
        quick.contentChanged();
        state.ResumeTiming();
        if (!quick.writeNow())
            state.SkipWithError("the quick save did not run");
    }
    quick.waitForWriter();
    QCoreApplication::processEvents();
    if (!quick.lastError().isEmpty())
        state.SkipWithError("the writer failed");
}
BENCHMARK(BM_QuickSaveWindowThread)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_GatherRecords(benchmark::State &state)
{
    Program &p = *g_program;
    for (auto _ : state)
        benchmark::DoNotOptimize(gather(p));
}
BENCHMARK(BM_GatherRecords)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_system.dataFolder = root.path() + QStringLiteral("/data");
    QApplication app(argc, argv);

    const QString path = g_system.dataFolder + QStringLiteral("/Brackwel Systems/Pellux/Pellux.NoteData");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    const QByteArray bytes = store(1000);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return 1;
    f.close();

    auto program = std::make_unique<Program>(Services{g_prompts, g_clock, g_screen, g_system});
    InstallFeatures(*program);
    program->LoadSettings();
    program->LoadNotes();
    QCoreApplication::processEvents();
    if (program->upperBound() != 1000 || g_prompts.asked != 0)
        return 1;
    g_program = program.get();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    program.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
