// A buffered, framed byte stream over an exchangeable I/O handler: lines,
// numbered replies, blocks, streams and files, with intercepts, work
// progress and time-outs.
#pragma once
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "netlib/NetComponent.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetIOHandler.h"
#include "netlib/NetIntercept.h"
#include "netlib/NetRFCReply.h"

enum class TNetMaxLineAction { maException, maSplit };

// A memory stream that tells when bytes are taken from its front.
class TNetSimpleBuffer : public TMemoryStream {
  DECLARE_CLASSINFO(TNetSimpleBuffer)
public:
  std::function<void(int ACount)> OnBytesRemoved;
  virtual int Available() const { return static_cast<int>(FData.size()); }
  virtual const uint8_t* Head() const { return FData.data(); }
  void Append(const void* AData, int ACount);
  // Takes ACount bytes from the front (ENetNotEnoughDataInBuffer when fewer).
  virtual void Remove(int ACount);
  std::string Extract(int ACount);
  virtual void ClearBuffer() {
    Clear();
    ++FHeadMoves;
  }
  // Counts the times bytes left the front or the buffer was emptied.
  uint64_t HeadMoves() const { return FHeadMoves; }

protected:
  uint64_t FHeadMoves = 0;
};

// The input buffer of a connection: taking bytes moves a read offset; the
// rest moves to the front once the offset reaches PackThreshold.
class TNetManagedBuffer : public TNetSimpleBuffer {
  DECLARE_CLASSINFO(TNetManagedBuffer)
public:
  int PackThreshold = 32768;
  int Available() const override { return static_cast<int>(FData.size() - FReadOffset); }
  const uint8_t* Head() const override { return FData.data() + FReadOffset; }
  void Remove(int ACount) override;
  void ClearBuffer() override;

private:
  size_t FReadOffset = 0;
};

class TNetTCPConnection : public TNetComponent {
  DECLARE_CLASSINFO(TNetTCPConnection)
public:
  explicit TNetTCPConnection(TComponent* AOwner);
  ~TNetTCPConnection() override;

  bool ASCIIFilter = false;
  int MaxLineLength = 16384;                 // 0: no limit
  TNetMaxLineAction MaxLineAction = TNetMaxLineAction::maException;
  int ReadTimeout = 0;                       // ms, 0: no limit
  int RecvBufferSize = 32768;
  int SendBufferSize = 32768;
  TNotifyEvent OnDisconnected;
  TNetRFCReply Greeting;
  TNetRFCReply LastCmdResult;

  TNetConnectionIntercept* Intercept() const { return FIntercept; }
  void SetIntercept(TNetConnectionIntercept* Value);
  TNetIOHandler* IOHandler() const { return FIOHandler; }
  // Refers to Value (forgotten when it is freed); a handler the connection
  // made itself is freed when replaced.
  void SetIOHandler(TNetIOHandler* Value);
  TNetManagedBuffer& InputBuffer() { return FInputBuffer; }
  bool ClosedGracefully() const { return FClosedGracefully; }
  bool ReadLnSplit() const { return FReadLnSplit; }
  bool ReadLnTimedOut() const { return FReadLnTimedOut; }

  virtual void FireDisconnected();
  virtual void ClearInputState();
  // Reads into the input buffer until the peer closes.
  virtual void ReadUntilClosed();
  // Whether the transport is still open; a graceful close seen earlier
  // closes it now. Closed (with the buffer empty or ignored) and ARaise:
  // ENetConnClosedGracefully.
  virtual bool VerifyStillOpen(bool ARaise = true, bool AIgnoreBuffer = false);
  // Reads what is there without waiting; true when the peer has closed.
  virtual bool PollForClose(bool ARaise = true);
  virtual int ValidateReplyCode(int ACode, std::initializer_list<int> AAllowed);
  virtual bool IsOpen();
  virtual void CloseConnection();
  virtual void CloseTransport();
  // Reads one numbered reply into LastCmdResult; returns its code.
  virtual int ReadReply(std::initializer_list<int> AAllowed = {});
  [[noreturn]] virtual void RaiseReplyError();
  // Receives what comes within ATimeout ms (-1: ReadTimeout) into the
  // input buffer; returns the count, -1 when nothing came in time.
  virtual int FillInputBuffer(bool ARaiseExceptionIfDisconnected = true, int ATimeout = NetTimeoutDefault,
                              bool ARaiseExceptionOnTimeout = true);
  // One line without its terminator (empty: LF, a CR before it dropped too).
  virtual std::string ReadLine(const std::string& ATerminator = "", int ATimeout = NetTimeoutDefault,
                               int AMaxLineLength = -1);
  std::string ReadNonEmptyLine();
  virtual int SendCommand(const std::string& ACommand, std::initializer_list<int> AAllowed = {});
  virtual void WriteText(const std::string& AText);
  virtual void WriteLine(const std::string& AText = "");
  // From the start (AAll) or the current position, ASize bytes or to the
  // end, optionally preceded by the count; returns the bytes sent.
  virtual int64_t SendStream(TStream& AStream, bool AAll = true, bool AWriteByteCount = false, int64_t ASize = -1);
  // The file's size; the system's TransmitFile when allowed and possible.
  virtual int64_t SendFile(const std::string& AFileName, bool AEnableTransmitFile = true);

  void SendBytes(const void* AData, int ASize, bool AWriteNow = false);
  void SendInt32(int32_t AValue, bool AConvert = true);
  void ReceiveExact(void* ABuffer, int ACount);
  std::string ReceiveString(int ACount);
  int32_t ReceiveInt32(bool AConvert = true);
  // ACount bytes into AStream; -1 without AReadUntilClosed: the count comes
  // first as a 32-bit integer. With AReadUntilClosed: all until the peer
  // closes. The stream grows as data arrives.
  void ReceiveStream(TStream& AStream, int64_t ACount = -1, bool AReadUntilClosed = false);
  // Sends go to a buffer, flushed once it holds AThreshold bytes (-1: only
  // when closed or flushed).
  // (Disconnecting drops the buffer with what it holds.)
  void OpenWriteBuffer(int AThreshold = -1);
  void CloseWriteBuffer();
  void FlushWriteBuffer(int AByteCount = -1);
  void CancelWriteBuffer();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool FFreeIOHandlerOnDisconnect = false;
  // The handler the connection made itself, freed on disconnect.
  void AdoptIOHandler(std::unique_ptr<TNetIOHandler> AHandler);
  void FreeOwnIOHandler();

private:
  void SendNow(const void* AData, int ASize);
  TNetConnectionIntercept* FIntercept = nullptr;
  TNetIOHandler* FIOHandler = nullptr;
  std::unique_ptr<TNetIOHandler> FOwnIOHandler;
  TNetManagedBuffer FInputBuffer;
  std::unique_ptr<TNetSimpleBuffer> FWriteBuffer;
  int FWriteBufferThreshold = 0;
  std::vector<uint8_t> FRecvBlock;
  bool FClosedGracefully = false;
  bool FReadLnSplit = false;
  bool FReadLnTimedOut = false;
  // Where ReadLine stopped searching, valid for that terminator while no
  // bytes left the buffer's front.
  int FLineSearchPos = 0;
  std::string FLineSearchTerm;
  uint64_t FLineSearchHead = 0;
};

// TransmitFile of MSWSOCK.DLL, bound on the first SendFile that may use it
// (null when the library or the export is missing: SendFile then sends the
// file as a stream). Tests may replace it.
using TTransmitFileProc = BOOL(WINAPI*)(uintptr_t Socket, HANDLE File, DWORD Bytes, DWORD BytesPerSend,
                                        void* Overlapped, void* Buffers, DWORD Flags);
TTransmitFileProc TransmitFileProc();
void SetTransmitFileProc(TTransmitFileProc Proc);

void NetTCPConnection_Initialize();
void NetTCPConnection_Finalize();   // unloads MSWSOCK.DLL
