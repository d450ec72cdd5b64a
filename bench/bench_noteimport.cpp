// Notes coming in from files, the whole way: windows made, placed and shown, the panel's
// list and the tray menu following. Goals (each under 1 s of work on this machine):
// converting a 1,000-record Pellux.DAT at start-up (read, 1,000 windows, the new store
// written, the old file deleted), and importing 1,000 single-note files in one go.
// Runs headless (offscreen) in a private profile.

#include "BenchPrompts.h"
#include "app/Commands.h"
#include "app/Program.h"
#include "core/notefile/BinaryFields.h"
#include "core/notefile/LegacyDat.h"
#include "core/notefile/NoteFile.h"
#include "features/Features.h"
#include "platform/DesktopPlatform.h"
#include "platform/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

using namespace pellux;

namespace {

constexpr int kNotes = 1000;

/// No dialog may come up while measuring: any prompt is counted and answered as cancelled.
using bench::NoPrompts;

QString noteText(int seed)
{
    QString text;
    for (int line = 0; text.size() < 1500; ++line)
        text += QStringLiteral("Call Anna & Tom about the draft budget, item %1.%2\r\n").arg(seed).arg(line);
    return text;
}

/// One record of the oldest store, laid out as the Windows program wrote it.
QByteArray datRecord(int i)
{
    QByteArray rec;
    ByteWriter w(rec);
    w.fixedText(noteText(i), 4096);
    w.fixedText(QStringLiteral("Note %1").arg(i), 256);
    w.int16(15 * (i % 700));
    w.int16(15 * (i % 1200));
    w.bool16(i % 10 == 0);          // most notes of a long-kept store are hidden
    w.int16(15 * 250);
    w.int16(15 * 180);
    w.raw(QByteArray(12, '\0'));
    w.raw(QByteArray(1, '\0'));
    w.fixedText(QStringLiteral("DejaVu Sans"), 64);
    w.float32(10.0f);
    w.raw("FFFF");
    w.int32(0x202020);
    w.int32(65535);
    w.bool16(false);
    w.bool16(false);
    w.bool16(i % 2 == 0);
    w.raw(QByteArray(int(LegacyDatRecordSize - rec.size()), ' '));
    return rec;
}

/// A single-note file: text notes and check lists of 20 rows, in turn.
QByteArray noteFile(int i)
{
    StoredNote n;
    n.title = QStringLiteral("Imported %1").arg(i);
    n.nid = QStringLiteral("OTHERPC:01022026:%1:%2").arg(100000 + i).arg(i % 100, 2, 10, QLatin1Char('0'));
    n.width = 15 * 250;
    n.height = 15 * 180;
    n.visible = i % 10 == 0;
    n.style.fontName = QStringLiteral("DejaVu Sans");
    n.style.fontSize = 10.0f;
    if (i % 2 == 0) {
        n.type = QStringLiteral("TextNote");
        n.text = noteText(i);
    } else {
        n.type = QStringLiteral("CheckList");
        for (int r = 0; r < 20; ++r)
            n.rows.append(CheckRow{r % 3 == 0, QStringLiteral("row %1 of list %2").arg(r).arg(i)});
    }
    return WriteNoteFile(n).bytes;
}

/// A whole program on the desktop seams, in a private profile.
struct BenchProgram
{
    QTemporaryDir dir;
    NoPrompts prompts;
    SystemClock clock;
    QtScreenMetrics screen;
    std::unique_ptr<DesktopSystemQueries> system;
    std::unique_ptr<Program> program;

    BenchProgram()
    {
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath(QStringLiteral("config")));
        QDir().mkpath(workDir());
        QDir().mkpath(dir.filePath(QStringLiteral("data")));
        system = std::make_unique<DesktopSystemQueries>();
        program = std::make_unique<Program>(Services{prompts, clock, screen, *system, nullptr});
        InstallFeatures(*program);
        program->endProcess = [](int) {};
        program->workingDirectory = workDir();
    }
    ~BenchProgram()
    {
        program.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString workDir() const { return dir.filePath(QStringLiteral("work")); }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

void BM_ConvertDatAtStartUp(benchmark::State &state)
{
    QByteArray dat;
    for (int i = 1; i <= kNotes; ++i)
        dat += datRecord(i);
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<BenchProgram>();
        bench->program->LoadSettings();
        const QString path = bench->workDir() + QStringLiteral("/Pellux.DAT");
        writeFile(path, dat);
        state.ResumeTiming();

        bench->program->LoadNotes();

        state.PauseTiming();
        if (bench->program->upperBound() != kNotes || QFile::exists(path) || bench->prompts.asked != 0)
            state.SkipWithError("the conversion did not complete");
        bench.reset();
        state.ResumeTiming();
    }
    state.counters["notes"] = kNotes;
}

void BM_Import1000NoteFiles(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<BenchProgram>();
        bench->program->LoadSettings();
        bench->program->LoadNotes();
        QStringList paths;
        for (int i = 1; i <= kNotes; ++i) {
            paths << bench->dir.filePath(QStringLiteral("note %1.NoteFile").arg(i));
            writeFile(paths.last(), noteFile(i));
        }
        state.ResumeTiming();

        for (const QString &path : std::as_const(paths))
            bench->program->hub().LoadNoteFile(path);

        state.PauseTiming();
        if (bench->program->upperBound() != kNotes || bench->prompts.asked != 0)
            state.SkipWithError("the import did not complete");
        bench.reset();
        state.ResumeTiming();
    }
    state.counters["notes"] = kNotes;
}

} // namespace

BENCHMARK(BM_ConvertDatAtStartUp)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Import1000NoteFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
