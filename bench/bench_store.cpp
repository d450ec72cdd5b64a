// Reading and writing a large note store at the record level. Goal: each under 25 ms
// for 1,000 notes (half text notes of 2 KB, half check lists of 30 rows).

#include "core/store/StoreStreamReader.h"
#include "core/store/StoreWriter.h"

#include <QLocale>
#include <benchmark/benchmark.h>
#include <expat.h>

using namespace pellux;

namespace {

const QLocale US(QLocale::English, QLocale::UnitedStates);

QString noteText(int seed)
{
    // About 2 KB: lines of ordinary prose with a few characters that need escaping
    // and some outside ASCII, CR LF line breaks as the notes hold them.
    static const QString line = QStringLiteral("Call Anna & Tom about the <draft> budget \u2013 caf\u00e9 at 10:30 ");
    QString text;
    text.reserve(2100);
    int i = seed;
    while (text.size() < 2000) {
        text += line;
        text += QString::number(i++);
        text += QLatin1String("\r\n");
    }
    return text;
}

QList<StoredNote> makeNotes(int count)
{
    QList<StoredNote> notes;
    notes.reserve(count);
    for (int i = 0; i < count; ++i) {
        StoredNote n;
        n.nid = QStringLiteral("DESKTOP-PC:07032026:1504%1:%2").arg(i % 60, 2, 10, QLatin1Char('0')).arg(i % 100, 2, 10, QLatin1Char('0'));
        n.top = 15 * (i % 700);
        n.left = 15 * (i % 1200);
        n.width = 15 * 250;
        n.height = 15 * 180;
        n.ontop = i % 3 == 0;
        n.rollup = i % 5 == 0;
        n.alarm.Enabled = i % 7 == 0;
        n.alarm.AlarmTime = QTime(i % 24, i % 60);
        n.alarm.AlarmDate = QDate(2026, 1 + i % 12, 1 + i % 28);
        n.style.fontName = QStringLiteral("DejaVu Sans");
        n.style.fontSize = 8.25f + float(i % 4);
        n.style.foreColor = 0x202020;
        if (i % 2 == 0) {
            n.type = QStringLiteral("TextNote");
            n.title = QStringLiteral("Note %1").arg(i);
            n.text = noteText(i);
            n.dynamicTitle = true;
        } else {
            n.type = QStringLiteral("CheckList");
            n.title = QStringLiteral("List %1").arg(i);
            for (int r = 0; r < 30; ++r)
                n.rows.append({r % 3 == 0, QStringLiteral("Item %1 of list %2 & more").arg(r).arg(i)});
        }
        notes.append(n);
    }
    return notes;
}

void BM_WriteStore(benchmark::State &state)
{
    const QList<StoredNote> notes = makeNotes(int(state.range(0)));
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray store = WriteNoteStore(notes, PixelScale(), US);
        bytes = store.size();
        benchmark::DoNotOptimize(store.constData());
    }
    state.counters["store_bytes"] = double(bytes);
}

void BM_ReadStore(benchmark::State &state)
{
    const QByteArray store = WriteNoteStore(makeNotes(int(state.range(0))), PixelScale(), US);
    size_t notes = 0;
    for (auto _ : state) {
        const StoreReadResult r = ReadNoteStore(store, PixelScale(), NoteDefaults(), US);
        notes = size_t(r.notes.size());
        benchmark::DoNotOptimize(notes);
    }
    if (notes != size_t(state.range(0)))
        state.SkipWithError("the store did not read back whole");
    state.counters["store_bytes"] = double(store.size());
}


// The floor under BM_ReadStore: expat alone going through the same store, every
// element and piece of text handed to handlers that only count them. What BM_ReadStore
// takes beyond this is the reader's own work.
void BM_ReadStoreExpatOnly(benchmark::State &state)
{
    const QByteArray store = WriteNoteStore(makeNotes(int(state.range(0))), PixelScale(), US);
    qint64 events = 0;
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetUserData(parser, &events);
        XML_SetElementHandler(
            parser, [](void *n, const XML_Char *, const XML_Char **) { ++*static_cast<qint64 *>(n); },
            [](void *n, const XML_Char *) { ++*static_cast<qint64 *>(n); });
        XML_SetCharacterDataHandler(parser, [](void *n, const XML_Char *, int) { ++*static_cast<qint64 *>(n); });
        events = 0;
        const bool ok = XML_Parse(parser, store.constData(), int(store.size()), XML_TRUE) == XML_STATUS_OK;
        XML_ParserFree(parser);
        if (!ok) {
            state.SkipWithError("the store is not well formed");
            break;
        }
        benchmark::DoNotOptimize(events);
    }
    // The same counters as the other runs: the CSV reporter refuses a mix.
    state.counters["store_bytes"] = double(store.size());
}

} // namespace

BENCHMARK(BM_WriteStore)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStore)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStoreExpatOnly)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
