// Hexadecimal text of bytes, both ways.

#include "model/HexText.h"

std::string BytesToHex(const std::uint8_t* bytes, std::uint16_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(count) * 3, ' ');
    for (std::uint16_t i = 0; i < count; ++i) {
        text[i * 3] = digits[bytes[i] >> 4];
        text[i * 3 + 1] = digits[bytes[i] & 0x0F];
    }
    return text;
}

namespace {
constexpr char16_t kLineSeparator = 0x2028;

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

std::u16string Widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

THexTextResult Refused(std::u16string message, bool sorryCaption) {
    THexTextResult result;
    result.Error = {std::move(message), sorryCaption};
    return result;
}
} // namespace

THexTextResult ParseHexText(std::u16string_view text, std::size_t capacity) {
    std::u16string digits;
    digits.reserve(text.size());
    for (const char16_t c : text)
        if (c != u' ' && c != u'\r' && c != u'\n' && c != kLineSeparator)
            digits += c;
    if (digits.size() % 2 != 0)
        return Refused(u"Invalid hex message data (2 chars required to represent each byte)", true);
    if (digits.size() / 2 > capacity) {
        // Refused rather than cut short: the rest would be lost without a word.
        return Refused(u"The message data holds " + Widen(std::to_string(digits.size() / 2)) +
                           u" bytes; the message buffer takes at most " +
                           Widen(std::to_string(capacity)) + u" bytes",
                       true);
    }
    if (digits.empty())
        return Refused(u"'' is not a valid integer value", false);
    THexTextResult result;
    result.Bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        // Exactly two digits: no sign, and no tab or other character standing in for one.
        const int high = DigitValue(digits[i]);
        const int low = DigitValue(digits[i + 1]);
        if (high < 0 || low < 0)
            return Refused(u"'" + digits.substr(i, 2) + u"' is not a valid integer value", false);
        result.Bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    result.Ok = true;
    return result;
}
