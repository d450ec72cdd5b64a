#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace pellux {

/// What the spooler made of one print job when it was handed over.
struct PrintJobResult
{
    bool ok = false;
    QString error;              ///< why the job was not taken (the spooler's words)
    int jobId = 0;              ///< the spooler's number for the job, when it has one
};

/**
 * The system's printers and its print spooler. The names are those the system
 * lists, in its order. A job is handed over whole; a failure the spooler finds
 * only later (the printer stopped, the job was aborted) comes as jobFailed().
 */
class PrintSystem : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QStringList printerNames() = 0;
    /// Empty when the system has no default printer.
    virtual QString defaultPrinterName() = 0;
    /// Prints \a document once on \a printer as one job named \a jobTitle; returns when
    /// the spooler has taken the job or refused it.
    virtual PrintJobResult print(const QTextDocument &document, const QString &printer, const QString &jobTitle) = 0;

signals:
    /// A job the spooler had taken did not print; \a reason is the printer's.
    void jobFailed(const QString &printer, const QString &jobTitle, const QString &reason);
};

/**
 * Writes \a document as a PDF file at \a path, on pages of \a printer's default paper
 * size (the locale's default paper when \a printer is empty or unknown). The file is
 * written beside its final name and renamed into place, so a failure leaves no half
 * file. False with the reason in \a error on failure.
 */
bool WriteDocumentPdf(const QTextDocument &document, const QString &path, const QString &printer,
                      QString *error);

} // namespace pellux
