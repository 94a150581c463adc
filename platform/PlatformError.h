// Exceptions of the platform layer. Most Windows-style calls report failure
// by their result, as the calls they stand for do; these are raised where a
// result cannot say it: the machine folder or its files are unusable, or a
// conversion cannot be set up.
#pragma once

#include <string>

#include "platform/Exception.h"

class EPlatformError : public Exception {
public:
    using Exception::Exception;
};

// The machine folder is missing, or registry.ini / drives.ini cannot be used.
// The message names the file and, for a bad line, its number.
class EMachineError : public EPlatformError {
public:
    using EPlatformError::EPlatformError;
};

// A file operation failed; ErrorCode is the host's errno value.
class EInOutError : public EPlatformError {
public:
    EInOutError(const std::string& message, int errorCode) : EPlatformError(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};
