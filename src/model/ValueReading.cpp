// Typed values read back into stored values: the exact texts first, then the nearest number.

#include "model/ParameterTable.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
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

// A number and what follows it, in one unit of each kind: ms for times, Hz for frequencies.
struct TNumber {
    double Shown = 0; // as written: "1.20 s" → 1.2
    double Base = 0;  // in the kind's unit: "1.20 s" → 1200
    enum class TKind { Plain, Percent, Decibel, Hertz, Time } Kind = TKind::Plain;
};

std::optional<TNumber> ReadNumber(const std::string& plain) {
    std::size_t at = 0;
    if (at < plain.size() && (plain[at] == '+' || plain[at] == '-'))
        ++at;
    const std::size_t digits = at;
    while (at < plain.size() &&
           (std::isdigit(static_cast<unsigned char>(plain[at])) != 0 || plain[at] == '.'))
        ++at;
    const std::string number = plain.substr(0, at);
    if (at == digits || number.find('.') != number.rfind('.') || number.back() == '.' ||
        number.find_first_of("0123456789") == std::string::npos)
        return std::nullopt;
    TNumber read;
    read.Shown = std::strtod(number.c_str(), nullptr);
    const std::string unit = plain.substr(at);
    using K = TNumber::TKind;
    struct TUnit {
        const char* Text;
        K Kind;
        double Scale;
    };
    static const TUnit kUnits[] = {
        {"", K::Plain, 1},       {"%", K::Percent, 1}, {"db", K::Decibel, 1}, {"hz", K::Hertz, 1},
        {"khz", K::Hertz, 1000}, {"ms", K::Time, 1},   {"s", K::Time, 1000}};
    for (const TUnit& known : kUnits)
        if (unit == known.Text) {
            read.Kind = known.Kind;
            read.Base = read.Shown * known.Scale;
            return read;
        }
    return std::nullopt;
}
} // namespace

std::optional<int> ReadParameterValue(const TParameterInfo& parameter, std::string_view text) {
    const std::string typed = Plain(text);
    if (typed.empty())
        return std::nullopt;
    for (int value = parameter.Min; value <= parameter.Max; ++value)
        if (Plain(ParameterValueText(parameter, value)) == typed)
            return value;
    const std::optional<TNumber> wanted = ReadNumber(typed);
    if (!wanted)
        return std::nullopt;
    // The nearest of the values that read as numbers of the same kind; a plain number is
    // compared with the numbers as they are shown.
    std::optional<int> nearest;
    double distance = std::numeric_limits<double>::infinity();
    for (int value = parameter.Min; value <= parameter.Max; ++value) {
        const std::optional<TNumber> shown =
            ReadNumber(Plain(ParameterValueText(parameter, value)));
        if (!shown)
            continue;
        const bool plain = wanted->Kind == TNumber::TKind::Plain;
        if (!plain && shown->Kind != wanted->Kind)
            continue;
        const double apart =
            plain ? std::fabs(shown->Shown - wanted->Shown) : std::fabs(shown->Base - wanted->Base);
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
