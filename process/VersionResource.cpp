#include "process/VersionResource.h"

#include "res/ProgramVersion.h"

namespace kestrova {

VersionBlock ProgramVersionBlock() {
    const std::u16string table = u"\\StringFileInfo\\041104b0\\";
    VersionBlock block;
    block.translations = {{0x0411, 0x04B0}};
    block.strings = {
        {table + u"CompanyName", u"Corvanel"},
        {table + u"FileDescription", u"Kestrova video player"},
        {table + u"FileVersion", std::u16string(kProgramVersion)},
        {table + u"InternalName", u"kestrova"},
        {table + u"LegalCopyright", u"Copyright (C) 2026 Corvanel"},
        {table + u"OriginalFilename", u"kestrova"},
        {table + u"ProductName", u"Kestrova"},
        {table + u"ProductVersion", std::u16string(kProgramVersion)},
    };
    return block;
}

} // namespace kestrova
