#pragma once

#include "process/InstanceLock.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrova {

// One Kestrova per data folder. The first start holds the lock on the folder's lock file for
// its whole run and takes the addresses of later starts on the folder's hand-over socket; a
// later start hands its address over and ends, touching nothing.
struct InstanceClaim {
    enum Outcome {
        First,      // this start runs: it holds the lock (unless the lock was unavailable)
        HandedOver, // the running Kestrova took the address
        NoAnswer,   // the running Kestrova did not answer in time
    };
    Outcome outcome;
    InstanceLock lock;
    std::string why; // for the debug console: why there is no answer, or no lock
};

// How long a later start waits for the running Kestrova.
inline constexpr std::chrono::milliseconds kHandOverPatience{2000};

// Takes the lock, or hands the address over. A Kestrova that is just starting or just ending
// holds the lock without listening: the later start tries again, until it can take the lock
// itself or the patience runs out.
InstanceClaim ClaimDataFolder(const std::filesystem::path& lockFile, const std::string& socketName,
                              std::string_view address,
                              std::chrono::milliseconds patience = kHandOverPatience);

} // namespace kestrova
