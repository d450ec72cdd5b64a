#include "notefiles/NoteFiles.h"

#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "core/notefile/FileWrite.h"
#include "core/notefile/NoteFile.h"
#include "core/render/NoteHtml.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellux::NoteFiles {

namespace {

/// The most characters the warning about a note file names one by one.
constexpr int kNamedCharacters = 10;

struct FileBytes
{
    QByteArray bytes;
    int error = 0;      ///< errno of the failed step; 0 when read whole
};

/**
 * Reads a whole file. Opened without blocking, so a named pipe without a writer
 * reads as empty instead of hanging the program; a file larger than any note file
 * is refused before it is read into memory.
 */
FileBytes readWhole(const QString &path)
{
    FileBytes result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        result.error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        result.error = EISDIR;
    } else if (S_ISREG(st.st_mode) && st.st_size > MaxNoteFileBytes) {
        result.error = EFBIG;
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                // A pipe with nothing written yet has ended as far as we are concerned.
                if (errno != EAGAIN)
                    result.error = errno;
                break;
            }
            result.bytes.append(buffer, qsizetype(n));
            if (result.bytes.size() > MaxNoteFileBytes) {
                result.error = EFBIG;
                break;
            }
        }
    }
    ::close(fd);
    if (result.error)
        result.bytes.clear();
    return result;
}

void reportReadError(Program &program, const QString &path, const QString &description, qint64 number)
{
    program.prompts().message(QStringLiteral("Error Reading In File \"%1\".  Aborting.\r\n\r\nError: %2 (%3)")
                                  .arg(path, description)
                                  .arg(number),
                              MsgIcon::Critical);
}

/// One character of the warning: itself in quotes where it shows, always its code.
QString describeCharacter(const QString &character)
{
    const QList<uint> points = character.toUcs4();
    const uint code = points.isEmpty() ? 0 : points.first();
    const QString number = QStringLiteral("U+%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
    const bool shows = QChar::isPrint(char32_t(code)) && !QChar::isSpace(char32_t(code));
    return shows ? QStringLiteral("\"%1\" (%2)").arg(character, number) : number;
}

/**
 * Tells the user which characters of \a note a note file turns into "?" and asks
 * whether to write it all the same. True when there are none or the user says Yes.
 */
bool confirmUnrepresentable(Program &program, const StoredNote &note)
{
    const QStringList lost = UnrepresentableInNoteFile(note);
    if (lost.isEmpty())
        return true;
    QStringList named;
    for (qsizetype i = 0; i < lost.size() && i < kNamedCharacters; ++i)
        named << describeCharacter(lost.at(i));
    QString list = named.join(QStringLiteral(", "));
    if (lost.size() > kNamedCharacters)
        list += QStringLiteral(" and %1 more").arg(lost.size() - kNamedCharacters);
    const MsgResult answer = program.prompts().message(
        QStringLiteral("A Pellux Note File cannot hold these characters of the note \"%1\": %2.\r\rThey will be "
                       "written as \"?\".  Save the note anyway?")
            .arg(note.title, list),
        MsgIcon::Exclamation, MsgButtons::YesNo, QStringLiteral("Pellux"), MsgResult::No);
    return answer == MsgResult::Yes;
}

/// Writes \a bytes to \a path beside any file already there and renames it over it.
bool writeFile(Program &program, const QString &path, const QByteArray &bytes)
{
    const bool existed = QFileInfo::exists(path);
    const StoreWriteResult result = WriteFileAtomically(path, bytes, program.saveFileFactory);
    if (result.ok)
        return true;
    QString text = QStringLiteral("Pellux could not write the note to \"%1\".\r\r%2")
                       .arg(QDir::toNativeSeparators(path), result.error);
    if (existed)
        text += QStringLiteral("\r\rThe file that was there is unchanged.");
    program.prompts().message(text, MsgIcon::Exclamation);
    return false;
}

/// The record of the note in \a slot as it will be written, its window set back to normal first.
StoredNote noteToWrite(Program &program, int slot)
{
    NoteWindow *w = program.note(slot);
    // A minimised or maximised window's size is not the note's own.
    if (w && w->WindowState() != 0)
        w->setWindowStateValue(0);
    return program.storedNoteFromWindow(slot);
}

/// "&Save Note To File..." of either kind: the two kinds differ only in what their forms hold.
void saveNoteOut(Program &program, int slot)
{
    QPointer<NoteWindow> w = program.note(slot);
    if (!w)
        return;
    FileRequest request;
    request.filters = SaveFilters();
    request.filterIndex = TextFilter;
    request.fileName = CleanFileName(w->Caption());
    request.overwritePrompt = true;
    const FileAnswer answer = program.prompts().saveFile(request);
    // The dialog let events run: the note may have been deleted or unloaded meanwhile.
    if (answer.path.isEmpty() || !w || program.note(slot) != w)
        return;
    switch (answer.filterIndex) {
    case NoteFileFilter:
        SaveNoteFile(program, answer.path, slot);
        return;
    case HtmlFilter:
        writeFile(program, answer.path, NoteHtmlFile(noteToWrite(program, slot)).toUtf8());
        return;
    default:
        // "Text Files", "All Files" and anything else the dialog may report: the text.
        writeFile(program, answer.path, NoteTextFile(noteToWrite(program, slot)).toUtf8());
        return;
    }
}

/**
 * Brings one imported note in: a new slot, or the slot of the open note with the same
 * identifier when the user chooses to replace it. False when the user cancelled.
 */
bool importNote(Program &program, StoredNote note)
{
    if (note.nid.isEmpty())
        note.nid = program.NewUniqueNoteGUID();
    int target = 0;
    if (const int existing = program.FindNoteByGUID(note.nid)) {
        const MsgResult answer = program.prompts().message(
            QStringLiteral("This note is allready in Pellux.\r\rWould you like to replace that note? (No creates "
                           "a new note.)"),
            MsgIcon::Question, MsgButtons::YesNoCancel);
        if (answer == MsgResult::Cancel)
            return false;
        // The question let events run: only the note still holding the identifier is replaced.
        if (answer == MsgResult::Yes && program.FindNoteByGUID(note.nid) == existing) {
            target = existing;
            program.hub().DelNote(existing, true);
        } else if (answer != MsgResult::Yes) {
            note.nid = program.NewUniqueNoteGUID();
        }
    }
    if (target == 0)
        target = program.upperBound() + 1;

    const NoteKindProcs *kind = note.kind() ? program.noteKind(*note.kind()) : nullptr;
    if (!kind || !kind->fromStored)
        return true;
    NoteWindow *w = kind->fromStored(program, note, target);
    if (!w)
        return true;
    if (note.width)
        w->setWidth(*note.width);
    if (note.height)
        w->setHeight(*note.height);
    // Wherever the note was on the desktop it came from, it arrives in the middle of this one.
    const ScreenMetrics &screen = program.screen();
    w->setLeft((screen.screenWidthTwips() - w->Width()) / 2);
    w->setTop((screen.screenHeightTwips() - w->Height()) / 2);
    // In front, but without taking the focus: activating each note of a batch would roll
    // up the one shown before it.
    w->setAttribute(Qt::WA_ShowWithoutActivating, true);
    w->show();
    w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    w->raise();
    program.notes().touch(target);
    program.CurrentAlarm = note.alarm;
    w->SetAlarmData();
    return true;
}

} // namespace

QStringList SaveFilters()
{
    return {QStringLiteral("Text Files (*.txt)"), QStringLiteral("HTML File (*.html)"),
            QStringLiteral("Pellux Note File (*.NoteFile)"), QStringLiteral("All Files (*)")};
}

bool SaveNoteFile(Program &program, const QString &path, int slot)
{
    if (!program.note(slot))
        return false;
    const StoredNote note = noteToWrite(program, slot);
    if (!confirmUnrepresentable(program, note))
        return false;
    // Passwords are never written in clear; the import does not apply them anyway.
    const NoteFileBytes file = WriteNoteFile(note);
    if (!file.ok()) {
        program.prompts().message(QStringLiteral("Pellux could not write the note to \"%1\".\r\r%2")
                                      .arg(QDir::toNativeSeparators(path), file.error),
                                  MsgIcon::Exclamation);
        return false;
    }
    return writeFile(program, path, file.bytes);
}

bool LoadNoteFile(Program &program, const QString &path)
{
    const FileBytes file = readWhole(path);
    if (file.error) {
        reportReadError(program, path, qt_error_string(file.error), file.error);
        return false;
    }
    const BinaryReadResult read = ReadNoteFile(file.bytes, program.noteDefaults());
    if (read.status == BinaryReadStatus::Empty)
        return true;
    if (read.status == BinaryReadStatus::WrongHeader) {
        program.prompts().message(QStringLiteral("NoteFile is invalid"), MsgIcon::Exclamation);
        return false;
    }
    for (const ImportedNote &imported : read.notes) {
        QCoreApplication::processEvents();
        if (!importNote(program, imported.note))
            return true;
    }
    if (read.status == BinaryReadStatus::Damaged) {
        // The notes before the damaged record have been imported and stay.
        reportReadError(program, path, read.error, read.failedAt);
        return false;
    }
    return true;
}

void ExportTextNote(Program &program, int slot)
{
    const NoteEntry *entry = program.notes().entry(slot);
    if (entry && entry->kind == NoteKind::TextNote)
        saveNoteOut(program, slot);
}

void SaveCheckListToFile(Program &program, int slot)
{
    const NoteEntry *entry = program.notes().entry(slot);
    if (entry && entry->kind == NoteKind::CheckList)
        saveNoteOut(program, slot);
}

} // namespace pellux::NoteFiles
