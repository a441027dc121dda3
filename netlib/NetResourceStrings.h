// Message texts of the protocol components, kept in one place so that they
// can be translated. Texts with %s or %d are Format patterns.
#pragma once

// Binding of the Winsock 2 library
inline constexpr const char* RSWS2CallError = "Error on call Winsock2 library function %s";
inline constexpr const char* RSWS2LoadError = "Error on loading Winsock2 library (%s)";

// Socket stack
inline constexpr const char* RSStackError = "Socket Error # %d\r\n%s";
inline constexpr const char* RSStackInitializationFailed = "Winsock Initialization Error.";
inline constexpr const char* RSStackSetSizeExceeded = "Set Size Exceeded.";
inline constexpr const char* RSInvalidIPAddress = "%s is not a valid IP address.";
inline constexpr const char* RSInvalidServiceName = "%s is not a valid service.";
inline constexpr const char* RSCannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* RSStackHOST_NOT_FOUND = "Host not found.";
inline constexpr const char* RSStackEINTR = "Interrupted system call.";
inline constexpr const char* RSStackEBADF = "Bad file number.";
inline constexpr const char* RSStackEACCES = "Access denied.";
inline constexpr const char* RSStackEFAULT = "Bad address.";
inline constexpr const char* RSStackEINVAL = "Invalid argument.";
inline constexpr const char* RSStackEMFILE = "Too many open files.";
inline constexpr const char* RSStackEWOULDBLOCK = "Operation would block. ";
inline constexpr const char* RSStackEINPROGRESS = "Operation now in progress.";
inline constexpr const char* RSStackEALREADY = "Operation already in progress.";
inline constexpr const char* RSStackENOTSOCK = "Socket operation on non-socket.";
inline constexpr const char* RSStackEDESTADDRREQ = "Destination address required.";
inline constexpr const char* RSStackEMSGSIZE = "Message too long.";
inline constexpr const char* RSStackEPROTOTYPE = "Protocol wrong type for socket.";
inline constexpr const char* RSStackENOPROTOOPT = "Bad protocol option.";
inline constexpr const char* RSStackEPROTONOSUPPORT = "Protocol not supported.";
inline constexpr const char* RSStackESOCKTNOSUPPORT = "Socket type not supported.";
inline constexpr const char* RSStackEOPNOTSUPP = "Operation not supported on socket.";
inline constexpr const char* RSStackEPFNOSUPPORT = "Protocol family not supported.";
inline constexpr const char* RSStackEAFNOSUPPORT = "Address family not supported by protocol family.";
inline constexpr const char* RSStackEADDRINUSE = "Address already in use.";
inline constexpr const char* RSStackEADDRNOTAVAIL = "Cannot assign requested address.";
inline constexpr const char* RSStackENETDOWN = "Network is down.";
inline constexpr const char* RSStackENETUNREACH = "Network is unreachable.";
inline constexpr const char* RSStackENETRESET = "Net dropped connection or reset.";
inline constexpr const char* RSStackECONNABORTED = "Software caused connection abort.";
inline constexpr const char* RSStackECONNRESET = "Connection reset by peer.";
inline constexpr const char* RSStackENOBUFS = "No buffer space available.";
inline constexpr const char* RSStackEISCONN = "Socket is already connected.";
inline constexpr const char* RSStackENOTCONN = "Socket is not connected.";
inline constexpr const char* RSStackESHUTDOWN = "Cannot send or receive after socket is closed.";
inline constexpr const char* RSStackETOOMANYREFS = "Too many references, cannot splice.";
inline constexpr const char* RSStackETIMEDOUT = "Connection timed out.";
inline constexpr const char* RSStackECONNREFUSED = "Connection refused.";
inline constexpr const char* RSStackELOOP = "Too many levels of symbolic links.";
inline constexpr const char* RSStackENAMETOOLONG = "File name too long.";
inline constexpr const char* RSStackEHOSTDOWN = "Host is down.";
inline constexpr const char* RSStackEHOSTUNREACH = "No route to host.";
inline constexpr const char* RSStackENOTEMPTY = "Directory not empty";

// Components, socket handle and helpers
inline constexpr const char* RSStatusResolving = "Resolving hostname %s.";
inline constexpr const char* RSStatusConnecting = "Connecting to %s.";
inline constexpr const char* RSStatusConnected = "Connected.";
inline constexpr const char* RSStatusDisconnecting = "Disconnecting.";
inline constexpr const char* RSStatusDisconnected = "Disconnected.";
inline constexpr const char* RSStatusText = "%s";
inline constexpr const char* RSConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* RSPackageSizeTooBig = "Package Size Too Big.";
inline constexpr const char* RSNotAllBytesSent = "Not all bytes sent.";
inline constexpr const char* RSCouldNotBindSocket = "Could not bind socket. Address and port are already in use.";
inline constexpr const char* RSCanNotBindPortInRange = "Can not bind in port range (%d - %d)";
inline constexpr const char* RSInvalidPortRange = "Invalid Port Range (%d - %d)";
inline constexpr const char* RSFailedTimeZoneInfo = "Failed attempting to retrieve time zone information.";
inline constexpr const char* RSURINoProtocol = "Protocol field is empty";
inline constexpr const char* RSURINoHost = "Host field is empty";
inline constexpr const char* RSURIInvalidPort = "Invalid port in URL: \"%s\"";
inline constexpr const char* RSOnlyOneAntiFreeze = "Only one TNetAntiFreeze can exist per application.";

// TCP connection
inline constexpr const char* RSAlreadyConnected = "Already connected.";
inline constexpr const char* RSDisconnected = "Disconnected.";
inline constexpr const char* RSReadTimeout = "Read Timeout";
inline constexpr const char* RSReadLnMaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr const char* RSConnectTimeout = "Connect timed out.";
inline constexpr const char* RSNotEnoughDataInBuffer = "Not enough data in buffer.";
inline constexpr const char* RSIOHandlerPropInvalid = "IOHandler value is not valid";
inline constexpr const char* RSNoDataToRead = "No data to read.";
inline constexpr const char* RSNotConnected = "Not Connected";
inline constexpr const char* RSFileNotFound = "File \"%s\" not found";
inline constexpr const char* RSInvalidByteCount = "Invalid byte count: %d";
inline constexpr const char* RSReplyMalformed = "Malformed reply line: \"%s\"";

// SOCKS
inline constexpr const char* RSSocksRequestFailed = "Request rejected or failed.";
inline constexpr const char* RSSocksRequestServerFailed = "Request rejected because SOCKS server cannot connect.";
inline constexpr const char* RSSocksRequestIdentFailed =
    "Request rejected because the client program and identd report different user-ids.";
inline constexpr const char* RSSocksUnknownError = "Unknown socks error.";
inline constexpr const char* RSSocksServerRespondError = "Socks server did not respond.";
inline constexpr const char* RSSocksAuthMethodError = "Invalid socks authentication method.";
inline constexpr const char* RSSocksAuthError = "Authentication error to socks server.";
inline constexpr const char* RSSocksServerGeneralError = "General SOCKS server failure.";
inline constexpr const char* RSSocksServerPermissionError = "Connection not allowed by ruleset.";
inline constexpr const char* RSSocksServerNetUnreachableError = "Network unreachable.";
inline constexpr const char* RSSocksServerHostUnreachableError = "Host unreachable.";
inline constexpr const char* RSSocksServerConnectionRefusedError = "Connection refused.";
inline constexpr const char* RSSocksServerTTLExpiredError = "TTL expired.";
inline constexpr const char* RSSocksServerCommandError = "Command not supported.";
inline constexpr const char* RSSocksServerAddressError = "Address type not supported.";
inline constexpr const char* RSSocksFieldTooLong = "The SOCKS %s is longer than 255 characters.";

// Header list, coders, authentication, cookies
inline constexpr const char* RSUnevenSizeInEncode = "Uneven size in Encode.";
inline constexpr const char* RSUnevenSizeInDecodeToStream = "Uneven size in DecodeToStream.";
inline constexpr const char* RSInvalidCodeCharacter = "Invalid character in DecodeToStream.";
inline constexpr const char* RSCookieIndexOutOfRange = "Index out of range.";
inline constexpr const char* RSLineBreakInHeader = "A line break is not allowed in %s.";

// HTTP
inline constexpr const char* RSHTTPChunkStarted = "Chunk Started";
inline constexpr const char* RSHTTPMethodRequiresVersion = "This request method is supported in HTTP 1.1";
inline constexpr const char* RSHTTPUnknownProtocol = "Unknown protocol";
inline constexpr const char* RSHTTPUndefinedSituation = "Undefined situation";
inline constexpr const char* RSHTTPBadChunkSize = "Invalid chunk size: \"%s\"";
inline constexpr const char* RSHTTPMalformedStatusLine = "Malformed status line: \"%s\"";
inline constexpr const char* RSHTTPHeaderTooLong = "The response header is too long.";
inline constexpr const char* RSHTTPTooManyInterim = "Too many interim responses.";
inline constexpr const char* RSHTTPTrailerTooLong = "The trailer of the response is too long.";
inline constexpr const char* RSHTTPBodyCut = "The response body is longer than %d bytes.";

// TLS
inline constexpr const char* RSOSSLModeNotSet = "Mode has not been set.";
inline constexpr const char* RSOSSLCouldNotLoadSSLLibrary = "Could not load SSL library.";
inline constexpr const char* RSOSSLStatusString = "SSL status: \"%s\"";
inline constexpr const char* RSOSSLGetMethodError = "Error geting SSL method.";
inline constexpr const char* RSOSSLCreatingContextError = "Error creating SSL context.";
inline constexpr const char* RSOSSLLoadingRootCertError = "Could not load root certificate.";
inline constexpr const char* RSOSSLLoadingCertError = "Could not load certificate.";
inline constexpr const char* RSOSSLLoadingKeyError = "Could not load key, check password.";
inline constexpr const char* RSOSSLSettingCipherError = "SetCipher failed.";
inline constexpr const char* RSOSSLDataBindingError = "Error binding data to SSL socket.";
inline constexpr const char* RSOSSLConnectError = "Error connecting with SSL.";
inline constexpr const char* RSOSSLAcceptError = "Error accepting connection with SSL.";
inline constexpr const char* RSOSSLReadError = "Error reading with SSL.";
inline constexpr const char* RSOSSLWriteError = "Error writing with SSL.";

inline constexpr const char* RSAuthenticationMethodAlreadyRegistered =
    "This authentication method is already registered with class name %s.";

// ICMP
inline constexpr const char* RSIcmpNotEnoughBytes = "Not enough bytes received";
inline constexpr const char* RSIcmpNonEchoResponse = "Non-echo type response received";
