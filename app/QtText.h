// The one crossing between the program's UTF-8 text and Qt's strings.
#pragma once

#include <QString>

#include <string>
#include <string_view>

inline QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string S(const QString& s)
{
    return s.toStdString();
}
