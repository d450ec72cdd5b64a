// The stored settings values: every key's text form reads whatever text the settings
// file holds, in the locales whose number and date forms differ most.
#include "core/Settings.h"

#include <QLocale>
#include <QString>

#include <cstddef>
#include <cstdint>

using namespace pellux;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::Arabic, QLocale::Egypt)};
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QLocale &locale : locales) {
        for (const SettingRow &row : SettingRows()) {
            if (const std::optional<QVariant> value = row.form->parse(text, locale)) {
                // What was read is written back as the settings store would.
                (void)row.form->format(*value, locale);
            }
        }
    }
    return 0;
}
