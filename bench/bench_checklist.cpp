// Check lists with many rows. Goals: a 2,000-row check list loads into its window,
// with one layout pass, in under 300 ms; and the layout pass (also what every
// scroll step runs) grows no worse than linearly with the rows.
//
// Runs offscreen on fake seams (no dialogs, a fixed 96 DPI screen, settings in a
// temporary folder).

#include "BenchPrompts.h"
#include "checklists/CheckListProc.h"
#include "checklists/CheckListProt.h"
#include "app/Program.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

using namespace pellux;

namespace {

using bench::NoPrompts;

class StillClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 10), QTime(10, 30)); }
    void waitUntil(const QDateTime &) override {}
};

class Screen96 : public ScreenMetrics
{
public:
    int queryTwipsPerPixelX() const override { return 15; }
    int queryTwipsPerPixelY() const override { return 15; }
    int screenWidthTwips() const override { return 1280 * 15; }
    int screenHeightTwips() const override { return 1024 * 15; }
    QRect availableAreaTwips() const override { return QRect(0, 0, 1280 * 15, 1024 * 15); }
};

class QuietSystem : public SystemQueries
{
public:
    QString computerName() const override { return QStringLiteral("BENCH"); }
    QString tempFolder() const override { return QDir::tempPath(); }
    QString appDataFolder() const override { return {}; }
    int osMajorVersion() const override { return 6; }
    QWidget *foregroundWindow() const override { return nullptr; }
    bool screenSaverActive() const override { return false; }
    bool sessionLocked() const override { return false; }
    int doubleClickTime() const override { return 400; }
    bool openUrl(const QUrl &) override { return false; }
};

NoPrompts g_prompts;
StillClock g_clock;
Screen96 g_screen;
QuietSystem g_system;
std::unique_ptr<Program> g_program;

StoredNote storedList(int rows)
{
    StoredNote n;
    n.type = QStringLiteral("CheckList");
    n.title = QStringLiteral("Long list");
    n.style.fontName = QStringLiteral("DejaVu Sans");
    n.style.fontSize = 8.25f;
    n.style.foreColor = 0x202020;
    for (int r = 1; r <= rows; ++r)
        n.rows.append({r % 3 == 0, QStringLiteral("Item %1 of the long list & more").arg(r)});
    return n;
}

void unload(int slot)
{
    g_program->unloadNote(slot);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

/// Builds the window from a stored note (rows added in one batch, one layout pass),
/// shows it as the store loader does and lets the pending events run.
void BM_LoadCheckList(benchmark::State &state)
{
    const StoredNote note = storedList(int(state.range(0)));
    for (auto _ : state) {
        CheckListProt *w = CheckListProc::CheckListFromStored(*g_program, note, 1);
        w->setWidth(300 * 15);
        w->setHeight(400 * 15);
        w->show();
        // Pending work (every new control's polish, the first paint) counts too.
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(w->ItemCount);
        state.PauseTiming();
        if (w->ItemCount != state.range(0))
            state.SkipWithError("rows missing");
        unload(1);
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadCheckList)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

/// Rows read into a check list already on the screen (as "Load Note From File" does).
void BM_ReadIntoShownList(benchmark::State &state)
{
    const StoredNote empty = storedList(0);
    const int rows = int(state.range(0));
    QStringList lines;
    for (int r = 1; r <= rows; ++r)
        lines << QStringLiteral("Line %1 of the file").arg(r);
    for (auto _ : state) {
        state.PauseTiming();
        CheckListProt *w = CheckListProc::CheckListFromStored(*g_program, empty, 1);
        w->setWidth(300 * 15);
        w->setHeight(400 * 15);
        w->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        w->beginRowBatch();
        for (const QString &line : lines)
            w->AddLine(line, 0);
        w->endRowBatch();
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (w->ItemCount != rows)
            state.SkipWithError("rows missing");
        unload(1);
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadIntoShownList)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

/// One row layout pass over a shown window (what every scroll step runs).
void BM_LayoutPass(benchmark::State &state)
{
    CheckListProt *w = CheckListProc::CheckListFromStored(*g_program, storedList(int(state.range(0))), 1);
    w->setWidth(300 * 15);
    w->setHeight(400 * 15);
    w->show();
    QCoreApplication::processEvents();
    for (auto _ : state)
        w->UpdateItems();
    state.SetComplexityN(state.range(0));
    unload(1);
}
BENCHMARK(BM_LayoutPass)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

/// One step of the scroll bar, and painting what it shows.
void BM_ScrollStep(benchmark::State &state)
{
    CheckListProt *w = CheckListProc::CheckListFromStored(*g_program, storedList(int(state.range(0))), 1);
    w->setWidth(300 * 15);
    w->setHeight(400 * 15);
    w->show();
    QCoreApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        w->VScroll->setValue((++step % 50) * w->pitch());
        QCoreApplication::processEvents();
    }
    state.SetComplexityN(state.range(0));
    unload(1);
}
BENCHMARK(BM_ScrollStep)->Arg(250)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace

int main(int argc, char **argv)
{
    // Nothing of the user's: settings in a temporary folder, no real screen needed.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_program = std::make_unique<Program>(Services{g_prompts, g_clock, g_screen, g_system});
    g_program->growNotes();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_program.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
