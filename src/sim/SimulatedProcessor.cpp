// Timing and transport of the simulated unit.

#include "sim/SimulatedProcessor.h"

#include "model/Preset.h"

#include <cstdio>

namespace {
// A message that moves the unit to another preset or bank.
bool ChoosesAPlace(TByteView message, const TDeviceMode& variant) {
    if (!message.empty() && (message[0] & 0xF0) == 0xC0)
        return true;
    const TRequest request = ClassifyRequest(message, variant);
    return request.Kind == TRequestKind::SelectPreset ||
           (request.Kind == TRequestKind::SetParameter && request.Address == kBankAddress);
}
} // namespace

std::vector<TBytes> TMessageAssembler::Feed(const std::uint8_t* bytes, std::size_t count) {
    std::vector<TBytes> messages;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[i];
        if (byte >= 0xF8)
            continue;
        const bool inSysex = !pending.empty() && pending[0] == 0xF0;
        if (inSysex) {
            if (byte < 0x80 || byte == 0xF7) {
                pending.push_back(byte);
                if (byte == 0xF7) {
                    messages.push_back(std::move(pending));
                    pending.clear();
                }
                continue;
            }
            pending.clear(); // cut short by a new status: the unit drops it
        }
        if (byte >= 0x80) {
            pending.assign(1, byte);
            runningStatus = byte < 0xF0 ? byte : 0;
        } else if (pending.empty()) {
            if (runningStatus == 0)
                continue;
            pending.assign(1, runningStatus);
            pending.push_back(byte);
        } else {
            pending.push_back(byte);
        }
        const std::uint8_t status = pending[0];
        if (status == 0xF0)
            continue;
        const std::size_t length = status >= 0xC0 && status < 0xE0 ? 2
                                   : status >= 0xF0                ? (status == 0xF2                     ? 3
                                                                      : status == 0xF1 || status == 0xF3 ? 2
                                                                                                         : 1)
                                                                   : 3;
        if (pending.size() == length) {
            messages.push_back(std::move(pending));
            pending.clear();
        }
    }
    return messages;
}

TSimulatedProcessor::TSimulatedProcessor(const TSimulatorOptions& options)
    : device(options.PrePlenova, options.DeviceByte), muted(options.Mute),
      dropEvery(options.DropEvery), lateEvery(options.LateEvery),
      loseSelectEvery(options.LoseSelectEvery), duplicateEvery(options.DuplicateEvery),
      lateBy(options.LateBy), takeTime(options.TakeTime), latency(options.Latency),
      byteTime(options.ByteTime), worker([this] { Run(); }) {}

TSimulatedProcessor::~TSimulatedProcessor() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_one();
    worker.join();
}

void TSimulatedProcessor::Connect(Transmitter transmitter) {
    // Waits for an answer on its way out: whoever disconnects may go away right after.
    const std::lock_guard lock(transmitMutex);
    transmit = std::move(transmitter);
}

void TSimulatedProcessor::SetLog(Log logger) {
    const std::lock_guard lock(mutex);
    log = std::move(logger);
}

void TSimulatedProcessor::SetMemoryKeeper(MemoryKeeper memoryKeeper) {
    const std::lock_guard lock(keepMutex);
    keeping = static_cast<bool>(memoryKeeper);
    keeper = std::move(memoryKeeper);
}

std::optional<TSimulatedProcessor::TChangedMemory> TSimulatedProcessor::ChangedMemory() {
    if (!device.TakeMemoryChanged() || !keeping)
        return std::nullopt;
    return TChangedMemory{++memoryChanges, device.SavedMemory()};
}

void TSimulatedProcessor::Keep(const std::optional<TChangedMemory>& changed) {
    if (!changed)
        return;
    const std::lock_guard lock(keepMutex);
    // Taken on another thread after this one was, and kept already.
    if (changed->Number <= keptChange || !keeper)
        return;
    keptChange = changed->Number;
    keeper(changed->Bytes);
}

void TSimulatedProcessor::FactoryReset() {
    std::optional<TChangedMemory> changed;
    {
        const std::lock_guard deviceLock(deviceMutex);
        device.FactoryReset();
        changed = ChangedMemory();
    }
    Keep(changed);
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TSimulatedProcessor::TurnTo(int bank, int slot) {
    std::optional<std::vector<TBytes>> sent;
    std::optional<TChangedMemory> changed;
    {
        const std::lock_guard deviceLock(deviceMutex);
        sent = device.TurnTo(bank, slot);
        changed = ChangedMemory();
    }
    Keep(changed);
    if (!sent)
        return false;
    {
        const std::lock_guard lock(mutex);
        for (TBytes& message : *sent) {
            const Clock::time_point start = std::max(Clock::now(), outputWireFree);
            outputWireFree = start + WireTime(message.size());
            Schedule(outputWireFree, false, std::move(message));
        }
    }
    wake.notify_one();
    return true;
}

TSimulatedProcessor::Clock::duration TSimulatedProcessor::WireTime(std::size_t bytes) const {
    return byteTime.load() * static_cast<long>(bytes);
}

void TSimulatedProcessor::Receive(const std::uint8_t* bytes, std::size_t count) {
    std::unique_lock lock(mutex);
    for (TBytes& message : assembler.Feed(bytes, count)) {
        // A message is whole only once its last byte has crossed the cable.
        const Clock::time_point arrival =
            std::max(Clock::now(), inputWireFree) + WireTime(message.size());
        inputWireFree = arrival;
        events.push({arrival, order++, true, std::move(message)});
    }
    lock.unlock();
    wake.notify_one();
}

void TSimulatedProcessor::Schedule(Clock::time_point due, bool incoming, TBytes bytes) {
    events.push({due, order++, incoming, std::move(bytes)});
}

void TSimulatedProcessor::Run() {
    std::unique_lock lock(mutex);
    for (;;) {
        if (stopping)
            return;
        if (events.empty()) {
            wake.wait(lock);
            continue;
        }
        // A copy: while waiting, new events may move the queue's storage.
        const Clock::time_point due = events.top().Due;
        if (Clock::now() < due) {
            wake.wait_until(lock, due);
            continue;
        }
        Event event = events.top();
        events.pop();
        if (!event.Incoming) {
            Log logger = log;
            lock.unlock();
            if (logger)
                logger("-> " + Describe(event.Bytes, device.Variant()));
            {
                const std::lock_guard sending(transmitMutex);
                if (transmit)
                    transmit(event.Bytes.data(), event.Bytes.size());
            }
            lock.lock();
            continue;
        }
        const auto taking = takeTime.load();
        if (!event.Taken && taking.count() > 0 &&
            ClassifyRequest(event.Bytes, device.Variant()).Kind == TRequestKind::PresetDump) {
            event.Taken = true;
            event.Due += taking;
            event.Order = order++;
            events.push(std::move(event));
            continue;
        }
        const int lose = loseSelectEvery;
        if (lose > 0 && ChoosesAPlace(event.Bytes, device.Variant()) &&
            ++selects % static_cast<std::uint64_t>(lose) == 0)
            continue;
        Log logger = log;
        lock.unlock();
        if (logger)
            logger("<- " + Describe(event.Bytes, device.Variant()));
        std::vector<TBytes> replies;
        std::optional<TChangedMemory> changed;
        {
            const std::lock_guard deviceLock(deviceMutex);
            replies = device.Handle(event.Bytes);
            changed = ChangedMemory();
        }
        Keep(changed);
        lock.lock();
        for (TBytes& reply : replies) {
            ++answers;
            const int every = dropEvery;
            if (muted || (every > 0 && answers % static_cast<std::uint64_t>(every) == 0))
                continue;
            Clock::time_point start = std::max(event.Due + latency.load(), outputWireFree);
            const int late = lateEvery;
            if (late > 0 && answers % static_cast<std::uint64_t>(late) == 0)
                start += lateBy.load();
            const Clock::time_point done = start + WireTime(reply.size());
            outputWireFree = done;
            const int twice = duplicateEvery;
            if (twice > 0 && answers % static_cast<std::uint64_t>(twice) == 0) {
                outputWireFree = done + WireTime(reply.size());
                Schedule(outputWireFree, false, reply);
            }
            Schedule(done, false, std::move(reply));
        }
    }
}

std::string TSimulatedProcessor::Describe(TByteView message, const TDeviceMode& variant) {
    char head[64];
    std::string bytes;
    for (std::size_t i = 0; i < message.size() && i < 9; ++i) {
        std::snprintf(head, sizeof head, "%02X ", message[i]);
        bytes += head;
    }
    if (message.size() > 9)
        bytes += "... ";
    const TRequest request = ClassifyRequest(message, variant);
    std::string what;
    switch (request.Kind) {
    case TRequestKind::RequestCurrentPreset:
        what = "request current preset";
        break;
    case TRequestKind::SelectPreset:
        what = "select preset " + std::to_string(request.Index + 1);
        break;
    case TRequestKind::RequestParameter:
        what = "request parameter " + std::to_string(request.Address);
        break;
    case TRequestKind::SetParameter:
        what = message.size() >= 9 ? "parameter " + std::to_string(request.Address) + " is " +
                                         std::to_string(request.Value)
                                   : "set parameter " + std::to_string(request.Address) + " to " +
                                         std::to_string(request.Value);
        break;
    case TRequestKind::RequestAllPresets:
        what = "request all presets";
        break;
    case TRequestKind::RequestProgramTable:
        what = "request program table";
        break;
    case TRequestKind::StorePreset:
        what = "store preset in slot " + std::to_string(request.Index + 1);
        break;
    case TRequestKind::PresetDump:
        what = "preset dump \"" + PresetTitleOf(message) + "\"";
        break;
    case TRequestKind::ProgramTable:
        what = "program table";
        break;
    case TRequestKind::Unknown:
        what = !message.empty() && message[0] == 0xC0   ? "program change"
               : !message.empty() && message[0] == 0xB0 ? "control change"
                                                        : "ignored";
        break;
    }
    return "(" + std::to_string(message.size()) + " bytes) " + bytes + "- " + what;
}

std::shared_ptr<TSimulatedProcessor> AttachSimulatedProcessor(VirtualMidiService& service,
                                                              const TSimulatorOptions& options) {
    auto processor = std::make_shared<TSimulatedProcessor>(options);
    service.AttachDevice(kSimulatedDeviceName, processor);
    return processor;
}
