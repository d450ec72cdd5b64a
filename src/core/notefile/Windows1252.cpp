#include "core/notefile/Windows1252.h"

#include <QStringDecoder>
#include <QSet>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace pellux {

namespace {

/**
 * Both directions of the code page, worked out once from the system's converter.
 * Going through the converter for every string would be slower, and its encoder
 * drops a leading U+FEFF without reporting it; a table built from its decoder maps
 * every character the same way and leaves nothing unreported.
 */
struct CodePage
{
    std::array<char16_t, 256> toUnicode{};
    std::array<qint16, 256> fromLow{};                  ///< U+0000-U+00FF to byte, -1 none
    std::vector<std::pair<char16_t, uchar>> fromHigh;   ///< above U+00FF, sorted
    bool fromConverter = false;

    CodePage()
    {
        fromLow.fill(-1);
        QStringDecoder probe("windows-1252");
        fromConverter = probe.isValid();
        for (int b = 0; b < 256; ++b) {
            char16_t u = char16_t(b);   // Latin-1, and Windows' own mapping of the undefined bytes
            if (fromConverter) {
                QStringDecoder decoder("windows-1252");
                const char byte = char(b);
                const QString s = decoder.decode(QByteArrayView(&byte, 1));
                if (!decoder.hasError() && s.size() == 1 && s.at(0) != QChar::ReplacementCharacter)
                    u = s.at(0).unicode();
            }
            toUnicode[b] = u;
            if (u < 256)
                fromLow[u] = qint16(b);
            else
                fromHigh.emplace_back(u, uchar(b));
        }
        std::sort(fromHigh.begin(), fromHigh.end());
    }

    /// The byte of one UTF-16 unit, -1 when the code page has none.
    int byteOf(char16_t u) const
    {
        if (u < 256)
            return fromLow[u];
        const auto it = std::lower_bound(fromHigh.begin(), fromHigh.end(), std::make_pair(u, uchar(0)));
        return it != fromHigh.end() && it->first == u ? it->second : -1;
    }
};

const CodePage &codePage()
{
    static const CodePage page;
    return page;
}

/// Length in UTF-16 units of the character at \a i: 2 for a whole surrogate pair.
qsizetype characterLength(QStringView text, qsizetype i)
{
    return QChar::isHighSurrogate(text[i].unicode()) && i + 1 < text.size()
                   && QChar::isLowSurrogate(text[i + 1].unicode())
               ? 2
               : 1;
}

} // namespace

bool Windows1252Available()
{
    return codePage().fromConverter;
}

QString FromWindows1252(QByteArrayView bytes)
{
    const CodePage &page = codePage();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(page.toUnicode[uchar(bytes[i])]);
    return text;
}

QByteArray ToWindows1252(QStringView text)
{
    const CodePage &page = codePage();
    // At most one byte per UTF-16 unit; a surrogate pair gives one.
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = characterLength(text, i);
        const int b = len == 1 ? page.byteOf(text[i].unicode()) : -1;
        out[n++] = b < 0 ? '?' : char(b);
        i += len;
    }
    bytes.truncate(n);
    return bytes;
}

QStringList Windows1252Unrepresentable(QStringView text)
{
    const CodePage &page = codePage();
    QStringList found;
    QSet<QString> seen;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = characterLength(text, i);
        if (len == 2 || page.byteOf(text[i].unicode()) < 0) {
            const QString c = text.mid(i, len).toString();
            if (!seen.contains(c)) {
                seen.insert(c);
                found.append(c);
            }
        }
        i += len;
    }
    return found;
}

QString DecodeTextFile(QByteArrayView bytes)
{
    static constexpr char Bom[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(QByteArrayView(Bom, 3)))
        return QString::fromUtf8(bytes.sliced(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return FromWindows1252(bytes);
}

} // namespace pellux
