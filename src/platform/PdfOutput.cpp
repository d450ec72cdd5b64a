#include "platform/PrintSystem.h"

#include <QDir>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QTextDocument>

namespace pellux {

bool WriteDocumentPdf(const QTextDocument &document, const QString &path, const QString &printer, QString *error)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    {
        QPdfWriter pdf(&file);
        pdf.setCreator(QStringLiteral("Pellux"));
        pdf.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        if (!printer.isEmpty()) {
            const QPageSize paper = QPrinterInfo::printerInfo(printer).defaultPageSize();
            if (paper.isValid())
                pdf.setPageSize(paper);
        }
        document.print(&pdf);
    } // the writer finishes the file when it goes
    if (file.error() != QFileDevice::NoError || file.size() == 0) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString()
                                                                 : QStringLiteral("nothing was written");
        file.cancelWriting();
        *error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

} // namespace pellux
