#pragma once

#include <QString>

namespace pellux {

/// The maker's addresses, as the About box and the update check give them.
namespace maker {
inline const QString Home = QStringLiteral("http://www.brackwel.example/");
inline const QString FeedbackMail = QStringLiteral("suggestions@brackwel.example");
inline const QString SupportMail = QStringLiteral("support@brackwel.example");
/// The product page the panel's About box offers.
inline const QString PelluxPage = QStringLiteral("http://www.brackwel.example/pellux/");
} // namespace maker

/// A program's version: major.minor, an optional release tag, the build (revision).
struct ProductVersion
{
    int major = 0;
    int minor = 0;
    QString tag;                ///< empty in this build
    int revision = 0;
};

/// "3.2  (Build 155)": major, ".", minor, a blank, the tag, " (Build ", revision, ")".
QString VersionText(const ProductVersion &version);
/// The About box's version line: "Version v" and the version text.
QString VersionLine(const ProductVersion &version);

/**
 * The maker's version-check page with the query of \a product and \a version:
 * "<home>checkversion.asp?app=<product>&vermaj=3&vermin=2&verrev=155". The product
 * name goes in as it is, unencoded: the maker's page reads it that way.
 */
QString UpdateCheckAddress(const QString &product, const ProductVersion &version, const QString &home = maker::Home);

/**
 * The About box's three contact entries, a heading line and an address line each,
 * a blank line between them and no line break after the last.
 */
QString ContactText();

} // namespace pellux
