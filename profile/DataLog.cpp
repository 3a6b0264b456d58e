#include "profile/DataLog.h"

#include "profile/DataFiles.h"
#include "profile/SaveWriter.h"

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

void SaveDataFile(std::u16string_view fileName,
                  std::function<SaveResult(const std::filesystem::path&)> write) {
    // Made before the writer, so that it outlives it: the writer writes what still waits as
    // the process ends, and reports a failure here.
    [[maybe_unused]] static const QLoggingCategory& category = lcData();
    const std::filesystem::path path = DataFilePath(fileName);
    DataFileWriter().save(path, [path, name = std::u16string(fileName), write = std::move(write)] {
        ReportSave(name, write(path));
    });
}

} // namespace kestrova
