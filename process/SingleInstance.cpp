#include "process/SingleInstance.h"

#include "process/HandOver.h"

#include <thread>

namespace kestrova {

namespace {

constexpr std::chrono::milliseconds kRetryPause{20};

std::string holderText(const std::filesystem::path& lockFile) {
    const auto holder = InstanceLock::holderOf(lockFile);
    return holder ? " (process " + std::to_string(*holder) + ")" : std::string();
}

} // namespace

InstanceClaim ClaimDataFolder(const std::filesystem::path& lockFile, const std::string& socketName,
                              std::string_view address, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        InstanceLock lock = InstanceLock::take(lockFile);
        if (lock.status() == InstanceLock::Status::Taken) {
            return {InstanceClaim::First, std::move(lock), {}};
        }
        const HandOverResult handed = HandOver(socketName, address, deadline);
        if (handed.outcome == HandOverResult::Answered) {
            return {InstanceClaim::HandedOver, std::move(lock), {}};
        }
        if (lock.status() == InstanceLock::Status::Unavailable) {
            // Without a lock there is no one to wait for: the program runs as before.
            std::string why = "no lock: " + lock.why();
            return {InstanceClaim::First, std::move(lock), std::move(why)};
        }
        const bool late = std::chrono::steady_clock::now() + kRetryPause >= deadline;
        if (handed.outcome == HandOverResult::NoAnswer || late) {
            return {InstanceClaim::NoAnswer, std::move(lock),
                    "the Kestrova of " + lockFile.parent_path().string() + holderText(lockFile) +
                        " did not answer: " + handed.why};
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

} // namespace kestrova
