// Searching the notes for a text that none holds: "Find" to "Search Completed" over
// 1,000 notes of about 2 KB each, half of them check lists (40 rows of about 50
// characters). Goal: under 20 ms of work. The whole walk runs as the user meets it:
// the search window's "Find", the "Searching..." flash, every note's text read from
// its window, the closing message (answered at once by the benchmark's prompts).
//
// The notes are loaded once, hidden (a search that finds nothing shows none), on fake
// seams offscreen (settings and data in a temporary folder).

#include "BenchPrompts.h"
#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "core/search/NoteSearch.h"
#include "core/store/StoreWriter.h"
#include "features/Features.h"
#include "platform/Clock.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"
#include "search/frmPelluxSearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
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
    QRect availableAreaTwips() const override { return QRect(0, 0, 1280 * 15, 984 * 15); }
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

constexpr int NoteCount = 1000;
constexpr int Rows = 40;

/// About 50 characters of ordinary words, different for every note and row.
QString line(int note, int row)
{
    static const QStringList words{"milk", "Bread", "call", "Anna", "about", "the", "meeting", "on", "Tuesday",
                                   "pay", "rent", "water", "plants", "book", "train", "tickets", "Oslo"};
    QString s;
    int k = note * 7 + row * 3;
    while (s.size() < 48)
        s += words[k++ % words.size()] + QLatin1Char(' ');
    return s;
}

QByteArray store()
{
    QList<StoredNote> notes;
    for (int i = 1; i <= NoteCount; ++i) {
        StoredNote n;
        const bool list = i % 2 == 0;
        n.type = list ? QStringLiteral("CheckList") : QStringLiteral("TextNote");
        n.title = QStringLiteral("Note %1").arg(i);
        n.nid = QStringLiteral("BENCH:10122026:103000:%1").arg(i, 4, 10, QLatin1Char('0'));
        n.left = (i % 40) * 300;
        n.top = (i % 25) * 300;
        n.width = 3000;
        n.height = 2350;
        n.visible = false;
        n.style.fontName = QStringLiteral("DejaVu Sans");
        for (int r = 1; r <= Rows; ++r) {
            if (list)
                n.rows.append(CheckRow{r % 3 == 0, line(i, r)});
            else
                n.text += line(i, r) + QStringLiteral("\r\n");
        }
        notes.append(n);
    }
    return WriteNoteStore(notes, PixelScale{15, 15});
}

bool writeStore(const QByteArray &bytes)
{
    const QString path = g_system.dataFolder + QStringLiteral("/Brackwel Systems/Pellux/Pellux.NoteData");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

std::unique_ptr<Program> g_program;

frmPelluxSearch *openSearch()
{
    g_program->hub().run(Feature::Search);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *s = qobject_cast<frmPelluxSearch *>(w); s && s->isVisible())
            return s;
    return nullptr;
}

/// "Find" to "Search Completed"; arg: "Match Case".
void BM_SearchFindsNothing(benchmark::State &state)
{
    frmPelluxSearch *search = openSearch();
    if (!search) {
        state.SkipWithError("no search window");
        return;
    }
    search->txtSearch->setText(QStringLiteral("parcel to Bergen"));
    search->chkCase->setChecked(state.range(0) != 0);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        g_prompts.asked = 0;
        search->cmdFind->click();
        state.PauseTiming();
        if (g_prompts.asked != 1 || g_prompts.lastText != QStringLiteral("Search Completed") || search->paused())
            state.SkipWithError("the search did not end with \"Search Completed\"");
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    search->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_SearchFindsNothing)->ArgName("matchcase")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->Repetitions(5)->ReportAggregatesOnly(true)->MeasureProcessCPUTime();

/// The walk over the note windows, without the search window and its flash.
void BM_WalkOverWindows(benchmark::State &state)
{
    struct Windows : SearchSource
    {
        Program &program;
        explicit Windows(Program &p) : program(p) {}
        int lastSlot() const override { return program.upperBound(); }
        bool searchable(int slot) const override
        {
            const NoteWindow *w = program.note(slot);
            return w && w->GetNotePass().isEmpty();
        }
        int fieldCount(int slot) const override { return program.note(slot)->searchFieldCount(); }
        QString fieldText(int slot, int field) const override { return program.note(slot)->searchFieldText(field); }
    } windows(*g_program);
    for (auto _ : state) {
        NoteSearch walk(windows, state.range(0) != 0);
        benchmark::DoNotOptimize(walk.next(QStringLiteral("parcel to Bergen")));
    }
}
BENCHMARK(BM_WalkOverWindows)->ArgName("matchcase")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

/// The walk alone, at the record level: the same texts in memory, no windows.
void BM_WalkAlone(benchmark::State &state)
{
    struct Table : SearchSource
    {
        std::vector<std::vector<QString>> notes;
        int lastSlot() const override { return int(notes.size()); }
        bool searchable(int) const override { return true; }
        int fieldCount(int slot) const override { return int(notes[size_t(slot - 1)].size()); }
        QString fieldText(int slot, int field) const override { return notes[size_t(slot - 1)][size_t(field - 1)]; }
    } table;
    for (int i = 1; i <= NoteCount; ++i) {
        std::vector<QString> fields;
        if (i % 2 == 0) {
            for (int r = 1; r <= Rows; ++r)
                fields.push_back(line(i, r));
        } else {
            QString text;
            for (int r = 1; r <= Rows; ++r)
                text += line(i, r) + QLatin1Char('\n');
            fields.push_back(text);
        }
        table.notes.push_back(std::move(fields));
    }
    for (auto _ : state) {
        NoteSearch walk(table, state.range(0) != 0);
        benchmark::DoNotOptimize(walk.next(QStringLiteral("parcel to Bergen")));
    }
}
BENCHMARK(BM_WalkAlone)->ArgName("matchcase")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_system.dataFolder = root.path() + QStringLiteral("/data");
    QApplication app(argc, argv);

    if (!writeStore(store()))
        return 1;
    g_program = std::make_unique<Program>(Services{g_prompts, g_clock, g_screen, g_system});
    InstallFeatures(*g_program);
    g_program->LoadSettings();
    g_program->LoadNotes();
    QCoreApplication::processEvents();
    if (g_program->upperBound() != NoteCount || g_prompts.asked != 0)
        return 1;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_program.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
