#pragma once
// Where the words of a PDF lie on its pages, read back with poppler's pdftotext -bbox: what the report
// tests use to check what the renderer really drew, in points from the top of the paper.
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

namespace report_testing {

struct PdfWord {
    QString text;
    double yMin = 0;  // top of the word's box, points from the top of the paper
    double yMax = 0;  // bottom of the word's box
    double xMin = 0;  // left and right of the word's box, points from the left of the paper
    double xMax = 0;
};

struct PdfPage {
    double height = 0;  // points
    QList<PdfWord> words;
};

// The pages of pdf with their words; empty when pdftotext cannot read it.
inline QList<PdfPage> PdfPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page width="[0-9.]+" height="([0-9.]+)">|<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re"));
    QList<PdfPage> pages;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (!m.captured(1).isEmpty()) {
            pages.append(PdfPage{m.captured(1).toDouble(), {}});
        } else if (!pages.isEmpty()) {
            pages.last().words.append(PdfWord{m.captured(6), m.captured(3).toDouble(), m.captured(5).toDouble(),
                                              m.captured(2).toDouble(), m.captured(4).toDouble()});
        }
    }
    return pages;
}

// The first word on page equal to text; nullptr when there is none.
inline const PdfWord* FindWord(const PdfPage& page, const QString& text) {
    for (const PdfWord& w : page.words)
        if (w.text == text) return &w;
    return nullptr;
}

}  // namespace report_testing
