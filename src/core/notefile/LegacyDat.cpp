#include "core/notefile/LegacyDat.h"

#include "core/notefile/BinaryFields.h"

#include <QLocale>
#include <algorithm>

namespace pellux {

namespace {

constexpr qsizetype FontNameBytes = 64;

bool flag(quint8 byte)
{
    return byte == 'T';
}

std::optional<int> dimension(qint16 value)
{
    return value > 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

BinaryReadResult ReadLegacyDat(QByteArrayView bytes, const NoteDefaults &defaults)
{
    BinaryReadResult result;
    if (bytes.isEmpty()) {
        result.status = BinaryReadStatus::Empty;
        return result;
    }
    const qsizetype whole = bytes.size() / LegacyDatRecordSize;
    result.notes.reserve(whole);
    for (qsizetype i = 0; i < whole; ++i) {
        ByteReader in(bytes.sliced(i * LegacyDatRecordSize, LegacyDatRecordSize));
        const QString text = in.fixedText(4096);
        const QString title = WithoutTrailingBlanks(in.fixedText(256));
        const qint16 top = in.int16();
        const qint16 left = in.int16();
        const bool visible = in.bool16();
        const qint16 width = in.int16();
        const qint16 height = in.int16();
        const QString password = in.fixedText(12);
        in.skip(1);
        const QByteArrayView fontName = in.bytes(FontNameBytes);
        const float size = in.float32();
        const bool bold = flag(in.byte());
        const bool italic = flag(in.byte());
        const bool underline = flag(in.byte());
        const bool strike = flag(in.byte());
        const qint32 fore = in.int32();
        const qint32 back = in.int32();
        const bool onTop = in.bool16();
        const bool rollUp = in.bool16();
        const bool dynamicTitle = in.bool16();
        Q_ASSERT(in.ok());

        if (title.isEmpty())
            continue;

        ImportedNote imported;
        StoredNote &n = imported.note;
        n.type = QStringLiteral("TextNote30");
        n.title = title;
        n.text = WithoutTrailingBlanks(text);
        n.top = top;
        n.left = left;
        n.width = dimension(width);
        n.height = dimension(height);
        n.visible = visible;
        n.ontop = onTop;
        n.rollup = rollUp;
        n.dynamicTitle = dynamicTitle;
        if (std::all_of(fontName.begin(), fontName.end(), [](char c) { return c == 0; })) {
            n.style = defaults.style;
        } else {
            ByteReader name(fontName);
            n.style.fontName = WithoutTrailingBlanks(name.fixedText(FontNameBytes));
            n.style.fontSize = IsUsableFontSize(size) ? size : defaults.style.fontSize;
            n.style.bold = bold;
            n.style.italic = italic;
            n.style.underline = underline;
            n.style.strikethru = strike;
            n.style.foreColor = fore;
            n.style.backColor = back;
        }
        imported.password = WithoutTrailingBlanks(password);
        result.notes.append(std::move(imported));
    }

    if (const qsizetype tail = bytes.size() % LegacyDatRecordSize) {
        const int record = int(whole) + 1;
        result.status = BinaryReadStatus::Damaged;
        result.failedRecord = record;
        result.failedAt = whole * LegacyDatRecordSize;
        result.error = QStringLiteral("Record %1 is cut short: the file ends %2 bytes into it, and a record "
                                      "has %3.")
                           .arg(record)
                           .arg(QLocale().toString(qlonglong(tail)), QLocale().toString(qlonglong(LegacyDatRecordSize)));
    }
    return result;
}

} // namespace pellux
