#pragma once

#include "process/Seam.h"
#include "profile/SaveResult.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kestrova {

// Whole-file reading and replacing for the data files: only a regular file of bounded size is
// read, and a file is replaced atomically, so a crash never leaves a half-written one.
class AtomicFile {
public:
    static constexpr std::size_t kMaxReadSize = std::size_t(64) << 20;

    enum class ReadStatus { Read, Missing, Unreadable };
    struct ReadResult {
        ReadStatus status = ReadStatus::Missing;
        std::string bytes;
    };

    // The bytes of a regular file (symbolic links followed) of at most maxSize bytes. A
    // directory, FIFO, device, socket or larger file is Unreadable, and is never opened.
    static ReadResult read(const std::filesystem::path& path, std::size_t maxSize = kMaxReadSize);

    // Writes bytes to a temporary file in the same folder, flushes it to disk and renames it
    // over the file (through a symbolic link to where it points). A file that exists but
    // could not be read (not a regular file, or too large), or is read-only, is never replaced;
    // nor is a file replaced by more than kMaxReadSize bytes, which could not be read back.
    // Leftover temporary files of earlier saves of this file are removed first (see
    // removeStaleTemporaries).
    static SaveResult replace(const std::filesystem::path& path, std::string_view bytes);

    // Removes the temporary files of saves of `target` that were killed while they wrote
    // (".NAME.PID.N.tmp" beside it): those older than kStaleAge or whose process is gone.
    static void removeStaleTemporaries(const std::filesystem::path& target);
    static constexpr int kStaleAgeSeconds = 60;

    // Stands in for write(2) to the temporary file, so a test can make a save fail half-way.
    using WriteHook = std::function<long(int fd, const char* data, std::size_t size)>;
    static Seam<WriteHook>& WriteSeam();
};

} // namespace kestrova
