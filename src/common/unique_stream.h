// The owner of a C stream, closed by the scope that opened it on every path.
// No platform header: the launcher and the native maker share it.
#pragma once

#include <cstdio>
#include <memory>

namespace ZORVANE {

struct StreamCloser {
    void operator()(std::FILE* stream) const noexcept { std::fclose(stream); }
};
using UniqueStream = std::unique_ptr<std::FILE, StreamCloser>;

// Closes a stream that was written to and reports whether every byte reached
// the file; the stream is released either way.
[[nodiscard]] inline bool CloseWrittenStream(UniqueStream stream) { return std::fclose(stream.release()) == 0; }

}  // namespace ZORVANE
