#pragma once

// The crossing between the program's GBK texts and Qt's UTF-16 strings.

#include <QString>
#include <string_view>

#include "text/code_pages.h"
#include "text/text_types.h"

namespace quillet {

inline QString GbkToQString(std::string_view gbk) {
    const Utf16Bytes units = GbkToUtf16Bytes(UpToNul(gbk), true);
    std::u16string u16 = BytesToUnits(units);
    return QString::fromUtf16(u16.data(), static_cast<qsizetype>(u16.size()));
}

inline Text QStringToGbk(const QString& text) {
    std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<std::size_t>(text.size()));
    return Utf16BytesToGbk(UnitsToBytes(units));
}

}  // namespace quillet
