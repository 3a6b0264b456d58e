#include "engine/mpv/MpvLog.h"

#include <mpv/client.h>

namespace kestrova {

bool checkMpv(int result, const char* what) {
    if (result >= 0)
        return true;
    qCWarning(lcPlayer, "%s failed: %s", what, mpv_error_string(result));
    return false;
}

} // namespace kestrova
