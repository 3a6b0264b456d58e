#include "profile/DataLog.h"

#include <QString>

namespace kestrova {

Q_LOGGING_CATEGORY(lcData, "kestrova.data", QtCriticalMsg)

SaveResult ReportSave(std::u16string_view fileName, SaveResult result) {
    if (!result) {
        const std::string_view why = result.name();
        qCWarning(lcData, "%s not saved: %.*s",
                  qPrintable(QString::fromUtf16(fileName.data(), qsizetype(fileName.size()))),
                  int(why.size()), why.data());
    }
    return result;
}

} // namespace kestrova
