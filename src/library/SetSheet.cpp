// The set sheet, made from a set list and printed through the shared print routines.

#include "library/SetSheet.h"

#include "base/PrintCommon.h"
#include "library/SongPresetLook.h"
#include "model/DeviceMode.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFont>
#include <QStringList>
#include <algorithm>
#include <array>

namespace {
struct TColumn {
    const char* Heading;
    QString TSetSheetRow::*Field;
    int Widest; // on paper, in characters; longer ones are cut
};
const std::array<TColumn, 6> kSheetColumns{{{"#", &TSetSheetRow::Number, 4},
                                            {"Song", &TSetSheetRow::Song, 30},
                                            {"Foot ctrl", &TSetSheetRow::FootController, 12},
                                            {"Slot", &TSetSheetRow::Slot, 18},
                                            {"Preset", &TSetSheetRow::Preset, 16},
                                            {"Note", &TSetSheetRow::Note, 40}}};
constexpr std::size_t kNoteColumn = kSheetColumns.size() - 1;
// The largest font the sheet is printed in, in points, and how far it may shrink to stay on one
// page: read on a stage floor, a larger one helps.
constexpr double kSheetPoints = 14;
constexpr double kSmallestShare = 0.55;

// The widths of the columns: the widest heading or entry, on paper no wider than a column takes.
std::array<int, kSheetColumns.size()> Widths(const TSetSheet& sheet, bool onPaper) {
    std::array<int, kSheetColumns.size()> widths{};
    for (std::size_t c = 0; c < kSheetColumns.size(); ++c) {
        int widest = static_cast<int>(qstrlen(kSheetColumns[c].Heading));
        for (const TSetSheetRow& row : sheet.Rows)
            widest = std::max(widest, static_cast<int>((row.*kSheetColumns[c].Field).size()));
        widths[c] = onPaper ? std::min(widest, kSheetColumns[c].Widest) : widest;
    }
    return widths;
}

QString Cut(const QString& text, int characters) {
    if (text.size() <= characters || characters < 1)
        return text;
    return text.left(characters - 1) + QChar(0x2026);
}

// The words of a text in lines of at most that many characters.
QStringList Wrapped(const QString& text, int characters) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > characters) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QString FootController(int program) {
    // Programs above 128 are reached behind bank select LSB 1, as the unit takes them.
    return program <= 128 ? QStringLiteral("PC %1").arg(program)
                          : QStringLiteral("LSB 1 PC %1").arg(program - 128);
}
} // namespace

TSetSheet MakeSetSheet(const TSetList& list, const QString& setListPath,
                       const TUnitMemory* memory) {
    TSetSheet sheet;
    const QFileInfo file(setListPath);
    sheet.Name = file.completeBaseName();
    const QString folder = setListPath.isEmpty() ? QString() : file.absolutePath();
    const TSetListTable table = BuildSetListTable(list, Tmpt(), Mode);
    const bool byTable = table.Refusals.empty();
    int number = 0;
    for (const TSong& song : list.Songs) {
        ++number;
        const TSongPresetLook look = LookUpSongPreset(song.Preset, folder, memory);
        TSetSheetRow row;
        row.Number = QString::number(number);
        row.Song = QString::fromStdString(song.Title);
        row.FootController = byTable                ? FootController(number)
                             : song.Preset.IsFile() ? QStringLiteral("-")
                                                    : look.Place;
        row.Slot = look.Place;
        row.Preset = look.Problem.isEmpty() ? look.Title : QStringLiteral("(cannot be read)");
        row.Note = QString::fromStdString(song.Note);
        sheet.Rows.push_back(row);
    }
    if (byTable) {
        sheet.FootNote =
            QStringLiteral("Foot controller: with this set's program table in the unit, program "
                           "change 1 calls up the first song, 2 the second and so on");
        if (Mode.BankCount > 1)
            sheet.FootNote += QStringLiteral(", the unit in bank %1").arg(BankLetters[table.Bank]);
        sheet.FootNote += QLatin1Char('.');
    } else {
        QStringList why;
        for (const std::string& refusal : table.Refusals)
            why << QString::fromStdString(refusal);
        sheet.FootNote =
            QStringLiteral("No program table for this set: %1. The foot controller column "
                           "gives each song's slot.")
                .arg(why.join(QStringLiteral("; ")));
    }
    return sheet;
}

QString TSetSheet::Text() const {
    const auto widths = Widths(*this, false);
    const auto line = [&widths](const auto& field) {
        QString text;
        for (std::size_t c = 0; c < kSheetColumns.size(); ++c) {
            if (c > 0)
                text += QStringLiteral("  ");
            text += c == kNoteColumn ? field(c) : field(c).leftJustified(widths[c]);
        }
        return text.trimmed() + QLatin1Char('\n');
    };
    QString text = Name + QStringLiteral("\n\n");
    text += line([](std::size_t c) { return QString::fromLatin1(kSheetColumns[c].Heading); });
    for (const TSetSheetRow& row : Rows)
        text += line([&row](std::size_t c) { return row.*kSheetColumns[c].Field; });
    return text + QLatin1Char('\n') + FootNote + QLatin1Char('\n');
}

void PrintSetSheet(const TSetSheet& sheet, const QFont& font) {
    if (!PrintBegin(font))
        return;
    const auto widths = Widths(sheet, true);
    int total = 0;
    for (const int width : widths)
        total += width + SeparatorChars;
    // A column cut at the page's edge loses what the player needs: the font gives way instead.
    PrintFitWidth(total);
    const auto footLines = [&sheet] {
        return static_cast<int>(
            Wrapped(sheet.FootNote, std::max(20, (PageWidth() - LeftMargin) / CharWidth)).size());
    };
    // The page's header and title take six lines, the headings one, a gap one.
    PrintFitLines(6 + 1 + static_cast<int>(sheet.Rows.size()) + 1 + footLines(), kSmallestShare);
    const QString header = QString(10, QLatin1Char(' ')) + sheet.Name;
    const QString title = QStringLiteral("Set sheet: ") + sheet.Name;
    const auto columns = [&widths](const auto& field) {
        int x = LeftMargin;
        for (std::size_t c = 0; c < kSheetColumns.size(); ++c) {
            if (c > 0) {
                PrintLine(ColumnSeparator, x);
                x += SeparatorChars * CharWidth;
            }
            const int room =
                c == kNoteColumn ? std::max(4, (PageWidth() - x) / CharWidth - 1) : widths[c];
            PrintLine(Cut(field(c), room), x);
            x += widths[c] * CharWidth;
        }
        CurrentY += LineHeight;
    };
    const auto top = [&] {
        PrintPageHeader(header);
        PrintTitle(title);
        const TFontStyle style = FontStyle();
        SetFontStyle({.Bold = true, .Underline = false});
        columns([](std::size_t c) { return QString::fromLatin1(kSheetColumns[c].Heading); });
        SetFontStyle(style);
    };
    top();
    for (const TSetSheetRow& row : sheet.Rows) {
        if (CurrentY + LineHeight > PageBottom) {
            PrintNewPage();
            top();
        }
        columns([&row](std::size_t c) { return row.*kSheetColumns[c].Field; });
    }
    CurrentY += LineHeight;
    for (const QString& line :
         Wrapped(sheet.FootNote, std::max(20, (PageWidth() - LeftMargin) / CharWidth))) {
        if (CurrentY + LineHeight > PageBottom) {
            PrintNewPage();
            PrintPageHeader(header);
        }
        PrintLine(line, LeftMargin);
        CurrentY += LineHeight;
    }
    PrintEnd();
}

namespace {
QFont SheetFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(kSheetPoints);
    return font;
}
} // namespace

bool PrintSetSheet(QWidget* parent, const TSetSheet& sheet) {
    if (!ChoosePrintTarget(parent))
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintSetSheet(sheet, SheetFont());
    QApplication::restoreOverrideCursor();
    return LastJobDelivered();
}

void PreviewSetSheet(QWidget* parent, const TSetSheet& sheet) {
    PrintPreview(parent, [&sheet] { PrintSetSheet(sheet, SheetFont()); });
}

void CopySetSheet(const TSetSheet& sheet) {
    QApplication::clipboard()->setText(sheet.Text());
}
