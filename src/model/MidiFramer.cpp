// The input byte stream's state machine: running status, system common and real-time
// messages, and SysEx spread over lent buffers.

#include "model/MidiFramer.h"

void TMidiFramer::ByteIn(std::uint8_t byte, std::uint32_t now) {
    if (byte >= 0xF8) { // real-time bytes may fall anywhere, even inside a SysEx
        receiver.ShortMessage(byte, now);
        return;
    }
    if (inSysex) {
        if (byte < 0x80 || byte == 0xF7) {
            PutSysex(byte);
            if (byte == 0xF7)
                EndSysex(false);
            return;
        }
        EndSysex(true); // a new status cuts the message short
    }
    if (byte == 0xF0) {
        inSysex = true;
        sysexLost = false;
        runningStatus = 0;
        messageTime = now;
        PutSysex(byte);
        return;
    }
    if (byte >= 0x80) {
        if (byte == 0xF7)
            return; // an end without a start
        runningStatus = byte;
        collected = 0;
        messageTime = now;
        if (MidiMessageLength(byte) == 1) {
            receiver.ShortMessage(byte, now);
            runningStatus = 0;
        }
        return;
    }
    if (runningStatus == 0)
        return; // data without a status byte
    if (collected == 0)
        messageTime = now;
    data[collected++] = byte;
    if (collected == MidiMessageLength(runningStatus) - 1) {
        receiver.ShortMessage(runningStatus | data[0] << 8 | (collected > 1 ? data[1] << 16 : 0),
                              messageTime);
        collected = 0;
        if (runningStatus >= 0xF0)
            runningStatus = 0; // system common messages have no running status
    }
}

void TMidiFramer::Reset() {
    if (HoldsBuffer())
        ReturnBuffer(false);
    inSysex = false;
    runningStatus = 0;
    collected = 0;
}

void TMidiFramer::PutSysex(std::uint8_t byte) {
    if (!HoldsBuffer()) {
        if (sysexLost)
            return;
        buffer = receiver.NextBuffer();
        recorded = 0;
        if (!HoldsBuffer()) {
            sysexLost = true;
            receiver.MessageLost();
            return;
        }
    }
    // A buffer lent without room is handed straight back rather than written past its end.
    if (recorded < buffer.Length)
        buffer.Data[recorded++] = byte;
    if (recorded >= buffer.Length)
        ReturnBuffer(false); // the message goes on in the next buffer
}

void TMidiFramer::EndSysex(bool cut) {
    if (HoldsBuffer())
        ReturnBuffer(cut);
    inSysex = false;
}

void TMidiFramer::ReturnBuffer(bool cut) {
    const std::uint32_t count = recorded;
    buffer = {};
    recorded = 0;
    receiver.BufferDone(count, cut, messageTime);
}
