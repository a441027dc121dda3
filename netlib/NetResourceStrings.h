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
inline constexpr const char* RSAuthenticationMethodAlreadyRegistered =
    "This authentication method is already registered with class name %s.";

// ICMP
inline constexpr const char* RSIcmpNotEnoughBytes = "Not enough bytes received";
inline constexpr const char* RSIcmpNonEchoResponse = "Non-echo type response received";
