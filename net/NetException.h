// The exception family of the FTP client: every failure of the socket layer,
// the command connection and the FTP client is an ENetException.
#pragma once

#include <string>

#include "platform/Exception.h"

class ENetException : public Exception {
public:
    using Exception::Exception;
};

// Raised for a close by the peer; callers that expect it end quietly.
class ENetSilentException : public ENetException { using ENetException::ENetException; };
class ENetConnClosedGracefully : public ENetSilentException {
public:
    ENetConnClosedGracefully() : ENetSilentException("Connection Closed Gracefully.") {}
};

class ENetNotConnected : public ENetException {
public:
    ENetNotConnected() : ENetException("Not Connected") {}
};
class ENetClosedSocket : public ENetException {
public:
    ENetClosedSocket() : ENetException("Disconnected.") {}
};
class ENetReadTimeout : public ENetException {
public:
    ENetReadTimeout() : ENetException("Read timed out.") {}
};
class ENetReadLnMaxLineLengthExceeded : public ENetException {
public:
    ENetReadLnMaxLineLengthExceeded() : ENetException("Max line length exceeded.") {}
};
class ENetReadLnWaitMaxAttemptsExceeded : public ENetException {
public:
    ENetReadLnWaitMaxAttemptsExceeded() : ENetException("Max line read attempts exceeded.") {}
};
class ENetConnectTimeout : public ENetException {
public:
    ENetConnectTimeout() : ENetException("Connect timed out.") {}
};
class ENetConnectException : public ENetException { using ENetException::ENetException; };
class ENetTooMuchDataInBuffer : public ENetException {
public:
    ENetTooMuchDataInBuffer() : ENetException("Too much data in buffer.") {}
};
class ENetNotEnoughDataInBuffer : public ENetException { using ENetException::ENetException; };

class ENetSocketHandleError : public ENetException { using ENetException::ENetException; };
class ENetCouldNotBindSocket : public ENetSocketHandleError {
public:
    ENetCouldNotBindSocket()
        : ENetSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};
class ENetInvalidPortRange : public ENetSocketHandleError { using ENetSocketHandleError::ENetSocketHandleError; };
class ENetCanNotBindPortInRange : public ENetSocketHandleError { using ENetSocketHandleError::ENetSocketHandleError; };
class ENetCannotSetIPVersionWhenConnected : public ENetSocketHandleError {
public:
    ENetCannotSetIPVersionWhenConnected() : ENetSocketHandleError("Cannot change IPVersion when connected") {}
};

// A failed socket call; carries the error in the Winsock numbering that
// the messages use (10061 refused, 11001 host not found, ...).
class ENetSocketError : public ENetException {
public:
    explicit ENetSocketError(int code);
    int LastError() const { return code_; }

private:
    int code_;
};
class ENetNotASocket : public ENetSocketError { using ENetSocketError::ENetSocketError; };

class ENetStackError : public ENetException { using ENetException::ENetException; };
class ENetIPVersionUnsupported : public ENetStackError {
public:
    ENetIPVersionUnsupported() : ENetStackError("The requested IPVersion / Address family is not supported.") {}
};
class ENetStackInitializationFailed : public ENetStackError { using ENetStackError::ENetStackError; };

class ENetIOHandler : public ENetException { using ENetException::ENetException; };
class ENetIOHandlerRequiresLargeStream : public ENetIOHandler {
public:
    ENetIOHandlerRequiresLargeStream()
        : ENetIOHandler("Set LargeStream to True to send streams greater than 2GB") {}
};

class ENetTCPConnectionError : public ENetException { using ENetException::ENetException; };
class ENetNoDataToRead : public ENetTCPConnectionError {
public:
    ENetNoDataToRead() : ENetTCPConnectionError("No data to read.") {}
};

class ENetAlreadyConnected : public ENetException {
public:
    ENetAlreadyConnected() : ENetException("Already connected.") {}
};
class ENetHostRequired : public ENetException {
public:
    ENetHostRequired() : ENetException("") {}
};
class ENetPortRequired : public ENetException {
public:
    ENetPortRequired() : ENetException("") {}
};
class ENetAcceptTimeout : public ENetException {
public:
    ENetAcceptTimeout() : ENetException("Accept timed out.") {}
};

class ENetReplyError : public ENetException { using ENetException::ENetException; };
// A reply whose code the command did not accept; the message is the reply's
// text lines, each followed by CR LF.
class ENetReplyRFCError : public ENetReplyError {
public:
    ENetReplyRFCError(int code, const std::string& message) : ENetReplyError(message), code_(code) {}
    int ErrorCode() const { return code_; }

private:
    int code_;
};

class ENetFTPException : public ENetException { using ENetException::ENetException; };
class ENetFTPWrongIOHandler : public ENetFTPException {
public:
    ENetFTPWrongIOHandler() : ENetFTPException("IOHandler is of wrong type.") {}
};
class ENetFTPUploadFileNameCanNotBeEmpty : public ENetFTPException {
public:
    ENetFTPUploadFileNameCanNotBeEmpty() : ENetFTPException("The destination filename can not be empty") {}
};
class ENetTLSClientTLSNotAvailable : public ENetException {
public:
    ENetTLSClientTLSNotAvailable() : ENetException("Start SSL negotiation command failed.") {}
};

// The second line of a socket error message; empty for unknown codes.
std::string NetSocketErrorText(int code);
// Throws ENetSocketError (ENetNotASocket for 10038) for the code.
[[noreturn]] void NetRaiseSocketError(int code);
