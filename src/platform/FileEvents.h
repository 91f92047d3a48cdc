#pragma once

// Streams of file-system events: every changed file under the watched folders
// reported by its own path.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corv::platform {

class FileEventStream {
public:
    // Destroying the stream stops it.
    virtual ~FileEventStream() = default;
    virtual void start() = 0;
};

// The changed paths of one batch, in order, on the main thread.
using FileEventCallback = std::function<void(const std::vector<std::string>& paths)>;

class FileEvents {
public:
    virtual ~FileEvents() = default;
    // Events from now on, batched over `latency` seconds; null when the
    // stream cannot be made.
    virtual std::unique_ptr<FileEventStream> createStream(const std::vector<std::string>& folders, double latency,
                                                          FileEventCallback callback) = 0;
};

} // namespace corv::platform
