// Exceptions of the zip engine: one family under EZpException.
//
// The Deflate engine's classes live here so that the archive side (reader,
// writer, components) can share the root and add its own classes below it.
// Engine errors travel inside the engine as EZpInternal...Error carrying the
// bare cause text and reach callers as EZpDeflateError / EZpInflateError
// with the full message form.
#pragma once

#include <string>

#include "platform/Exception.h"

class EZpException : public Exception {
public:
    using Exception::Exception;
};

// ---- Deflate engine -------------------------------------------------------

// What callers of Deflate see: "Deflate error. (Internal cause: <cause>)".
class EZpDeflateError : public EZpException {
public:
    explicit EZpDeflateError(const std::string& cause);
    const std::string& Cause() const { return cause_; }

private:
    std::string cause_;
};

// What callers of Inflate see:
// "Inflate error, possibly a corrupted compressed stream. (Internal cause: <cause>)".
class EZpInflateError : public EZpException {
public:
    explicit EZpInflateError(const std::string& cause);
    const std::string& Cause() const { return cause_; }

private:
    std::string cause_;
};

// Raised inside the encoder with the bare cause; Deflate converts it.
class EZpInternalDeflateError : public EZpException {
public:
    using EZpException::EZpException;
};

// Raised inside the decoder with the bare cause; Inflate converts it.
class EZpInternalInflateError : public EZpException {
public:
    using EZpException::EZpException;
};

// Wrong password for an encrypted stream; nothing was consumed or written.
class EZpInflatePasswordError : public EZpException {
public:
    using EZpException::EZpException;
};

// Raised (without text) when StopAfterSize is reached; Inflate catches it.
class EZpPartSizedInflate : public EZpException {
public:
    EZpPartSizedInflate() : EZpException("") {}
};

// Raised by a progress hook to abort a Deflate or Inflate call.
class EZpAbortProgress : public EZpException {
public:
    using EZpException::EZpException;
};

// Programming errors inside the engine (broken internal invariants). The
// message is the fixed text of the check that failed.
class EZpAssertionFailed : public EZpException {
public:
    using EZpException::EZpException;
};

// ---- Bit bucket (sink used when testing archive entries) -----------------

class EZpBBSWriteTooManyBytes : public EZpException {
public:
    using EZpException::EZpException;
};
class EZpBBSInvalidOrigin : public EZpException {
public:
    using EZpException::EZpException;
};
class EZpBBSSeekOutsideBuffer : public EZpException {
public:
    using EZpException::EZpException;
};
class EZpBBSReadTooManyBytes : public EZpException {
public:
    using EZpException::EZpException;
};

// Throws EZpAssertionFailed with the given text when the condition is false.
// The checks stay active in release builds: they guard memory safety.
inline void ZpAssert(bool condition, const char* text)
{
    if (!condition) [[unlikely]]
        throw EZpAssertionFailed(text);
}
