#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// The address the player loads for a video: the player prefix, the percent-encoded ID (so no
// ID can change the address's path or query), then the fixed query. An empty ID gives the
// prefix followed directly by the query. The result is UTF-8.
std::string BuildMovieAddress(std::string_view playerPrefix, std::u16string_view videoId);

} // namespace kestrova
