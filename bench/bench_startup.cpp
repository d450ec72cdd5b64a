// Start-up with protected notes, and what a password costs. Goals: loading a store of
// 1,000 notes of which 100 are protected takes within 5 % of the same store without
// protection (the loader only reads each hash, it never computes one); setting and
// checking a password each cost about a tenth of a second, once, when the user types.
//
// Start-up here is the program's own: settings, the panel, the store read and every
// note window made and shown, on fake seams offscreen (no dialogs, a 96 DPI screen,
// settings and data in a temporary folder).

#include "BenchPrompts.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "core/NotePassword.h"
#include "core/store/StoreWriter.h"
#include "features/Features.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
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
    QString appDataFolder() const override { return dataFolder; }
    int osMajorVersion() const override { return 6; }
    QWidget *foregroundWindow() const override { return nullptr; }
    bool screenSaverActive() const override { return false; }
    bool sessionLocked() const override { return false; }
    int doubleClickTime() const override { return 400; }
    bool openUrl(const QUrl &) override { return false; }
    QString dataFolder;
};

NoPrompts g_prompts;
StillClock g_clock;
Screen96 g_screen;
QuietSystem g_system;

constexpr int Notes = 1000;
constexpr int Protected = 100;

/**
 * 1,000 text notes of a few lines each. Every tenth note is hidden in both stores, so
 * the same windows are shown either way; with \a protect those are the protected ones.
 */
QByteArray store(bool protect)
{
    const QString hash = protect ? HashNotePassword(QStringLiteral("Secret 12")) : QString();
    QList<StoredNote> notes;
    for (int i = 1; i <= Notes; ++i) {
        StoredNote n;
        n.type = QStringLiteral("TextNote");
        n.title = QStringLiteral("Note %1").arg(i);
        n.nid = QStringLiteral("BENCH:10122026:103000:%1").arg(i, 4, 10, QLatin1Char('0'));
        n.left = (i % 40) * 300;
        n.top = (i % 25) * 300;
        n.width = 3000;
        n.height = 2350;
        const bool chosen = i % (Notes / Protected) == 0;
        n.visible = !chosen;
        n.text = QStringLiteral("Line one of note %1\r\nLine two, a little longer than the first\r\nThree").arg(i);
        n.style.fontName = QStringLiteral("DejaVu Sans");
        if (chosen)
            n.passwordHash = hash;
        notes.append(n);
    }
    return WriteNoteStore(notes, PixelScale{15, 15});
}

QString storePath()
{
    return g_system.dataFolder + QStringLiteral("/Brackwel Systems/Pellux/Pellux.NoteData");
}

bool writeStore(const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(storePath()).absolutePath());
    QFile f(storePath());
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

/// Settings, panel, store and every window, as start-up makes them; arg 0: protected notes.
void BM_StartUp(benchmark::State &state)
{
    const bool protect = state.range(0) != 0;
    const QByteArray bytes = store(protect);
    for (auto _ : state) {
        state.PauseTiming();
        if (!writeStore(bytes)) {
            state.SkipWithError("the store could not be written");
            break;
        }
        g_prompts.asked = 0;
        state.ResumeTiming();

        auto program = std::make_unique<Program>(Services{g_prompts, g_clock, g_screen, g_system});
        InstallFeatures(*program);
        program->LoadSettings();
        program->LoadNotes();
        QCoreApplication::processEvents();

        state.PauseTiming();
        int hidden = 0;
        for (int slot = 1; slot <= program->upperBound(); ++slot) {
            const NoteEntry *e = program->notes().entry(slot);
            if (e && e->window && !e->window->isVisible())
                ++hidden;
            if (protect != (e && e->isProtected) && slot % (Notes / Protected) == 0)
                state.SkipWithError("a note's protection was not loaded");
        }
        if (program->upperBound() != Notes || hidden != Protected || g_prompts.asked != 0)
            state.SkipWithError("the notes did not load as stored");
        program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
// The machine is shared: run the two stores interleaved and compare medians, e.g.
//   bench_startup --benchmark_filter=StartUp --benchmark_enable_random_interleaving=true
BENCHMARK(BM_StartUp)->ArgName("protected")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2)
    ->Repetitions(8)->ReportAggregatesOnly(true)->MeasureProcessCPUTime();

/// Protecting a note: one hash of the new password.
void BM_SetPassword(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(HashNotePassword(QStringLiteral("Secret 12")));
}
BENCHMARK(BM_SetPassword)->Unit(benchmark::kMillisecond)->Iterations(10);

/// Showing a protected note: one check of what was typed.
void BM_VerifyPassword(benchmark::State &state)
{
    const QString hash = HashNotePassword(QStringLiteral("Secret 12"));
    for (auto _ : state)
        benchmark::DoNotOptimize(VerifyNotePassword(hash, QStringLiteral("Secret 12")));
}
BENCHMARK(BM_VerifyPassword)->Unit(benchmark::kMillisecond)->Iterations(10);

/// What the loader does with each hash it reads: only looks at its form.
void BM_RecogniseHash(benchmark::State &state)
{
    const QString hash = HashNotePassword(QStringLiteral("Secret 12"));
    for (auto _ : state)
        benchmark::DoNotOptimize(IsNotePasswordHash(hash));
}
BENCHMARK(BM_RecogniseHash)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    // Nothing of the user's: settings and data in a temporary folder, no real screen needed.
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_system.dataFolder = root.path() + QStringLiteral("/data");
    QApplication app(argc, argv);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
