// The shared print job on a QPrinter and one QPainter.

#include "base/PrintCommon.h"

#include "base/Dialogs.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

int LineHeight = 0, CurrentY = 0, PageBottom = 0, CharWidth = 0;

namespace {
std::unique_ptr<QPrinter> sharedPrinter;
// The printer the job draws on: the shared one, or a preview's while it renders.
QPrinter* currentPrinter = nullptr;
std::unique_ptr<QPainter> painter;
int jobCount = 0;   // jobs begun since the start
int currentJob = 0; // the one under way, 0 when none
QFont jobFont;
int pageNumber = 0;
bool lastDelivered = false;

// The PDF the user named. A job is printed into a scratch file first and only then replaces
// the named file, so a job that fails halfway leaves an earlier file as it was.
QString pdfTarget;
std::unique_ptr<QSaveFile> pdfFile;
std::unique_ptr<QTemporaryDir> pdfScratch;

bool targetFromSetup = false;
bool ignorePrinters = false;
bool previewing = false;

QPrinter& Printer() {
    return currentPrinter != nullptr ? *currentPrinter : SharedPrinter();
}

// Fonts sized in screen pixels keep their size on paper, as they do on screen.
QFont PaperFont(const QFont& font) {
    QFont paperFont = font;
    if (font.pixelSize() > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double screenDpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
        paperFont.setPointSizeF(font.pixelSize() * 72.0 / screenDpi);
    }
    return paperFont;
}

// (x, y).
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void DrawText(const QString& text, int x, int y) {
    if (!painter)
        return;
    // Lines are placed by their top, the painter draws on the base line.
    painter->drawText(x, y + painter->fontMetrics().ascent(), text);
}

qreal JobFontSize() {
    return jobFont.pointSizeF() > 0 ? jobFont.pointSizeF() : 10.0;
}

// One step smaller, the lines' height and the characters' width with it.
void ShrinkJobFont() {
    jobFont.setPointSizeF(JobFontSize() * 0.95);
    painter->setFont(jobFont);
    const QFontMetrics metrics = painter->fontMetrics();
    LineHeight = metrics.height() + Printer().logicalDpiY() / 10;
    CharWidth = metrics.horizontalAdvance(QLatin1Char('A'));
}

void DropPdfScratch() {
    pdfFile.reset();
    pdfScratch.reset();
    if (sharedPrinter && !pdfTarget.isEmpty())
        sharedPrinter->setOutputFileName(pdfTarget);
}

bool CopyScratchIntoPdf() {
    QFile scratch(pdfScratch->filePath(QStringLiteral("job.pdf")));
    if (!scratch.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pages = scratch.readAll();
    return pdfFile->write(pages) == pages.size() && pdfFile->flush() && pdfFile->commit();
}

void EndJob() {
    currentJob = 0;
    bool delivered = painter->end();
    painter.reset();
    if (pdfFile)
        delivered = delivered && CopyScratchIntoPdf();
    DropPdfScratch();
    lastDelivered = delivered;
}

void ReleasePrinter() {
    if (painter)
        EndJob();
    currentPrinter = nullptr;
    sharedPrinter.reset();
}
} // namespace

QPrinter& SharedPrinter() {
    if (!sharedPrinter) {
        sharedPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The printer must go while the application, whose print plug-ins it uses, still exists.
        qAddPostRoutine(ReleasePrinter);
    }
    return *sharedPrinter;
}

int PageWidth() {
    return Printer().width();
}

void IgnoreInstalledPrinters(bool ignore) {
    ignorePrinters = ignore;
}

void PrintToPdf(const QString& fileName) {
    pdfTarget = fileName;
    targetFromSetup = false;
    if (painter)
        return; // the job under way keeps its file; the next one begins in this
    QPrinter& printer = SharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
}

bool ChoosePrintTarget(QWidget* parent) {
    QPrinter& printer = SharedPrinter();
    if (!ignorePrinters && !QPrinterInfo::availablePrinterNames().isEmpty()) {
        if (!targetFromSetup) {
            pdfTarget.clear();
            printer.setOutputFormat(QPrinter::NativeFormat);
            QString name = QPrinterInfo::defaultPrinterName();
            if (name.isEmpty())
                name = QPrinterInfo::availablePrinterNames().constFirst();
            printer.setPrinterName(name);
        }
        return true;
    }
    const QString folder = pdfTarget.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : QFileInfo(pdfTarget).absolutePath();
    QString name = Dialogs().SaveFileName(parent, QStringLiteral("Print to PDF file"), folder,
                                          QStringLiteral("PDF files (*.pdf)"));
    if (name.isEmpty())
        return false;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".pdf");
    PrintToPdf(name);
    return true;
}

void PrinterSetup(QWidget* parent) {
    QPrinter& printer = SharedPrinter();
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    targetFromSetup = true;
    pdfTarget =
        printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
}

bool PrintBegin(const QFont& font) {
    if (painter)
        EndJob();
    lastDelivered = false;
    QPrinter& printer = Printer();
    if (!previewing && &printer == sharedPrinter.get() && !pdfTarget.isEmpty()) {
        pdfFile = std::make_unique<QSaveFile>(pdfTarget);
        pdfScratch = std::make_unique<QTemporaryDir>();
        if (!pdfFile->open(QIODevice::WriteOnly) || !pdfScratch->isValid()) {
            DropPdfScratch();
            return false;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfScratch->filePath(QStringLiteral("job.pdf")));
    }
    jobFont = PaperFont(font);
    painter = std::make_unique<QPainter>();
    if (!painter->begin(&printer)) {
        painter.reset();
        DropPdfScratch();
        return false;
    }
    painter->setFont(jobFont);
    currentJob = ++jobCount;
    const QFontMetrics metrics = painter->fontMetrics();
    LineHeight = metrics.height() + printer.logicalDpiY() / 10;
    CharWidth = metrics.horizontalAdvance(QLatin1Char('A'));
    PageBottom = qRound(0.95 * printer.height());
    CurrentY = 0;
    pageNumber = 1;
    return true;
}

void PrintFitWidth(int characters) {
    if (!painter || characters <= 0)
        return;
    const int width = Printer().width();
    // Smaller steps until a line of that many characters fits beside the margin.
    for (int step = 0; step < 40 && LeftMargin + characters * CharWidth > width; ++step)
        ShrinkJobFont();
}

void PrintFitLines(int lines, double smallest) {
    if (!painter || lines <= 0)
        return;
    const qreal least = JobFontSize() * smallest;
    while (CurrentY + lines * LineHeight > PageBottom && JobFontSize() * 0.95 >= least)
        ShrinkJobFont();
}

void PrintPageHeader(const QString& text) {
    if (!painter)
        return;
    DrawText(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + text,
             LeftMargin, CurrentY);
    CurrentY += LineHeight;
    DrawText(QStringLiteral("Page: ") + QString::number(pageNumber), LeftMargin, CurrentY);
    CurrentY += LineHeight;
}

void PrintTitle(const QString& title) {
    if (!painter)
        return;
    const TFontStyle style = FontStyle();
    SetFontStyle({.Bold = true, .Underline = true});
    DrawText(title, PageWidth() / 2 - int(title.length() / 2) * CharWidth, 2 * LineHeight);
    CurrentY += 4 * LineHeight;
    SetFontStyle(style);
}

void PrintLine(const QString& text, int x) {
    DrawText(text, x, CurrentY);
}

void PrintNewPage() {
    if (!painter)
        return;
    Printer().newPage();
    ++pageNumber;
    CurrentY = 0;
}

void SetFontStyle(const TFontStyle& style) {
    jobFont.setBold(style.Bold);
    jobFont.setUnderline(style.Underline);
    if (painter)
        painter->setFont(jobFont);
}

TFontStyle FontStyle() {
    return {.Bold = jobFont.bold(), .Underline = jobFont.underline()};
}

bool FontBold() {
    return jobFont.bold();
}

bool FontUnderline() {
    return jobFont.underline();
}

void PrintEnd() {
    SetFontStyle({});
    if (painter)
        EndJob();
}

int PrintJob() {
    return currentJob;
}

int PageNumber() {
    return pageNumber;
}

bool LastJobDelivered() {
    return lastDelivered;
}

void PrintPreview(QWidget* parent, const std::function<void()>& printAll) {
    QPrintPreviewDialog dialog(&SharedPrinter(), parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&printAll](QPrinter* printer) {
                         QPrinter* const savedPrinter = currentPrinter;
                         const bool savedPreviewing = previewing;
                         currentPrinter = printer;
                         previewing = true;
                         printAll();
                         // A job left open must not outlive the preview's pages.
                         if (painter)
                             EndJob();
                         currentPrinter = savedPrinter;
                         previewing = savedPreviewing;
                     });
    dialog.exec();
}
