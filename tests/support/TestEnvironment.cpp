#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>

namespace pellux::test {

TestEnvironment::TestEnvironment()
{
    QStandardPaths::setTestModeEnabled(true);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const QString &d : {configHome(), dataHome(), cacheHome(), runtimeDir(), tempDir(), workDir()})
        QDir().mkpath(d);
    QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CACHE_HOME", cacheHome().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtimeDir().toUtf8());
    qputenv("TMPDIR", tempDir().toUtf8());
    // QSettings caches its folders per process; point it at this world explicitly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome());
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(workDir());
}

TestEnvironment::~TestEnvironment()
{
    QDir::setCurrent(m_oldCwd);
}

QByteArray TestEnvironment::readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TestEnvironment::writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

} // namespace pellux::test
