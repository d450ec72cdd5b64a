#pragma once

// Finds and creates an ActiveControl-style class from a Qt plugin by its registered
// class name, with no compile-time knowledge of the plugin. Header-only, Qt only.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QMetaObject>
#include <QPluginLoader>
#include <QString>
#include <QStringList>

namespace bwSysTrayLoader {

/// The registered name of Halotray's tray icon control.
inline QString trayClassName() { return QStringLiteral("bwSysTray6.bwSysTray"); }

/// The program's folder and the "plugins" folder beside it.
inline QStringList defaultFolders()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    return {appDir, QDir(appDir).filePath(QStringLiteral("plugins"))};
}

/// Whether the plugin metadata \a meta (as QPluginLoader::metaData() gives it) names \a className.
inline bool namesClass(const QJsonObject &meta, const QString &className)
{
    const QJsonArray classes = meta.value(QStringLiteral("MetaData")).toObject().value(QStringLiteral("Classes")).toArray();
    for (const QJsonValue &entry : classes) {
        const QString name = entry.isObject() ? entry.toObject().value(QStringLiteral("Name")).toString()
                                              : entry.toString();
        // Registered class names are matched the way the component registry does: ignoring case.
        if (!name.isEmpty() && name.compare(className, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

/// The path of the first plugin in \a folders that names \a className, or an empty string.
inline QString findPlugin(const QString &className, const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo &entry : entries) {
            if (!QLibrary::isLibrary(entry.fileName()))
                continue;
            // Reading the metadata does not load the library.
            QPluginLoader probe(entry.absoluteFilePath());
            if (namesClass(probe.metaData(), className))
                return entry.absoluteFilePath();
        }
    }
    return {};
}

/**
 * Loads the plugin that names \a className and asks its factory for a new instance
 * owned by \a host. Returns nullptr and says why in \a reason when that fails. The
 * library stays loaded for the rest of the process: instances must never outlive
 * their code.
 */
inline QObject *createControl(const QString &className, QObject *host, bool userMode,
                              const QStringList &folders = defaultFolders(), QString *reason = nullptr)
{
    auto fail = [reason](const QString &why) -> QObject * {
        if (reason)
            *reason = why;
        return nullptr;
    };

    const QString path = findPlugin(className, folders);
    if (path.isEmpty())
        return fail(QStringLiteral("No plugin registers the class %1 (searched: %2).")
                        .arg(className, folders.join(QStringLiteral(", "))));

    QPluginLoader loader(path);
    QObject *factory = loader.instance();
    if (!factory)
        return fail(QStringLiteral("The plugin %1 could not be loaded: %2").arg(path, loader.errorString()));

    QObject *instance = nullptr;
    const bool called = QMetaObject::invokeMethod(factory, "createInstance", Qt::DirectConnection,
                                                  Q_RETURN_ARG(QObject *, instance), Q_ARG(QObject *, host),
                                                  Q_ARG(bool, userMode));
    if (!called)
        return fail(QStringLiteral("The plugin %1 has no class factory (createInstance).").arg(path));
    if (!instance)
        return fail(QStringLiteral("The class factory of %1 created no %2.").arg(path, className));
    if (reason)
        reason->clear();
    return instance;
}

} // namespace bwSysTrayLoader
