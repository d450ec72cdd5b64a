#include "core/about/AboutRules.h"

namespace pellux {

QString VersionText(const ProductVersion &version)
{
    return QStringLiteral("%1.%2 %3 (Build %4)")
        .arg(version.major)
        .arg(version.minor)
        .arg(version.tag)
        .arg(version.revision);
}

QString VersionLine(const ProductVersion &version)
{
    return QStringLiteral("Version v") + VersionText(version);
}

QString UpdateCheckAddress(const QString &product, const ProductVersion &version, const QString &home)
{
    // Concatenated, not arg()-substituted: a product name holding "%1" must stay as it is.
    return home + QStringLiteral("checkversion.asp?app=") + product + QStringLiteral("&vermaj=")
           + QString::number(version.major) + QStringLiteral("&vermin=") + QString::number(version.minor)
           + QStringLiteral("&verrev=") + QString::number(version.revision);
}

QString ContactText()
{
    return QStringLiteral("Send Suggestions To:\n") + maker::FeedbackMail + QStringLiteral("\n\nTechnical Support:\n")
           + maker::SupportMail + QStringLiteral("\n\nVisit Brackwel on the Web:\n") + maker::Home;
}

} // namespace pellux
