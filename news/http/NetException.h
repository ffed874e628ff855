// The exceptions of the HTTP client. Every failure of a request reaches the caller as one of these.
#pragma once

#include <stdexcept>
#include <string>

namespace skyloom {

class ENetException : public std::runtime_error {
public:
    explicit ENetException(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

class ENetConnClosedGracefully : public ENetException {
public:
    ENetConnClosedGracefully() : ENetException("Connection Closed Gracefully.") {}
};

class ENetReadLnMaxLineLengthExceeded : public ENetException {
public:
    ENetReadLnMaxLineLengthExceeded() : ENetException("Max line length exceeded.") {}
};

class ENetIOHandlerPropInvalid : public ENetException {
public:
    ENetIOHandlerPropInvalid() : ENetException("IOHandler value is not valid") {}
};

class ENetUnknownProtocol : public ENetException {
public:
    ENetUnknownProtocol() : ENetException("") {}
};

// A reply with more header lines than the client accepts (see TNetCustomHTTP::MaxHeaderLines).
class ENetReplyHeaderLimitExceeded : public ENetException {
public:
    ENetReplyHeaderLimitExceeded() : ENetException("Too many header lines in the reply.") {}
};

// A reply body larger than the client accepts (see TNetCustomHTTP::MaxBodySize).
class ENetReplyTooLarge : public ENetException {
public:
    explicit ENetReplyTooLarge(long long limit)
        : ENetException("Reply body larger than " + std::to_string(limit) + " bytes.")
    {
    }
};

// A server that answers with one interim reply after another (see TNetCustomHTTP::MaxInterimReplies).
class ENetTooManyInterimReplies : public ENetException {
public:
    ENetTooManyInterimReplies() : ENetException("Too many interim replies.") {}
};

// "Socket Error # <n>\r\n<text>" with the WinSock error number (POSIX errors are mapped to those numbers).
class ENetSocketError : public ENetException {
public:
    explicit ENetSocketError(int errorCode);
    int LastError() const { return FLastError; }

private:
    int FLastError;
};

class ENetNotASocket : public ENetSocketError {
public:
    ENetNotASocket() : ENetSocketError(10038) {}
};

// The WinSock text of an error number; empty for numbers without one.
std::string SocketErrorText(int errorCode);
[[noreturn]] void RaiseSocketError(int errorCode);

class ENetReplyRFCError : public ENetException {
public:
    ENetReplyRFCError(int errorCode, const std::string& message) : ENetException(message), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

class ENetHTTPProtocolException : public ENetReplyRFCError {
public:
    ENetHTTPProtocolException(int errorCode, const std::string& statusLine, std::string errorMessage)
        : ENetReplyRFCError(errorCode, statusLine), FErrorMessage(std::move(errorMessage))
    {
    }
    // The reply body.
    const std::string& ErrorMessage() const { return FErrorMessage; }

private:
    std::string FErrorMessage;
};

} // namespace skyloom
