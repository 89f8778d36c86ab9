// The preset listing.

#include "base/PresetListing.h"

#include "base/PrintCommon.h"
#include "base/qvUtility.h"

#include <QFont>

namespace {
const QString kBankLetters = QStringLiteral("ABCD");
// Headings padded to their column widths, so the underline runs across the column.
const QString kBankHeading = QStringLiteral("Bank       ");
const QString kNumberHeading = QStringLiteral("Preset#   ");
const QString kTitleHeading = QStringLiteral("Title                      ");
} // namespace

TPresetListing::~TPresetListing() {
    End();
}

bool TPresetListing::Begin(const QFont& font, bool withBankColumn) {
    End();
    if (!PrintBegin(font))
        return false;
    active = true;
    job = PrintJob();
    bankColumn = withBankColumn;
    // A large window font must not push the title column off the paper.
    const int bankChars = bankColumn ? LabelChars + SeparatorChars : 0;
    PrintFitWidth(bankChars + LabelChars + SeparatorChars + int(kTitleHeading.size()));
    PrintHead();
    PrintHeadings();
    return true;
}

// Bank, then number, as the unit numbers presets.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TPresetListing::Line(int bank, int number, const QString& title) {
    if (!Active())
        return false;
    if (CurrentY >= PageBottom) {
        PrintNewPage();
        PrintHead();
    }
    int x = LeftMargin;
    if (bankColumn) {
        PrintLine(bank >= 0 && bank < kBankLetters.size() ? QString(kBankLetters[bank])
                                                          : QStringLiteral("?"),
                  x);
        PrintLine(ColumnSeparator, x + LabelChars * CharWidth);
        x += (LabelChars + SeparatorChars) * CharWidth;
    }
    PrintLine(QString::number(number), x);
    x += LabelChars * CharWidth;
    PrintLine(ColumnSeparator, x);
    PrintLine(title, x + SeparatorChars * CharWidth);
    CurrentY += LineHeight;
    return true;
}

bool TPresetListing::Active() const {
    return active && PrintJob() == job;
}

void TPresetListing::End() {
    if (!active)
        return;
    active = false;
    if (PrintJob() == job) // another print may have ended this job and begun its own
        PrintEnd();
}

void TPresetListing::PrintHead() {
    PrintPageHeader(QString());
    PrintTitle(GetAppTitle() + QStringLiteral(" Preset Listing"));
}

void TPresetListing::PrintHeadings() {
    const TFontStyle style = FontStyle();
    SetFontStyle({.Bold = true, .Underline = true});
    int x = LeftMargin;
    if (bankColumn) {
        PrintLine(kBankHeading, x);
        PrintLine(ColumnSeparator, x + LabelChars * CharWidth);
        x += (LabelChars + SeparatorChars) * CharWidth;
    }
    PrintLine(kNumberHeading, x);
    x += LabelChars * CharWidth;
    PrintLine(ColumnSeparator, x);
    PrintLine(kTitleHeading, x + SeparatorChars * CharWidth);
    CurrentY += LineHeight;
    SetFontStyle(style);
}
