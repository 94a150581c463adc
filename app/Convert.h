// Text to number conversion with the error the application shows.
#pragma once

#include <string>
#include <string_view>

#include "platform/Exception.h"

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A whole decimal number: leading blanks, an optional sign, digits, within
// the range of a 32-bit integer. Anything else raises EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);
