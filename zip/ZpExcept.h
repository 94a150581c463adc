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
#include "zip/ZpConst.h"

// The root carries a code of the message table (ZpConst); 0 when the
// failure has no entry there (the engine's own errors).
class EZpException : public Exception {
public:
    explicit EZpException(const std::string& message, int errorCode = 0)
        : Exception(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
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

// ---- Archive side (records, reader, writer, components) -------------------

// A class whose message is the table's text of one code.
#define VORN_ZP_CODED_EXCEPTION(Name, Base, Code)                                   \
    class Name : public Base {                                                      \
    public:                                                                         \
        Name() : Base(ZpMessageText(Code), Code) {}                                 \
        explicit Name(const std::string& message, int errorCode = Code)             \
            : Base(message, errorCode) {}                                           \
    };

VORN_ZP_CODED_EXCEPTION(EZpZipInvalid, EZpException, zmcZipInvalid)
VORN_ZP_CODED_EXCEPTION(EZpNoArchive, EZpException, zmcNoArchive)
VORN_ZP_CODED_EXCEPTION(EZpUnhandledType, EZpException, zmcUnhandledType)
VORN_ZP_CODED_EXCEPTION(EZpFileTooLarge, EZpException, zmcFileTooLarge)
VORN_ZP_CODED_EXCEPTION(EZpNoSuchDirectory, EZpException, zmcNoSuchDirectory)
VORN_ZP_CODED_EXCEPTION(EZpFileNotFound, EZpException, zmcFileNotFound)
VORN_ZP_CODED_EXCEPTION(EZpUserAbort, EZpException, zmcUserAbort)
VORN_ZP_CODED_EXCEPTION(EZpSpanningNotSupported, EZpException, zmcSpanningNotSupported)
VORN_ZP_CODED_EXCEPTION(EZpZipSpanOverwrite, EZpException, zmcSpanOverwrite)
VORN_ZP_CODED_EXCEPTION(EZpZipNoInsertion, EZpException, zmcNoInsertion)
VORN_ZP_CODED_EXCEPTION(EZpBadStream, EZpException, zmcBadStream)
VORN_ZP_CODED_EXCEPTION(EZpZipVersion, EZpException, zmcZipVersion)
VORN_ZP_CODED_EXCEPTION(EZpZipBadSpanStream, EZpException, zmcBadSpanStream)
VORN_ZP_CODED_EXCEPTION(EZpZipInvalidPassword, EZpException, zmcInvalidPassword)
VORN_ZP_CODED_EXCEPTION(EZpZipStreamFull, EZpException, zmcStreamFull)
VORN_ZP_CODED_EXCEPTION(EZpZipInvalidMethod, EZpException, zmcInvalidMethod)
VORN_ZP_CODED_EXCEPTION(EZpZipBadCRC, EZpException, zmcBadCRC)
VORN_ZP_CODED_EXCEPTION(EZpZip64, EZpException, zmcZip64)
VORN_ZP_CODED_EXCEPTION(EZpUnsafeName, EZpException, zmcUnsafeName)
VORN_ZP_CODED_EXCEPTION(EZpTruncated, EZpException, zmcTruncated)
VORN_ZP_CODED_EXCEPTION(EZpZipEncrypted, EZpException, zmcEncrypted)

// Scratch stream failures; the message names the swap file.
VORN_ZP_CODED_EXCEPTION(EZpVMSError, EZpException, zmcVMSOpenSwap)
VORN_ZP_CODED_EXCEPTION(EZpVMSErrorOpenSwap, EZpVMSError, zmcVMSOpenSwap)
VORN_ZP_CODED_EXCEPTION(EZpVMSSeekFail, EZpVMSError, zmcVMSSeekFail)
VORN_ZP_CODED_EXCEPTION(EZpVMSReadFail, EZpVMSError, zmcVMSReadFail)
VORN_ZP_CODED_EXCEPTION(EZpVMSWriteFail, EZpVMSError, zmcVMSWriteFail)
VORN_ZP_CODED_EXCEPTION(EZpVMSInvalidOrigin, EZpVMSError, zmcVMSInvalidOrigin)

#undef VORN_ZP_CODED_EXCEPTION

// Throws EZpAssertionFailed with the given text when the condition is false.
// The checks stay active in release builds: they guard memory safety.
inline void ZpAssert(bool condition, const char* text)
{
    if (!condition) [[unlikely]]
        throw EZpAssertionFailed(text);
}
