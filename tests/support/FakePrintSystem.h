#pragma once

#include "platform/PrintSystem.h"

#include <QList>
#include <QTextDocument>
#include <functional>
#include <memory>

namespace pellux::test {

/// Printers the test names; every job is kept (a copy of its document) instead of printed.
class FakePrintSystem : public PrintSystem
{
public:
    struct Job
    {
        QString printer;
        QString title;
        std::shared_ptr<QTextDocument> document;
    };

    QStringList printers;
    QString defaultPrinter;
    QList<Job> jobs;
    /// From this job on (1-based; 0: never) the spooler refuses, saying refusal.
    int refuseFrom = 0;
    QString refusal = QStringLiteral("The printer is out of paper.");
    /// Runs as each job is handed over (before it is kept).
    std::function<void()> onPrint;

    QStringList printerNames() override { return printers; }
    QString defaultPrinterName() override { return defaultPrinter; }
    PrintJobResult print(const QTextDocument &document, const QString &printer, const QString &jobTitle) override
    {
        ++m_calls;
        if (onPrint)
            onPrint();
        if (refuseFrom > 0 && m_calls >= refuseFrom)
            return PrintJobResult{false, refusal, 0};
        jobs.append(Job{printer, jobTitle, std::shared_ptr<QTextDocument>(document.clone())});
        return PrintJobResult{true, QString(), int(jobs.size())};
    }
    /// The spooler reports a taken job as failed.
    void failLater(const QString &printer, const QString &jobTitle, const QString &reason)
    {
        emit jobFailed(printer, jobTitle, reason);
    }
    int calls() const { return m_calls; }

private:
    int m_calls = 0;
};

} // namespace pellux::test
