// The plans of the user's writes.

#include "store/PlanBuilders.h"

#include "model/Protocol.h"

namespace {
const TSlotVersion* Now(const TUnitMemory* memory, TPlace place) {
    const TSlotMemory* slot = memory != nullptr ? memory->Slot(place) : nullptr;
    return slot != nullptr ? slot->Now() : nullptr;
}

// A write with what the memory knows the slot holds now, for the plan's line.
TPlannedWrite Planned(const TUnitMemory* memory, TPlace place, const TBytes& dump) {
    TPlannedWrite write{place.Bank, place.Slot, dump, {}, false};
    if (const TSlotVersion* now = Now(memory, place)) {
        write.NowKnown = true;
        write.NowTitle = QString::fromLatin1(PresetTitleOf(now->Dump).c_str());
    }
    return write;
}

QString NeverRead(TPlace place, bool singleBank) {
    return place.Text(singleBank) + QStringLiteral(" was never read: fetch it first [F5]");
}
} // namespace

TPlanOrRefusal PlacePlan(const TUnitMemory* memory, TPlace from, const std::vector<TBytes>& dumps,
                         const QString& what, bool singleBank) {
    TPlanOrRefusal result;
    const auto [bank, slot] = from;
    const int last = singleBank ? 128 : 200;
    const auto count = static_cast<int>(dumps.size());
    if (count == 0) {
        result.Refusal = QStringLiteral("Nothing to write");
        return result;
    }
    if (slot < 1 || slot + count - 1 > last) {
        result.Refusal = QStringLiteral("%1 presets do not fit from %2: the bank ends at %3")
                             .arg(count)
                             .arg(SlotPlace(bank, slot, singleBank))
                             .arg(last);
        return result;
    }
    TWritePlan& plan = result.Plan;
    plan.Label = count == 1 ? QStringLiteral("%1 of %2 into %3")
                                  .arg(what, TitleText(dumps[0]), SlotPlace(bank, slot, singleBank))
                            : QStringLiteral("%1 of %2 presets into %3..%4")
                                  .arg(what)
                                  .arg(count)
                                  .arg(SlotPlace(bank, slot, singleBank),
                                       SlotPlace(bank, slot + count - 1, singleBank));
    for (int i = 0; i < count; ++i)
        plan.Writes.push_back(
            Planned(memory, {bank, slot + i}, dumps[static_cast<std::size_t>(i)]));
    return result;
}

std::vector<TPlace> SetListPlaces(TPlace from, std::size_t songs, bool singleBank) {
    const int perBank = singleBank ? 128 : 200;
    const int end = (singleBank ? 1 : 4) * perBank;
    std::vector<TPlace> places;
    if (from.Slot < 1 || from.Slot > perBank)
        return places;
    // The unit's slots in one row, bank by bank, as its up switch steps through them.
    for (int at = (singleBank ? 0 : from.Bank) * perBank + from.Slot - 1;
         at < end && places.size() < songs; ++at)
        places.push_back({at / perBank, at % perBank + 1});
    return places;
}

TPlanOrRefusal SetListPlan(const TUnitMemory* memory, TPlace from,
                           const std::vector<TSetListSong>& songs, const QString& name,
                           bool singleBank) {
    TPlanOrRefusal result;
    if (songs.empty()) {
        result.Refusal = QStringLiteral("The set list has no songs");
        return result;
    }
    const std::vector<TPlace> places = SetListPlaces(from, songs.size(), singleBank);
    if (places.size() < songs.size()) {
        const std::size_t left = songs.size() - places.size();
        result.Refusal =
            QStringLiteral("%1 of the %2 songs do not fit from %3: the unit's last slot is %4")
                .arg(left)
                .arg(songs.size())
                .arg(from.Text(singleBank),
                     TPlace{singleBank ? 0 : 3, singleBank ? 128 : 200}.Text(singleBank));
        return result;
    }
    QStringList unread;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        const TSetListSong& song = songs[i];
        const TBytes* dump = &song.Dump;
        if (song.Slot) {
            // A song in its own target slot is there already, read or not.
            if (*song.Slot == places[i])
                continue;
            const TSlotVersion* held = Now(memory, *song.Slot);
            if (held == nullptr) {
                unread
                    << QStringLiteral("\"%1\" (%2)").arg(song.Title, song.Slot->Text(singleBank));
                continue;
            }
            dump = &held->Dump;
        }
        const TSlotVersion* target = Now(memory, places[i]);
        if (target != nullptr && SameDumpAnyDevice(target->Dump, *dump))
            continue;
        result.Plan.Writes.push_back(Planned(memory, places[i], *dump));
    }
    if (!unread.isEmpty()) {
        result.Refusal =
            QStringLiteral("%1 %2 never read: fetch %3 first [F5]")
                .arg(unread.join(QStringLiteral(", ")),
                     unread.size() == 1 ? QStringLiteral("was") : QStringLiteral("were"),
                     unread.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
        result.Plan.Writes.clear();
        return result;
    }
    QString into = places.front().Text(singleBank);
    if (places.size() > 1)
        into += QStringLiteral("..") + places.back().Text(singleBank);
    result.Plan.Label = QStringLiteral("place of set list %1 into %2").arg(name, into);
    return result;
}

TPlanOrRefusal SwapPlan(const TUnitMemory* memory, TPlace first, TPlace second, bool singleBank) {
    TPlanOrRefusal result;
    if (first == second) {
        result.Refusal = QStringLiteral("A swap needs two different slots");
        return result;
    }
    const TSlotVersion* one = Now(memory, first);
    const TSlotVersion* two = Now(memory, second);
    if (one == nullptr || two == nullptr) {
        result.Refusal = NeverRead(one == nullptr ? first : second, singleBank);
        return result;
    }
    result.Plan.Label =
        QStringLiteral("swap of %1 and %2").arg(first.Text(singleBank), second.Text(singleBank));
    result.Plan.Writes.push_back(Planned(memory, first, two->Dump));
    result.Plan.Writes.push_back(Planned(memory, second, one->Dump));
    return result;
}

TPlanOrRefusal RenamePlan(const TUnitMemory* memory, TPlace place, const QString& title,
                          bool singleBank) {
    TPlanOrRefusal result;
    const TSlotVersion* now = Now(memory, place);
    if (now == nullptr) {
        result.Refusal = NeverRead(place, singleBank);
        return result;
    }
    result.Plan.Label =
        QStringLiteral("rename of %1 to %2").arg(place.Text(singleBank), title.trimmed());
    result.Plan.Writes.push_back(Planned(memory, place, RetitledDump(now->Dump, title)));
    return result;
}

// (from, to): the bank copied, then the bank it goes onto, as the words read.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TPlanOrRefusal CopyBankPlan(const TUnitMemory* memory, int from, int to) {
    TPlanOrRefusal result;
    const auto letter = [](int bank) { return QLatin1Char(BankLetters[bank]); };
    if (from < 0 || from > 3 || to < 0 || to > 3 || from == to) {
        result.Refusal = QStringLiteral("A copy of a bank needs two different banks");
        return result;
    }
    result.Plan.Label =
        QStringLiteral("copy of bank %1 onto bank %2").arg(letter(from)).arg(letter(to));
    int unread = 0;
    for (int slot = 1; slot <= 200; ++slot) {
        const TSlotVersion* source = Now(memory, {from, slot});
        if (source == nullptr) {
            ++unread;
            continue;
        }
        // A slot that already holds the same preset does not change.
        const TSlotVersion* target = Now(memory, {to, slot});
        if (target != nullptr && SameDumpAnyDevice(target->Dump, source->Dump))
            continue;
        result.Plan.Writes.push_back(Planned(memory, {to, slot}, source->Dump));
    }
    if (unread > 0)
        result.Refusal =
            QStringLiteral("%1 slots of bank %2 were never read: read the bank first [Ctrl+R]")
                .arg(unread)
                .arg(letter(from));
    else if (result.Plan.Writes.empty())
        result.Refusal = QStringLiteral("Bank %1 already holds what bank %2 holds")
                             .arg(letter(to))
                             .arg(letter(from));
    return result;
}

TPlanOrRefusal PutBackPlan(const TUnitMemory* memory, TPlace place, const TBytes& dump,
                           bool singleBank) {
    TPlanOrRefusal result;
    result.Plan.Label =
        QStringLiteral("putting %1 back into %2").arg(TitleText(dump), place.Text(singleBank));
    result.Plan.Writes.push_back(Planned(memory, place, dump));
    return result;
}

TPlanOrRefusal EditPlan(const TUnitMemory* memory, const std::vector<TPlace>& places,
                        const TPresetEdit& edit, bool singleBank) {
    TPlanOrRefusal result;
    QStringList unread;
    for (const TPlace& place : places) {
        const TSlotVersion* now = Now(memory, place);
        if (now == nullptr) {
            unread << place.Text(singleBank);
            continue;
        }
        TPresetEditOutcome outcome = ApplyPresetEdit(edit, now->Dump);
        if (!outcome.Dump.empty())
            result.Plan.Writes.push_back(Planned(memory, place, outcome.Dump));
    }
    if (!unread.isEmpty()) {
        const QString named = unread.size() > 3 ? unread.mid(0, 3).join(QStringLiteral(", ")) +
                                                      QStringLiteral(", ...")
                                                : unread.join(QStringLiteral(", "));
        result.Refusal =
            unread.size() == 1
                ? named + QStringLiteral(" was never read: fetch it first [F5]")
                : QStringLiteral("%1 slots were never read (%2): fetch them first [F5]")
                      .arg(unread.size())
                      .arg(named);
        result.Plan.Writes.clear();
        return result;
    }
    result.Plan.Label =
        QString::fromStdString(edit.Text()) + QStringLiteral(" in %1 slot%2")
                                                  .arg(result.Plan.Writes.size())
                                                  .arg(result.Plan.Writes.size() == 1 ? "" : "s");
    if (result.Plan.Writes.empty())
        result.Refusal = QStringLiteral("No slot changes: ") + QString::fromStdString(edit.Text());
    return result;
}
