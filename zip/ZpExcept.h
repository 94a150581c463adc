// The zip engine's exception family. Every class derives from EZpException,
// which carries a numeric code from the message table (ZpConst); the
// archive-level classes take their message from that table by default.
#pragma once

#include <string>

#include "platform/Exception.h"
#include "zip/ZpConst.h"

class EZpException : public Exception {
public:
    explicit EZpException(const std::string& message, int errorCode = 0)
        : Exception(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

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

// Raised by a progress hook to abort a Deflate or Inflate call.
class EZpAbortProgress : public EZpException {
public:
    using EZpException::EZpException;
};
