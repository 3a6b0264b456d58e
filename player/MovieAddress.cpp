#include "player/MovieAddress.h"

#include "res/Texts.h"
#include "text/PercentEncoding.h"

namespace kestrova {

std::string BuildMovieAddress(std::string_view playerPrefix, std::u16string_view videoId) {
    std::string address(playerPrefix);
    address += PercentEncode(videoId);
    address += texts::kMovieQuery;
    return address;
}

} // namespace kestrova
