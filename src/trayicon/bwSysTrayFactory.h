#pragma once

#include <QObject>
#include <QtPlugin>

/**
 * The library's class factory: the root object of the plugin. A host finds the
 * library by the class name in its metadata and calls createInstance by name.
 */
class bwSysTrayFactory : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.brackwel.ActiveControlFactory/1.0" FILE "bwSysTray6.json")

public:
    using QObject::QObject;

    /// A new control owned by \a host (may be nullptr); \a userMode is true at run time.
    Q_INVOKABLE QObject *createInstance(QObject *host, bool userMode);
};
