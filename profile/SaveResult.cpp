#include "profile/SaveResult.h"

#include <ostream>

namespace kestrova {

std::string_view SaveResult::name() const {
    switch (m_value) {
    case Saved:
        return "saved";
    case NotReplaced:
        return "not replaced: unreadable or not a regular file";
    case ReadOnly:
        return "read-only";
    case TooLarge:
        return "too large to be read back";
    case WriteFailed:
        break;
    }
    return "write failed";
}

std::ostream& operator<<(std::ostream& out, SaveResult result) {
    return out << result.name();
}

} // namespace kestrova
