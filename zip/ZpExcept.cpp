#include "zip/ZpExcept.h"

EZpDeflateError::EZpDeflateError(const std::string& cause)
    : EZpException("Deflate error. (Internal cause: " + cause + ")"), cause_(cause)
{
}

EZpInflateError::EZpInflateError(const std::string& cause)
    : EZpException("Inflate error, possibly a corrupted compressed stream. (Internal cause: " + cause + ")"),
      cause_(cause)
{
}
