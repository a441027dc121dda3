// The exception tree of the protocol components.
#pragma once
#include <cstdint>
#include <string>

#include "classlib/SysUtils.h"

CLASSLIB_EXCEPTION(ENetException, Exception);
CLASSLIB_EXCEPTION(ENetSilentException, ENetException);
CLASSLIB_EXCEPTION(ENetConnClosedGracefully, ENetSilentException);
CLASSLIB_EXCEPTION(ENetAlreadyConnected, ENetException);
CLASSLIB_EXCEPTION(ENetClosedSocket, ENetException);
CLASSLIB_EXCEPTION(ENetReadTimeout, ENetException);
CLASSLIB_EXCEPTION(ENetReadLnMaxLineLengthExceeded, ENetException);
CLASSLIB_EXCEPTION(ENetInvalidServiceName, ENetException);

// A server's numbered reply that the caller did not accept.
class ENetProtocolReplyError : public ENetException {
public:
  int ReplyErrorCode;
  ENetProtocolReplyError(int Code, std::string Msg) : ENetException(std::move(Msg)), ReplyErrorCode(Code) {}
  std::string ClassName() const override { return "ENetProtocolReplyError"; }
};
CLASSLIB_EXCEPTION(ENetSSLProtocolReplyError, ENetProtocolReplyError);

CLASSLIB_EXCEPTION(ENetConnectTimeout, ENetException);
CLASSLIB_EXCEPTION(ENetConnectException, ENetException);
CLASSLIB_EXCEPTION(ENetSocksError, ENetException);
CLASSLIB_EXCEPTION(ENetSocksUnknownError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerRespondError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksRequestFailed, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksRequestServerFailed, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksRequestIdentFailed, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksAuthMethodError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksAuthError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerGeneralError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerPermissionError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerNetUnreachableError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerHostUnreachableError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerConnectionRefusedError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerTTLExpiredError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerCommandError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetSocksServerAddressError, ENetSocksError);
CLASSLIB_EXCEPTION(ENetInvalidSocket, ENetException);

// A failed socket call, with its Winsock error code.
class ENetSocketError : public ENetException {
public:
  int LastError;
  ENetSocketError(int Code, std::string Msg) : ENetException(std::move(Msg)), LastError(Code) {}
  std::string ClassName() const override { return "ENetSocketError"; }
};

CLASSLIB_EXCEPTION(ENetIcmpException, ENetException);

// The Winsock 2 library or one of its functions could not be reached.
// Message: the system's text for the code, ": " and the title; the title
// alone when the code is 0 or the system has no text for it.
class ENetWS2StubError : public ENetException {
public:
  uint32_t Win32Error;
  std::string Win32ErrorMessage;
  std::string Title;
  ENetWS2StubError(uint32_t Code, std::string ATitle);
  std::string ClassName() const override { return "ENetWS2StubError"; }
};

CLASSLIB_EXCEPTION(ENetStackError, ENetException);
CLASSLIB_EXCEPTION(ENetStackInitializationFailed, ENetStackError);
CLASSLIB_EXCEPTION(ENetStackSetSizeExceeded, ENetStackError);
CLASSLIB_EXCEPTION(ENetInvalidIPAddress, ENetStackError);
CLASSLIB_EXCEPTION(ENetURIException, ENetException);
CLASSLIB_EXCEPTION(ENetFailedToRetreiveTimeZoneInfo, ENetException);
CLASSLIB_EXCEPTION(ENetSocketHandleError, ENetException);
CLASSLIB_EXCEPTION(ENetPackageSizeTooBig, ENetSocketHandleError);
CLASSLIB_EXCEPTION(ENetNotAllBytesSent, ENetSocketHandleError);
CLASSLIB_EXCEPTION(ENetCouldNotBindSocket, ENetSocketHandleError);
CLASSLIB_EXCEPTION(ENetCanNotBindPortInRange, ENetSocketHandleError);
CLASSLIB_EXCEPTION(ENetInvalidPortRange, ENetSocketHandleError);
CLASSLIB_EXCEPTION(ENetTCPConnectionError, ENetException);
CLASSLIB_EXCEPTION(ENetNotEnoughDataInBuffer, ENetTCPConnectionError);
CLASSLIB_EXCEPTION(ENetIOHandlerPropInvalid, ENetTCPConnectionError);
CLASSLIB_EXCEPTION(ENetNoDataToRead, ENetTCPConnectionError);
CLASSLIB_EXCEPTION(ENetNotConnected, ENetTCPConnectionError);
CLASSLIB_EXCEPTION(ENetFileNotFound, ENetTCPConnectionError);
CLASSLIB_EXCEPTION(ENetAlreadyRegisteredAuthenticationMethod, ENetException);
CLASSLIB_EXCEPTION(ENetUnknownProtocol, ENetException);

// An HTTP reply the caller did not accept, with the body the server sent.
class ENetHTTPProtocolException : public ENetProtocolReplyError {
public:
  std::string ErrorMessage;
  ENetHTTPProtocolException(int Code, std::string Msg, std::string Body)
      : ENetProtocolReplyError(Code, std::move(Msg)), ErrorMessage(std::move(Body)) {}
  std::string ClassName() const override { return "ENetHTTPProtocolException"; }
};

CLASSLIB_EXCEPTION(ENetOpenSSLError, ENetException);
CLASSLIB_EXCEPTION(ENetOpenSSLLoadError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLCouldNotLoadSSLLibrary, ENetOpenSSLLoadError);
CLASSLIB_EXCEPTION(ENetOSSLLoadingRootCertError, ENetOpenSSLLoadError);
CLASSLIB_EXCEPTION(ENetOSSLLoadingCertError, ENetOpenSSLLoadError);
CLASSLIB_EXCEPTION(ENetOSSLLoadingKeyError, ENetOpenSSLLoadError);
CLASSLIB_EXCEPTION(ENetOSSLModeNotSet, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLGetMethodError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLCreatingContextError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLSettingCipherError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLDataBindingError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLConnectError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLAcceptError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLReadError, ENetOpenSSLError);
CLASSLIB_EXCEPTION(ENetOSSLWriteError, ENetOpenSSLError);
