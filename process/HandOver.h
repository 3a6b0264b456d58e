#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// How a later start hands its address to the Kestrova that runs with the same data folder:
// over a local socket, so no session bus is needed. The later start connects, sends the
// request (kHandOverGreeting, then the address, possibly empty) and closes its sending side;
// the running Kestrova answers kHandOverAnswer once it has taken the request. Each side makes
// sure that the other belongs to the same user.

inline constexpr std::string_view kHandOverGreeting = "kestrova-open 1\n";
inline constexpr std::string_view kHandOverAnswer = "ok\n";
// More than any command line can carry.
inline constexpr std::size_t kHandOverMaxRequest = 256 * 1024;

// The socket's name: in the abstract namespace (nothing on disk that a killed Kestrova could
// leave behind), made of the user's id and the data folder's canonical path.
std::string HandOverSocketName(const std::filesystem::path& dataFolder);

struct HandOverResult {
    enum Outcome {
        Answered,   // the running Kestrova took the address
        NoListener, // nobody listens, or the connection ended without an answer
        NoAnswer,   // connected, but no answer before the deadline, or not the user's own
    };
    Outcome outcome;
    std::string why; // for the debug console, when not answered
};

// Hands the address over and waits for the answer, never beyond `deadline`.
HandOverResult HandOver(const std::string& socketName, std::string_view address,
                        std::chrono::steady_clock::time_point deadline);

// Listens on the socket (non-blocking, close-on-exec); -1 with errno set when it cannot.
int ListenForHandOvers(const std::string& socketName);
// The next connection of the listening socket from a process of the same user (non-blocking);
// -1 when none waits. Connections of other users are closed.
int AcceptHandOver(int listening);
// The address of a whole request, none when it is not one.
std::optional<std::string> ParseHandOver(std::string_view request);

} // namespace kestrova
