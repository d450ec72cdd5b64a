#pragma once

#include <QString>
#include <QTemporaryDir>

namespace pellux::test {

/**
 * A private world for one test: settings, data, runtime and temp folders in a
 * temporary directory (so no test touches the user's files), and a fixed locale
 * (English, United States) so texts in the user's formats are predictable.
 * Create one before anything reads settings.
 */
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const { return m_dir.path(); }
    QString configHome() const { return m_dir.path() + QStringLiteral("/config"); }
    QString dataHome() const { return m_dir.path() + QStringLiteral("/data"); }
    QString cacheHome() const { return m_dir.path() + QStringLiteral("/cache"); }
    QString runtimeDir() const { return m_dir.path() + QStringLiteral("/runtime"); }
    QString tempDir() const { return m_dir.path() + QStringLiteral("/tmp/"); }
    QString workDir() const { return m_dir.path() + QStringLiteral("/work"); }
    /// The settings file the production store writes ("PelluxNotes.conf").
    QString settingsFile() const { return configHome() + QStringLiteral("/PelluxNotes.conf"); }

    /// Reads a whole file; empty when missing.
    static QByteArray readFile(const QString &path);
    static bool writeFile(const QString &path, const QByteArray &data);

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};

} // namespace pellux::test
