// Texts between memory (CP1251) and the screen (Unicode).
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "runtime/codepage.h"

namespace kw::qt {

inline QString fromCp(std::string_view s) {
    return QString::fromStdString(cp::toUtf8(s));
}
inline std::string toCp(const QString& s) {
    return cp::fromUtf8(s.toStdString());
}

}  // namespace kw::qt
