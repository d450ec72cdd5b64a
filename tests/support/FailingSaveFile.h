#pragma once

#include <QSaveFile>
#include <QString>

namespace pellux::test {

/// A file whose writing fails with "No space left on device" after a given number of bytes.
class FailingSaveFile : public QSaveFile
{
public:
    FailingSaveFile(const QString &name, qint64 failAfter)
        : QSaveFile(name)
        , m_left(failAfter)
    {
    }

protected:
    qint64 writeData(const char *data, qint64 len) override
    {
        if (len > m_left) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        m_left -= len;
        return QSaveFile::writeData(data, len);
    }

private:
    qint64 m_left;
};

} // namespace pellux::test
