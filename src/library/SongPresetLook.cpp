// A song's preset looked up in the unit's memory or read from its file.

#include "library/SongPresetLook.h"

#include "model/DeviceMode.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"

#include <QFileInfo>

TSongPresetLook LookUpSongPreset(const TSongPreset& preset, const QString& setListFolder,
                                 const TUnitMemory* memory) {
    TSongPresetLook look;
    if (!preset.IsFile()) {
        look.Place = QString::fromStdString(preset.Text(Mode));
        const TSlotMemory* slot =
            memory != nullptr ? memory->Slot(preset.Bank, preset.Slot) : nullptr;
        if (slot != nullptr && slot->Now() != nullptr)
            look.Title = QString::fromLatin1(PresetTitleOf(slot->Now()->Dump).c_str());
        return look;
    }
    const QString path = QString::fromStdString(preset.PathFrom(setListFolder.toStdString()));
    look.Place = QFileInfo(path).fileName();
    const TFileRead read = ReadWholeFile(path, kLargestPresetFile);
    if (read.Missing) {
        look.Problem = QStringLiteral("%1 is not there").arg(path);
        return look;
    }
    if (!read.Ok()) {
        look.Problem = read.Error;
        return look;
    }
    const TBytes bytes(read.Bytes.begin(), read.Bytes.end());
    if (!IsPresetDump(bytes)) {
        look.Problem =
            QStringLiteral("%1 is not a %2-byte preset dump").arg(path).arg(PresetDumpLength);
        return look;
    }
    look.Dump = bytes;
    look.Title = QString::fromLatin1(PresetTitleOf(bytes).c_str());
    return look;
}
