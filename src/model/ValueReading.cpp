// Typed values read back into stored values: the exact texts first, then the nearest number.

#include "model/ParameterTable.h"
#include "model/ValueText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace {
// Lower case without spaces: "1.00 KHz" and "1.00khz" are one text.
std::string Plain(std::string_view text) {
    std::string plain;
    for (const char c : text)
        if (std::isspace(static_cast<unsigned char>(c)) == 0)
            plain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return plain;
}
} // namespace

std::optional<int> ReadParameterValue(const TParameterInfo& parameter, std::string_view text) {
    const std::string typed = Plain(text);
    if (typed.empty())
        return std::nullopt;
    for (int value = parameter.Min; value <= parameter.Max; ++value)
        if (Plain(ParameterValueText(parameter, value)) == typed)
            return value;
    const std::optional<TQuantity> wanted = ReadQuantity(typed);
    if (!wanted)
        return std::nullopt;
    // The nearest of the values that read as numbers of the same kind. A plain number is taken
    // as shown ("1.2" is the delay's "1.20 s") or in the kind's unit ("2000" is "2.00 KHz"),
    // whichever lies nearer.
    std::optional<int> nearest;
    double distance = std::numeric_limits<double>::infinity();
    for (int value = parameter.Min; value <= parameter.Max; ++value) {
        const std::optional<TQuantity> shown = ReadQuantity(ParameterValueText(parameter, value));
        if (!shown)
            continue;
        const bool plain = wanted->Unit.empty();
        if (!plain && shown->Unit != wanted->Unit)
            continue;
        const double apart = plain ? std::min(std::fabs(shown->Shown - wanted->Shown),
                                              std::fabs(shown->Value - wanted->Shown))
                                   : std::fabs(shown->Value - wanted->Value);
        if (apart < distance) {
            distance = apart;
            nearest = value;
        }
    }
    return nearest;
}

std::string ParameterValueHint(const TParameterInfo& parameter) {
    if (parameter.Kind == TControlKind::CheckBox)
        return "Takes on or off";
    const std::string first = ParameterValueText(parameter, parameter.Min);
    const std::string last = ParameterValueText(parameter, parameter.Max);
    if (parameter.Kind == TControlKind::RadioGroup && parameter.Items.size() <= 8) {
        std::string items;
        for (const std::string_view item : parameter.Items)
            items += (items.empty() ? "" : ", ") + std::string(item);
        return "Takes one of " + items;
    }
    if (parameter.Kind == TControlKind::BaseKeyList)
        return "Takes a note from " + first + " to " + last;
    return "Takes " + first + " to " + last;
}
