#pragma once
// An ordered list of owned streams: the editor's undo and redo history of snapshots.

#include <memory>
#include <sstream>
#include <vector>

class TStreamList {
public:
    using Stream = std::stringstream;

    int Add(std::unique_ptr<Stream> stream) {
        streams.push_back(std::move(stream));
        return static_cast<int>(streams.size()) - 1;
    }
    // Still owned by the list.
    Stream* Get(int index) const {
        return index >= 0 && index < Count() ? streams[static_cast<std::size_t>(index)].get()
                                             : nullptr;
    }
    // Removes the entry and hands its stream to the caller.
    std::unique_ptr<Stream> Delete(int index) {
        if (index < 0 || index >= Count())
            return nullptr;
        auto stream = std::move(streams[static_cast<std::size_t>(index)]);
        streams.erase(streams.begin() + index);
        return stream;
    }
    void Clear() { streams.clear(); }
    int Count() const { return static_cast<int>(streams.size()); }

private:
    std::vector<std::unique_ptr<Stream>> streams;
};
