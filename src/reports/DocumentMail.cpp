#include "reports/DocumentMail.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/Format.h"
#include "base/ReportOutput.h"
#include "mail/MailSettings.h"
#include "reports/ReportRender.h"
#include "reports/RptUtil.h"
#include "store/Settings.h"

namespace reports {
namespace {

QString money(const base::Decimal& value) { return base::FormatNumber("%12.2f", value).trimmed(); }

// The letterhead's first line: the business as the documents name it.
QString business() {
    const store::SettingsBuffer& s = store::SettingsRec;
    for (const QString* line : {&s.Company, &s.Addr1, &s.Addr2, &s.Addr3, &s.Addr4})
        if (!line->trimmed().isEmpty()) return line->trimmed();
    return {};
}

}  // namespace

QString EmailBlocker() {
    if (ReportDocuments.isEmpty())
        return QStringLiteral("Only invoices, bills and statements can be sent by e-mail.");
    for (const ReportDocument& d : ReportDocuments)
        if (d.cuno != ReportDocuments.first().cuno)
            return QStringLiteral("These documents belong to several customers. E-mail sends one customer's "
                                  "documents: pick them for that customer alone.");
    return {};
}

bool DraftForBuffer(mail::Draft* draft, QString* error) {
    mail::DocumentFacts facts;
    QStringList numbers;
    base::Decimal total, due;
    for (const ReportDocument& d : ReportDocuments) {
        if (!d.number.isEmpty()) numbers << d.number;
        total += d.total;
        due += d.due;
    }
    const ReportDocument& last = ReportDocuments.last();
    facts.document = ReportDocuments.first().kind;
    facts.number = numbers.join(QStringLiteral(", "));
    facts.date = base::DateText(last.date);
    facts.total = money(total);
    facts.balance = money(due);
    facts.company = business();

    const QString name = DocumentName() + QStringLiteral(".pdf");
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(name);
    QFile pdf(file);
    if (!dir.isValid() || !WritePdf(file, base::ReportFont, ReportLines, ReportWidth) || !pdf.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The PDF of the document could not be written: ") + file;
        return false;
    }
    draft->to = last.email;
    draft->subject = facts.document + (facts.number.isEmpty() ? QString() : QLatin1Char(' ') + facts.number) +
                     (facts.company.isEmpty() ? QString() : QStringLiteral(" from ") + facts.company);
    draft->body = mail::FillTemplate(mail::MessageTemplate(), facts);
    draft->attachment = {name, QStringLiteral("application/pdf"), pdf.readAll()};
    draft->reference = DocumentName();
    return true;
}

}  // namespace reports
