#pragma once
// One print job at a time; the state every printed report shares. Reports draw line by line at
// CurrentY (printer dots from the top of the printable area) and break pages themselves.

#include <QString>
#include <functional>

class QFont;
class QPrinter;
class QWidget;

inline constexpr int LeftMargin = 10; // printer dots
inline constexpr int LabelChars = 10, SeparatorChars = 5, CellChars = 3;
inline const QString ColumnSeparator = QStringLiteral("  |  ");
extern int LineHeight, CurrentY, PageBottom, CharWidth;
int PageWidth(); // of the printable area, in printer dots

// Where the next job goes. A window asks once per print: with a printer installed that printer
// (the default one unless "Set&up" chose another), with none a PDF file the user names. False
// when the user cancels.
bool ChoosePrintTarget(QWidget* parent);
void PrintToPdf(const QString& fileName); // the next jobs go into this PDF
void PrinterSetup(QWidget* parent);
QPrinter& SharedPrinter();
// Tests: behave as if no printer were installed, whatever the machine has.
void IgnoreInstalledPrinters(bool ignore);

bool PrintBegin(const QFont& font); // false (and nothing printed) when the printer cannot start
// Makes the job font smaller, if need be, so that a line of that many characters fits the page.
void PrintFitWidth(int characters);
// Makes the job font smaller, if need be, so that that many more lines fit on the page below
// CurrentY; never below `smallest` (0..1) of its size, so a long report breaks pages instead.
void PrintFitLines(int lines, double smallest);
void PrintPageHeader(const QString& text);  // date + text, then "Page: " + page number
void PrintTitle(const QString& title);      // centred, bold and underlined, on the third line
void PrintLine(const QString& text, int x); // at (x, CurrentY); does not advance
void PrintNewPage();                        // CurrentY := 0; the caller reprints header and title
// The style of the report's font.
struct TFontStyle {
    bool Bold = false;
    bool Underline = false;
};
void SetFontStyle(const TFontStyle& style);
TFontStyle FontStyle();
bool FontBold();
bool FontUnderline();
void PrintEnd();  // style := none; ends the document
int PageNumber(); // current page, from 1
// The job under way: a number no earlier job had; 0 when none is.
int PrintJob();
// Whether the last job ended with its pages delivered (for a PDF: the whole file written).
bool LastJobDelivered();

// Shows the pages printAll prints in a preview (run once per render, on the preview's printer);
// returns when the preview closes.
void PrintPreview(QWidget* parent, const std::function<void()>& printAll);
