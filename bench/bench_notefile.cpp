// Reading the binary note formats at the record level, from bytes in memory.
// Goals (each under 1 s of work on this machine, in practice far below): converting a
// 1,000-record Pellux.DAT at start-up, and importing 1,000 single-note files in one go
// (half text notes of about 2 KB, half check lists of 30 rows).

#include "core/store/StoreWriter.h"
#include "core/notefile/BinaryFields.h"
#include "core/notefile/LegacyDat.h"
#include "core/notefile/NoteFile.h"

#include <QLocale>
#include <benchmark/benchmark.h>

using namespace pellux;

namespace {

const QLocale US(QLocale::English, QLocale::UnitedStates);

QString noteText(int seed, int length)
{
    static const QString line = QStringLiteral("Call Anna & Tom about the draft budget \u2013 caf\u00e9 at 10:30 ");
    QString text;
    int i = seed;
    while (text.size() < length) {
        text += line;
        text += QString::number(i++);
        text += QLatin1String("\r\n");
    }
    return text.left(length);
}

/// One record of the oldest store, laid out as the Windows program wrote it.
QByteArray datRecord(int i)
{
    QByteArray rec;
    ByteWriter w(rec);
    w.fixedText(noteText(i, 2000), 4096);
    w.fixedText(QStringLiteral("Note %1").arg(i), 256);
    w.int16(15 * (i % 700));
    w.int16(15 * (i % 1200));
    w.bool16(true);
    w.int16(15 * 250);
    w.int16(15 * 180);
    w.raw(QByteArray(12, '\0'));
    w.raw(QByteArray(1, '\0'));
    if (i % 4 == 0)
        w.raw(QByteArray(64, '\0'));    // no font stored: the new-note defaults
    else
        w.fixedText(QStringLiteral("Arial"), 64);
    w.float32(8.25f + float(i % 4));
    w.raw(i % 2 ? "TFFF" : "FFFF");
    w.int32(0x202020);
    w.int32(65535);
    w.bool16(i % 3 == 0);
    w.bool16(i % 5 == 0);
    w.bool16(true);
    w.raw(QByteArray(int(LegacyDatRecordSize - rec.size()), ' '));
    return rec;
}

StoredNote makeNote(int i)
{
    StoredNote n;
    n.nid = QStringLiteral("DESKTOP-PC:07032026:1504%1:%2").arg(i % 60, 2, 10, QLatin1Char('0')).arg(i % 100, 2, 10, QLatin1Char('0'));
    n.width = 15 * 250;
    n.height = 15 * 180;
    n.ontop = i % 3 == 0;
    n.alarm.Enabled = i % 7 == 0;
    n.alarm.AlarmTime = QTime(i % 24, i % 60);
    n.alarm.AlarmDate = QDate(2026, 1 + i % 12, 1 + i % 28);
    n.style.fontName = QStringLiteral("DejaVu Sans");
    n.style.fontSize = 8.25f + float(i % 4);
    if (i % 2 == 0) {
        n.type = QStringLiteral("TextNote");
        n.title = QStringLiteral("Note %1").arg(i);
        n.text = noteText(i, 2000);
        n.dynamicTitle = true;
    } else {
        n.type = QStringLiteral("CheckList");
        n.title = QStringLiteral("List %1").arg(i);
        for (int r = 0; r < 30; ++r)
            n.rows.append({r % 3 == 0, QStringLiteral("Item %1 of list %2 & more").arg(r).arg(i)});
    }
    return n;
}

QList<QByteArray> makeNoteFiles(int count)
{
    QList<QByteArray> files;
    for (int i = 0; i < count; ++i)
        files.append(WriteNoteFile(makeNote(i)).bytes);
    return files;
}

void BM_ReadLegacyDat(benchmark::State &state)
{
    QByteArray dat;
    for (int i = 0; i < state.range(0); ++i)
        dat += datRecord(i);
    size_t notes = 0;
    for (auto _ : state) {
        const BinaryReadResult r = ReadLegacyDat(dat, NoteDefaults());
        notes = size_t(r.notes.size());
        benchmark::DoNotOptimize(notes);
    }
    if (notes != size_t(state.range(0)))
        state.SkipWithError("the file did not read back whole");
    state.counters["file_bytes"] = double(dat.size());
}

// What the start-up does with such a file: read it and write the XML store from it.
void BM_ConvertLegacyDat(benchmark::State &state)
{
    QByteArray dat;
    for (int i = 0; i < state.range(0); ++i)
        dat += datRecord(i);
    for (auto _ : state) {
        const BinaryReadResult r = ReadLegacyDat(dat, NoteDefaults());
        QList<StoredNote> notes;
        notes.reserve(r.notes.size());
        for (const ImportedNote &n : r.notes)
            notes.append(n.note);
        const QByteArray store = WriteNoteStore(notes, PixelScale(), US);
        benchmark::DoNotOptimize(store.constData());
    }
    // One set of counters for every run: the CSV reporter refuses a mix.
    state.counters["file_bytes"] = double(dat.size());
}

void BM_ReadNoteFiles(benchmark::State &state)
{
    const QList<QByteArray> files = makeNoteFiles(int(state.range(0)));
    qint64 bytes = 0;
    for (const QByteArray &f : files)
        bytes += f.size();
    size_t notes = 0;
    for (auto _ : state) {
        notes = 0;
        for (const QByteArray &f : files) {
            const BinaryReadResult r = ReadNoteFile(f);
            notes += size_t(r.notes.size());
        }
        benchmark::DoNotOptimize(notes);
    }
    if (notes != size_t(state.range(0)))
        state.SkipWithError("the files did not read back whole");
    state.counters["file_bytes"] = double(bytes);
}

void BM_WriteNoteFiles(benchmark::State &state)
{
    QList<StoredNote> notes;
    for (int i = 0; i < state.range(0); ++i)
        notes.append(makeNote(i));
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const StoredNote &n : notes)
            bytes += WriteNoteFile(n).bytes.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["file_bytes"] = double(bytes);
}

} // namespace

BENCHMARK(BM_ReadLegacyDat)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertLegacyDat)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNoteFiles)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteNoteFiles)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
