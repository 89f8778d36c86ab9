// The framer fed whole and in pieces, into buffers of exactly their length, with every
// message it hands over checked against the stream.

#include "FramerProperties.h"

#include "model/MidiFramer.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace {
enum class TKind { Short, Buffer, Cut, Lost };

struct TEvent {
    TKind Kind;
    std::uint32_t Packed = 0; // a short message
    std::uint32_t Count = 0;  // a buffer's bytes, which follow those of the one before in Bytes
    bool operator==(const TEvent&) const = default;
};

// Kept flat, so that a long stream in one-byte buffers costs no allocation per buffer.
struct TRecord {
    std::vector<TEvent> Events;
    std::vector<std::uint8_t> Bytes;
    bool operator==(const TRecord&) const = default;
};

// SysEx messages one after the other, and where each ends.
struct TMessages {
    std::vector<std::uint8_t> Bytes;
    std::vector<std::size_t> Ends;
    bool operator==(const TMessages&) const = default;
};

// Lends its buffers as the device service lends the port's: in turn, each one allocated at
// exactly its length so that a write past it is caught.
class TRecorder final : public TMidiFramer::TReceiver {
public:
    TRecorder(std::uint32_t length, int count, bool lendAgain)
        : length(length), lendAgain(lendAgain) {
        for (int i = 0; i < count; ++i) {
            buffers.emplace_back(length);
            free.push_back(i);
        }
    }

    TRecord Record;
    std::string Fault;

private:
    void ShortMessage(std::uint32_t packed, std::uint32_t) override {
        Record.Events.push_back({TKind::Short, packed, 0});
    }

    TMidiFramer::TBuffer NextBuffer() override {
        if (lent >= 0)
            Fault = "a second buffer was taken before the first came back";
        if (free.empty())
            return {};
        lent = free.front();
        free.pop_front();
        return {buffers[static_cast<std::size_t>(lent)].data(), length};
    }

    void BufferDone(std::uint32_t recorded, bool cut, std::uint32_t) override {
        if (lent < 0) {
            Fault = "a buffer came back that was never lent";
            return;
        }
        if (recorded > length)
            Fault = "a buffer came back with more bytes than it holds";
        const auto& buffer = buffers[static_cast<std::size_t>(lent)];
        const std::uint32_t count = std::min(recorded, length);
        Record.Events.push_back({cut ? TKind::Cut : TKind::Buffer, 0, count});
        Record.Bytes.insert(Record.Bytes.end(), buffer.begin(), buffer.begin() + count);
        if (lendAgain)
            free.push_back(lent);
        lent = -1;
    }

    void MessageLost() override {
        if (!free.empty() || lent >= 0)
            Fault = "a message was dropped although a buffer was free";
        Record.Events.push_back({TKind::Lost, 0, 0});
    }

    const std::uint32_t length;
    const bool lendAgain;
    std::vector<std::vector<std::uint8_t>> buffers;
    std::deque<int> free;
    int lent = -1;
};

struct TSetUp {
    std::uint32_t Length;
    int Count;
    bool LendAgain;
    int PieceMax;
};

TRecord Feed(const TSetUp& setUp, const std::uint8_t* stream, std::size_t size, bool inPieces,
             std::string& fault) {
    TRecorder recorder(setUp.Length, setUp.Count, setUp.LendAgain);
    TMidiFramer framer(recorder);
    std::uint32_t random = static_cast<std::uint32_t>(setUp.PieceMax) * 2654435761U + 1;
    std::uint32_t piece = 0;
    for (std::size_t at = 0; at < size;) {
        std::size_t count = size - at;
        if (inPieces) {
            random ^= random << 13;
            random ^= random >> 17;
            random ^= random << 5;
            count = std::min<std::size_t>(
                count,
                setUp.PieceMax <= 1 ? 1 : 1 + random % static_cast<std::uint32_t>(setUp.PieceMax));
        }
        // Each piece arrives at its own time, as the backend delivers them.
        for (std::size_t i = 0; i < count; ++i)
            framer.ByteIn(stream[at + i], piece);
        at += count;
        ++piece;
    }
    framer.Reset();
    if (framer.HoldsBuffer())
        recorder.Fault = "a buffer was kept after a reset";
    if (fault.empty())
        fault = recorder.Fault;
    return std::move(recorder.Record);
}

// The SysEx messages of the stream that end with F7, real-time bytes taken out.
TMessages CompleteSysex(const std::uint8_t* stream, std::size_t size) {
    TMessages complete;
    bool inside = false;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = stream[i];
        if (byte >= 0xF8)
            continue;
        if (inside && (byte < 0x80 || byte == 0xF7)) {
            complete.Bytes.push_back(byte);
            if (byte == 0xF7) {
                complete.Ends.push_back(complete.Bytes.size());
                inside = false;
            }
            continue;
        }
        complete.Bytes.resize(complete.Ends.empty() ? 0 : complete.Ends.back());
        inside = byte == 0xF0;
        if (inside)
            complete.Bytes.push_back(byte);
    }
    complete.Bytes.resize(complete.Ends.empty() ? 0 : complete.Ends.back());
    return complete;
}

std::string CheckShort(std::uint32_t packed) {
    const std::uint8_t status = packed & 0xFF;
    const int length = MidiMessageLength(status);
    if (status < 0x80 || status == 0xF0 || status == 0xF7 || length == 0)
        return "a short message without a status byte";
    for (int i = 1; i < 3; ++i) {
        const std::uint32_t byte = packed >> (8 * i) & 0xFF;
        if (i < length ? byte >= 0x80 : byte != 0)
            return "a short message with a wrong data byte";
    }
    return packed >> 24 == 0 ? "" : "a short message of more than three bytes";
}

// Buffers joined into messages: each starts with F0 and holds only data bytes up to its F7.
std::string CheckMessages(const TRecord& record, std::uint32_t length, TMessages& complete) {
    const std::vector<std::uint8_t>& bytes = record.Bytes;
    std::size_t start = 0; // of the message under way
    std::size_t end = 0;   // of the buffers seen so far
    bool under = false;
    for (std::size_t e = 0; e < record.Events.size(); ++e) {
        const TEvent& event = record.Events[e];
        if (event.Kind == TKind::Short) {
            if (std::string fault = CheckShort(event.Packed); !fault.empty())
                return fault;
            continue;
        }
        if (event.Kind == TKind::Lost) {
            under = false;
            continue;
        }
        if (event.Count == 0)
            return "an empty buffer came back";
        const std::size_t from = end;
        end += event.Count;
        if (bytes[from] == 0xF0) {
            // A status byte right after a full buffer ends the message with no buffer left
            // to report the cut in; the next message's first buffer shows it is over.
            start = from;
            under = true;
        } else if (!under) {
            return "a SysEx that does not start with F0";
        }
        const bool ended = bytes[end - 1] == 0xF7;
        for (std::size_t i = std::max(from, start + 1); i < end - (ended ? 1 : 0); ++i)
            if (bytes[i] >= 0x80)
                return "a SysEx with a status byte inside";
        if (event.Kind == TKind::Cut) {
            if (ended)
                return "a complete SysEx reported as cut short";
            under = false;
        } else if (ended) {
            complete.Bytes.insert(complete.Bytes.end(),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(start),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(end));
            complete.Ends.push_back(complete.Bytes.size());
            under = false;
        } else if (event.Count < length && e + 1 != record.Events.size()) {
            return "a buffer came back neither full nor at the message's end";
        }
    }
    return "";
}
} // namespace

std::string CheckFramerProperties(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return "";
    const TSetUp setUp{1 + static_cast<std::uint32_t>((data[0] << 8 | data[1]) % 300),
                       1 + (data[2] & 0x03), (data[2] & 0x04) == 0, data[3]};
    const std::uint8_t* stream = data + 4;
    const std::size_t streamSize = size - 4;

    std::string fault;
    const TRecord whole = Feed(setUp, stream, streamSize, false, fault);
    const TRecord pieces = Feed(setUp, stream, streamSize, true, fault);
    if (!fault.empty())
        return fault;
    if (whole != pieces)
        return "the stream in pieces gave other messages than the stream whole";

    TMessages complete;
    if (std::string messages = CheckMessages(whole, setUp.Length, complete); !messages.empty())
        return messages;
    const bool lost = std::any_of(whole.Events.begin(), whole.Events.end(),
                                  [](const TEvent& event) { return event.Kind == TKind::Lost; });
    if (!lost && complete != CompleteSysex(stream, streamSize))
        return "the complete SysEx messages differ from those in the stream";
    return "";
}
