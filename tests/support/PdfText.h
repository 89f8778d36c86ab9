#pragma once
// What a printed PDF says: its text laid out as on paper (pdftotext -layout; pages end with a
// form feed), and its words with their boxes in points where the exact place matters.
// Empty when the file cannot be read.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <vector>

inline QByteArray PdfToText(const QStringList& arguments) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), arguments);
    if (!pdftotext.waitForFinished(30000) || pdftotext.exitStatus() != QProcess::NormalExit ||
        pdftotext.exitCode() != 0)
        return QByteArray();
    return pdftotext.readAllStandardOutput();
}

inline QString PdfText(const QString& path) {
    return QString::fromUtf8(PdfToText({QStringLiteral("-layout"), path, QStringLiteral("-")}));
}

// The pages of such a text, without the empty one after the last form feed.
inline QStringList Pages(const QString& text) {
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

inline QStringList NonEmptyLines(const QString& page) {
    QStringList lines;
    for (const QString& line : page.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << line;
    return lines;
}

struct PdfWord {
    QString Text;
    int Page = 0; // from 1
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
    double PageWidth = 0, PageHeight = 0;
};

inline std::vector<PdfWord> PdfWords(const QString& path) {
    std::vector<PdfWord> words;
    QXmlStreamReader xml(PdfToText({QStringLiteral("-bbox"), path, QStringLiteral("-")}));
    int page = 0;
    double pageWidth = 0, pageHeight = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attribute = [&xml](const char* name) {
            return xml.attributes().value(QLatin1String(name)).toDouble();
        };
        if (xml.name() == QLatin1String("page")) {
            ++page;
            pageWidth = attribute("width");
            pageHeight = attribute("height");
        } else if (xml.name() == QLatin1String("word")) {
            PdfWord word;
            word.Page = page;
            word.Left = attribute("xMin");
            word.Top = attribute("yMin");
            word.Right = attribute("xMax");
            word.Bottom = attribute("yMax");
            word.PageWidth = pageWidth;
            word.PageHeight = pageHeight;
            word.Text = xml.readElementText();
            words.push_back(word);
        }
    }
    return words;
}
