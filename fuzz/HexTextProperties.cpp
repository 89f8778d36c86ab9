// Any text through the hexadecimal reader, with blanks and line breaks added, and every
// byte sequence through the writer and back.

#include "HexTextProperties.h"

#include "model/HexText.h"

#include <algorithm>

namespace {
bool Same(const THexTextResult& a, const THexTextResult& b) {
    return a.Ok == b.Ok && a.Bytes == b.Bytes && a.Error.Message == b.Error.Message &&
           a.Error.SorryCaption == b.Error.SorryCaption;
}

bool Ignored(char16_t c) {
    return c == u' ' || c == u'\r' || c == u'\n' || c == 0x2028;
}

std::u16string Widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

std::string CheckText(const std::u16string& text, std::size_t capacity, std::uint32_t seed) {
    const THexTextResult result = ParseHexText(text, capacity);
    if (result.Ok) {
        if (result.Bytes.empty() || result.Bytes.size() > capacity)
            return "a byte count outside 1..the buffer's size";
        // What was read is what was written: the same digits, in upper case.
        std::u16string digits;
        for (const char16_t c : text)
            if (!Ignored(c))
                digits += c >= u'a' && c <= u'f' ? static_cast<char16_t>(c - u'a' + u'A') : c;
        std::u16string written =
            Widen(BytesToHex(result.Bytes.data(), static_cast<std::uint16_t>(result.Bytes.size())));
        std::erase(written, u' ');
        if (digits != written)
            return "the bytes read are not the digits of the text";
    } else if (result.Error.Message.empty()) {
        return "a refusal without a message";
    }

    // Blanks and line breaks anywhere change nothing: a few at chosen places, then one
    // between every two characters.
    static const char16_t kBlanks[] = {u' ', u'\n', u'\r', 0x2028};
    std::u16string spread = text;
    std::uint32_t random = seed | 1;
    for (int i = 0; i < 4; ++i) {
        random = random * 1664525U + 1013904223U;
        spread.insert(spread.begin() +
                          static_cast<std::ptrdiff_t>((random >> 8) % (spread.size() + 1)),
                      kBlanks[(random >> 4) % 4]);
    }
    if (!Same(ParseHexText(spread, capacity), result))
        return "added blanks or line breaks changed the result";
    std::u16string everywhere;
    for (const char16_t c : text) {
        everywhere += kBlanks[everywhere.size() % 4];
        everywhere += c;
    }
    if (!Same(ParseHexText(everywhere, capacity), result))
        return "blanks between the characters changed the result";
    return "";
}

std::string CheckRoundTrip(const std::uint8_t* bytes, std::size_t count, std::size_t capacity) {
    count = std::min(count, capacity + 1);
    const std::u16string text = Widen(BytesToHex(bytes, static_cast<std::uint16_t>(count)));
    for (const bool lower : {false, true}) {
        std::u16string typed = text;
        if (lower)
            for (char16_t& c : typed)
                if (c >= u'A' && c <= u'F')
                    c = static_cast<char16_t>(c - u'A' + u'a');
        const THexTextResult result = ParseHexText(typed, capacity);
        if (count == 0 || count > capacity) {
            if (result.Ok)
                return count == 0 ? "no digits taken as a message"
                                  : "more bytes than the buffer holds taken";
        } else if (!result.Ok ||
                   !std::equal(result.Bytes.begin(), result.Bytes.end(), bytes, bytes + count)) {
            return "written bytes did not read back as themselves";
        }
    }
    return "";
}
} // namespace

std::string CheckHexTextProperties(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return "";
    const bool wide = (data[0] & 1) != 0;
    const std::size_t capacity = data[0] >> 1 == 0 ? kFuzzMessageBufferSize : data[0] >> 1;
    const std::uint8_t* rest = data + 1;
    const std::size_t restSize = size - 1;

    std::u16string text;
    if (wide)
        for (std::size_t i = 0; i + 1 < restSize; i += 2)
            text += static_cast<char16_t>(rest[i] | rest[i + 1] << 8);
    else
        text.assign(rest, rest + restSize);
    if (std::string fault = CheckText(text, capacity, static_cast<std::uint32_t>(size) * 40503U);
        !fault.empty())
        return fault;
    return CheckRoundTrip(rest, restSize, capacity);
}
