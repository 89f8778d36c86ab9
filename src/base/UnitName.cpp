// The names of the unit in use.

#include "base/UnitName.h"

QString TUnitName::Text() const {
    if (Port.isEmpty())
        return QStringLiteral("no unit chosen");
    return Connected ? Port : Port + QStringLiteral(" (not connected)");
}

QString TUnitName::IntoText() const {
    if (Port.isEmpty())
        return {};
    if (Simulated)
        return QStringLiteral("Into the simulated unit '%1' inside Quellfarn: no real processor "
                              "is written.")
            .arg(Port);
    return QStringLiteral("Into the unit on MIDI Out '%1'%2.")
        .arg(Port, Connected ? QString() : QStringLiteral(" (not connected)"));
}

QString TUnitName::TitleSuffix() const {
    return Simulated ? QStringLiteral(" - simulated unit") : QString();
}
