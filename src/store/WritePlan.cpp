// A plan's words.

#include "store/WritePlan.h"

#include "model/Protocol.h"

namespace {
QString TitleOf(TByteView dump) {
    const QString title = QString::fromLatin1(PresetTitleOf(dump).c_str());
    return title.isEmpty() ? QStringLiteral("(untitled)") : title;
}
} // namespace

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString SlotPlace(int bank, int slot, bool singleBank) {
    const QString number = QStringLiteral("%1").arg(slot, 3, 10, QLatin1Char('0'));
    if (singleBank || bank < 0 || bank > 3)
        return number;
    return QString(QLatin1Char(BankLetters[bank])) + QLatin1Char(' ') + number;
}

// (bank, slot, step): a place and the way to go from it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::optional<std::pair<int, int>> StepPlace(int bank, int slot, int step, bool singleBank) {
    const int perBank = singleBank ? 128 : 200;
    const int banks = singleBank || bank < 0 ? 1 : 4;
    // The unit's slots in one row, bank by bank.
    const int at = (banks == 1 ? 0 : bank) * perBank + slot - 1 + step;
    if (slot < 1 || slot > perBank || at < 0 || at >= banks * perBank)
        return std::nullopt;
    if (banks == 1)
        return std::pair{singleBank ? -1 : bank, at + 1};
    return std::pair{at / perBank, at % perBank + 1};
}

QString PlanLine(const TPlannedWrite& write, bool singleBank) {
    const QString now = !write.NowKnown            ? QStringLiteral("(not read yet)")
                        : write.NowTitle.isEmpty() ? QStringLiteral("(untitled)")
                                                   : write.NowTitle;
    return SlotPlace(write.Bank, write.Slot, singleBank) + QStringLiteral(": ") + now +
           QStringLiteral(" \u2192 ") + TitleOf(write.Dump);
}

QString PlanCountsText(const TPlanCounts& counts) {
    return QStringLiteral("%1 written, %2 verified, %3 failed")
        .arg(counts.Written)
        .arg(counts.Verified)
        .arg(counts.Failed);
}

TBytes RetitledDump(TByteView dump, const QString& title) {
    TBytes renamed(dump.begin(), dump.end());
    for (int i = 0; i < kTitleLength; ++i) {
        const std::size_t at = static_cast<std::size_t>(kTitleOffset + 2 * i);
        if (at + 1 >= renamed.size())
            break;
        const char16_t c = i < title.size() ? title.at(i).unicode() : u' ';
        renamed[at] = c >= 0x20 && c <= 0x7E ? static_cast<std::uint8_t>(c) : ' ';
        renamed[at + 1] = 0;
    }
    return renamed;
}

QString BankLetter(int bank) {
    return bank >= 0 && bank <= 3 ? QString(QLatin1Char(BankLetters[bank])) : QString();
}

QString TPlace::Text(bool singleBank) const {
    return SlotPlace(Bank, Slot, singleBank);
}

bool TPlace::Fits(bool singleBank) const {
    return singleBank ? Bank == 0 && Slot >= 1 && Slot <= 128
                      : Bank >= 0 && Bank <= 3 && Slot >= 1 && Slot <= 200;
}
