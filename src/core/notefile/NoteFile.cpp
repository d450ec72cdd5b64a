#include "core/notefile/NoteFile.h"

#include "core/notefile/Windows1252.h"

#include <QLocale>
#include <algorithm>

namespace pellux {

namespace {

const QString TextNote30 = QStringLiteral("TextNote30");
const QString CheckList30 = QStringLiteral("CheckList30");

enum class Layout {
    NoteFile,       ///< single-note file: twips, top and left unused
    Twips,          ///< "NoteFile 3.0" store
    Pixels          ///< "NoteFile 3.1" store
};

bool isTextType(const QString &type)
{
    return type == TextNote30 || type == QLatin1String("TextNote");
}

bool isCheckListType(const QString &type)
{
    return type == CheckList30 || type == QLatin1String("CheckList");
}

void readStyle(ByteReader &in, NoteStyle &style, const NoteStyle &defaults)
{
    style.fontName = in.string();
    const float size = in.float32();
    style.fontSize = IsUsableFontSize(size) ? size : defaults.fontSize;
    style.bold = in.bool16();
    style.italic = in.bool16();
    style.underline = in.bool16();
    style.strikethru = in.bool16();
    style.foreColor = in.int32();
    style.backColor = in.int32();
}

/// Sets \a error to the sentence about the field that does not fit; false when one does not.
void tooLong(QStringView text, const QString &what, QString *error)
{
    if (error) {
        const QLocale locale;
        *error = QStringLiteral("The %1 is too long for a note file: it takes %2 bytes, and a note file "
                                "holds at most %3 in one text.")
                     .arg(what, locale.toString(qlonglong(ToWindows1252(text).size())),
                          locale.toString(qlonglong(ByteWriter::MaxStringBytes)));
    }
}

bool writeString(ByteWriter &out, QStringView text, const QString &what, QString *error)
{
    if (out.string(text))
        return true;
    tooLong(text, what, error);
    return false;
}

bool writeStyle(ByteWriter &out, const NoteStyle &style, QString *error)
{
    if (!writeString(out, style.fontName, QStringLiteral("font name"), error))
        return false;
    out.float32(style.fontSize);
    out.bool16(style.bold);
    out.bool16(style.italic);
    out.bool16(style.underline);
    out.bool16(style.strikethru);
    out.int32(style.foreColor);
    out.int32(style.backColor);
    return true;
}

/// A note type as it may appear in a message: control characters shown as "?", cut when long.
QString printableType(const QString &type)
{
    QString shown = type.left(40);
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    }
    return type.size() > 40 ? shown + QStringLiteral("...") : shown;
}

std::optional<int> dimension(qint16 value, int factor)
{
    if (value <= 0)
        return std::nullopt;
    return int(value) * factor;
}

BinaryReadResult damaged(BinaryReadResult result, int record, qsizetype at, const QString &what)
{
    result.status = BinaryReadStatus::Damaged;
    result.failedRecord = record;
    result.failedAt = at;
    result.error = what;
    return result;
}

QString cutShort(int record, const QString &part)
{
    return QStringLiteral("Record %1 is cut short: the file ends inside its %2.").arg(record).arg(part);
}

/// Reads records to the end of \a in; the first line has already been taken.
BinaryReadResult readRecords(ByteReader &in, Layout layout, const PixelScale &scale, const NoteDefaults &defaults)
{
    const int xFactor = layout == Layout::Pixels ? (scale.x < 1 ? 15 : scale.x) : 1;
    const int yFactor = layout == Layout::Pixels ? (scale.y < 1 ? 15 : scale.y) : 1;

    BinaryReadResult result;
    int record = 0;
    while (!in.atEnd()) {
        ++record;
        const NoteFileRecord head = ReadNoteRecord(in);
        if (!in.ok())
            return damaged(result, record, in.failedAt(), cutShort(record, QStringLiteral("note record")));

        ImportedNote imported;
        StoredNote &n = imported.note;
        if (isTextType(head.type)) {
            const TextNoteRecord body = ReadTextNoteBody(in, defaults.style);
            if (!in.ok())
                return damaged(result, record, in.failedAt(), cutShort(record, QStringLiteral("text note")));
            n.style = body.style;
            n.ontop = body.onTop;
            n.rollup = body.rollUp;
            n.dynamicTitle = body.dynamicTitle;
            n.text = body.text;
        } else if (isCheckListType(head.type)) {
            int row = 0;
            CheckListRecord body = ReadCheckListBody(in, defaults.style, &row);
            if (!in.ok())
                return damaged(result, record, in.failedAt(),
                               cutShort(record, row == 0 ? QStringLiteral("check list")
                                                         : QStringLiteral("check list, in row %1").arg(row)));
            n.style = body.style;
            n.ontop = body.onTop;
            n.rollup = body.rollUp;
            n.rows = std::move(body.rows);
        } else {
            return damaged(result, record, in.position(),
                           QStringLiteral("Record %1 has the unknown note type \"%2\".")
                               .arg(record)
                               .arg(printableType(head.type)));
        }

        // A blank title marks an empty record. Its body has been read with it, so the next
        // record starts where it should.
        if (WithoutTrailingBlanks(head.title).isEmpty())
            continue;

        n.type = head.type;
        n.title = head.title;
        n.nid = head.nid;
        n.visible = head.visible;
        n.alarm = head.alarm;
        n.width = dimension(head.width, xFactor);
        n.height = dimension(head.height, yFactor);
        if (layout != Layout::NoteFile) {
            n.top = int(head.top) * yFactor;
            n.left = int(head.left) * xFactor;
        }
        imported.password = WithoutTrailingBlanks(head.password);
        result.notes.append(std::move(imported));
    }
    return result;
}

bool startsWithLine(QByteArrayView bytes, const char *line)
{
    return bytes.startsWith(QByteArrayView(line));
}

} // namespace

bool IsNoteFileName(const QString &path)
{
    return path.endsWith(QLatin1String(".NoteFile"), Qt::CaseInsensitive);
}

NoteFileRecord ReadNoteRecord(ByteReader &in)
{
    NoteFileRecord r;
    r.title = in.string();
    r.top = in.int16();
    r.left = in.int16();
    r.visible = in.bool16();
    r.width = in.int16();
    r.height = in.int16();
    r.password = in.fixedText(12);

    AlarmRecord &a = r.alarm;
    const bool enabled = in.bool16();
    a.AlarmType = in.byte();
    const std::optional<QTime> time = TimeOfOleValue(in.date());
    const std::optional<QDate> date = DateOfOleValue(in.date());
    for (bool &day : a.DaysOfWeek)
        day = in.bool16();
    a.Sound = in.string();
    a.AlarmTime = time.value_or(QTime(0, 0));
    a.AlarmDate = date.value_or(QDate());
    a.Enabled = enabled && time && (a.AlarmType != 0 || date);

    r.reserved = in.string();
    r.nid = in.string();
    r.type = in.string();
    return r;
}

TextNoteRecord ReadTextNoteBody(ByteReader &in, const NoteStyle &defaults)
{
    TextNoteRecord r;
    readStyle(in, r.style, defaults);
    r.onTop = in.bool16();
    r.rollUp = in.bool16();
    r.dynamicTitle = in.bool16();
    r.text = in.string();
    return r;
}

CheckListRecord ReadCheckListBody(ByteReader &in, const NoteStyle &defaults, int *failedRow)
{
    CheckListRecord r;
    readStyle(in, r.style, defaults);
    r.onTop = in.bool16();
    r.rollUp = in.bool16();
    if (failedRow)
        *failedRow = 0;
    if (!in.ok())
        return r;
    for (int row = 1;; ++row) {
        CheckRow item;
        item.checked = in.int16() != 0;
        item.text = in.string();
        const bool last = in.bool16();
        if (!in.ok()) {
            if (failedRow)
                *failedRow = row;
            return r;
        }
        r.rows.append(std::move(item));
        if (last)
            return r;
    }
}

bool WriteNoteRecord(ByteWriter &out, const NoteFileRecord &r, QString *error)
{
    if (!writeString(out, r.title, QStringLiteral("title"), error))
        return false;
    out.int16(r.top);
    out.int16(r.left);
    out.bool16(r.visible);
    out.int16(r.width);
    out.int16(r.height);
    out.fixedText(r.password, 12);
    out.bool16(r.alarm.Enabled);
    out.byte(r.alarm.AlarmType);
    out.date(OleTimeValue(r.alarm.AlarmTime));
    out.date(OleDateValue(r.alarm.AlarmDate));
    for (bool day : r.alarm.DaysOfWeek)
        out.bool16(day);
    return writeString(out, r.alarm.Sound, QStringLiteral("path of the alarm sound"), error)
           && writeString(out, r.reserved, QStringLiteral("reserved field"), error)
           && writeString(out, r.nid, QStringLiteral("identifier"), error)
           && writeString(out, r.type, QStringLiteral("note type"), error);
}

bool WriteTextNoteBody(ByteWriter &out, const TextNoteRecord &body, QString *error)
{
    if (!writeStyle(out, body.style, error))
        return false;
    out.bool16(body.onTop);
    out.bool16(body.rollUp);
    out.bool16(body.dynamicTitle);
    return writeString(out, body.text, QStringLiteral("note's text"), error);
}

bool WriteCheckListBody(ByteWriter &out, const CheckListRecord &body, QString *error)
{
    if (!writeStyle(out, body.style, error))
        return false;
    out.bool16(body.onTop);
    out.bool16(body.rollUp);
    static const QList<CheckRow> OneEmptyRow{CheckRow{}};
    const QList<CheckRow> &rows = body.rows.isEmpty() ? OneEmptyRow : body.rows;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        out.int16(rows[i].checked ? 1 : 0);
        if (!out.string(rows[i].text)) {
            tooLong(rows[i].text, QStringLiteral("text of row %1").arg(i + 1), error);
            return false;
        }
        out.bool16(i == rows.size() - 1);
    }
    return true;
}

TextNoteRecord TextNoteRecordOf(const StoredNote &note)
{
    TextNoteRecord r;
    r.style = note.style;
    r.onTop = note.ontop;
    r.rollUp = note.rollup;
    r.dynamicTitle = note.dynamicTitle;
    r.text = note.text;
    return r;
}

CheckListRecord CheckListRecordOf(const StoredNote &note)
{
    CheckListRecord r;
    r.style = note.style;
    r.onTop = note.ontop;
    r.rollUp = note.rollup;
    r.rows = note.rows;
    return r;
}

NoteFileRecord NoteFileRecordOf(const StoredNote &note, const QString &password)
{
    const auto clamp16 = [](const std::optional<int> &v) {
        return qint16(std::clamp(v.value_or(0), -32768, 32767));
    };
    NoteFileRecord r;
    r.title = note.title;
    r.visible = note.visible;
    r.width = clamp16(note.width);
    r.height = clamp16(note.height);
    r.password = password.left(12);
    r.alarm = note.alarm;
    r.nid = note.nid;
    r.type = note.isCheckList() ? CheckList30 : TextNote30;
    return r;
}

BinaryReadResult ReadNoteFile(QByteArrayView bytes, const NoteDefaults &defaults)
{
    BinaryReadResult result;
    if (bytes.isEmpty()) {
        result.status = BinaryReadStatus::Empty;
        return result;
    }
    if (!startsWithLine(bytes, NoteFileHeader)) {
        result.status = BinaryReadStatus::WrongHeader;
        return result;
    }
    ByteReader in(bytes);
    in.skip(qsizetype(sizeof(NoteFileHeader) - 1));
    return readRecords(in, Layout::NoteFile, PixelScale(), defaults);
}

BinaryReadResult ReadRecordStore(QByteArrayView bytes, const PixelScale &scale, const NoteDefaults &defaults)
{
    BinaryReadResult result;
    if (bytes.isEmpty()) {
        result.status = BinaryReadStatus::Empty;
        return result;
    }
    Layout layout;
    if (startsWithLine(bytes, NoteFileHeader))
        layout = Layout::Twips;
    else if (startsWithLine(bytes, RecordStorePixelsHeader))
        layout = Layout::Pixels;
    else {
        result.status = BinaryReadStatus::WrongHeader;
        return result;
    }
    ByteReader in(bytes);
    in.skip(qsizetype(sizeof(NoteFileHeader) - 1));
    return readRecords(in, layout, scale, defaults);
}

NoteFileBytes WriteNoteFile(const StoredNote &note, const QString &password)
{
    NoteFileBytes result;
    if (!note.isTextNote() && !note.isCheckList()) {
        result.error = QStringLiteral("A note of the type \"%1\" cannot be written to a note file.")
                           .arg(printableType(note.type));
        return result;
    }
    QByteArray bytes(NoteFileHeader);
    ByteWriter out(bytes);
    const bool written = WriteNoteRecord(out, NoteFileRecordOf(note, password), &result.error)
                         && (note.isTextNote() ? WriteTextNoteBody(out, TextNoteRecordOf(note), &result.error)
                                               : WriteCheckListBody(out, CheckListRecordOf(note), &result.error));
    if (written)
        result.bytes = std::move(bytes);
    return result;
}

QStringList UnrepresentableInNoteFile(const StoredNote &note)
{
    // One text with a representable separator, so no pair forms across two fields.
    QStringList parts{note.title, note.nid, note.style.fontName, note.alarm.Sound};
    if (note.isTextNote())
        parts.append(note.text);
    else
        for (const CheckRow &row : note.rows)
            parts.append(row.text);
    return Windows1252Unrepresentable(parts.join(QLatin1Char('\n')));
}

} // namespace pellux
