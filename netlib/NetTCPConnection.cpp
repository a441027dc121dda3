#include "netlib/NetTCPConnection.h"

#include <algorithm>
#include <cstring>

#include "classlib/UnitInit.h"
#include "netlib/NetAntiFreezeBase.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetIOHandlerSocket.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetSimpleBuffer, TMemoryStream)
IMPLEMENT_CLASSINFO(TNetManagedBuffer, TNetSimpleBuffer)
IMPLEMENT_CLASSINFO(TNetTCPConnection, TNetComponent)

namespace {
TUnitCounter UnitCounter;
HMODULE MswSock = nullptr;
bool TransmitFileLooked = false;
TTransmitFileProc TransmitFileCell = nullptr;

constexpr int wsaEConnAborted = 10053;
constexpr int wsaEConnReset = 10054;
constexpr int wsaEShutdown = 10058;
}  // namespace

TTransmitFileProc TransmitFileProc() {
  if (!TransmitFileLooked) {
    TransmitFileLooked = true;
    if (!MswSock) MswSock = LoadLibraryA("MSWSOCK.DLL");
    TransmitFileCell = GetProc<TTransmitFileProc>(MswSock, "TransmitFile");
  }
  return TransmitFileCell;
}

void SetTransmitFileProc(TTransmitFileProc Proc) {
  TransmitFileLooked = true;
  TransmitFileCell = Proc;
}

void NetTCPConnection_Initialize() {
  if (!UnitCounter.Enter()) return;
  NetComponent_Initialize();
}

void NetTCPConnection_Finalize() {
  if (!UnitCounter.Leave()) return;
  TransmitFileCell = nullptr;
  TransmitFileLooked = false;
  if (MswSock) FreeLibrary(std::exchange(MswSock, nullptr));
  NetComponent_Finalize();
}

// ---- Buffers ---------------------------------------------------------------

void TNetSimpleBuffer::Append(const void* AData, int ACount) {
  if (ACount <= 0) return;
  const auto* p = static_cast<const uint8_t*>(AData);
  FData.insert(FData.end(), p, p + ACount);
}

void TNetSimpleBuffer::Remove(int ACount) {
  if (ACount > Available()) throw ENetNotEnoughDataInBuffer(RSNotEnoughDataInBuffer);
  FData.erase(FData.begin(), FData.begin() + ACount);
  FPosition = 0;
  ++FHeadMoves;
  if (OnBytesRemoved) OnBytesRemoved(ACount);
}

std::string TNetSimpleBuffer::Extract(int ACount) {
  if (ACount > Available()) throw ENetNotEnoughDataInBuffer(RSNotEnoughDataInBuffer);
  std::string r(reinterpret_cast<const char*>(Head()), static_cast<size_t>(ACount));
  Remove(ACount);
  return r;
}

void TNetManagedBuffer::Remove(int ACount) {
  if (ACount > Available()) throw ENetNotEnoughDataInBuffer(RSNotEnoughDataInBuffer);
  FReadOffset += static_cast<size_t>(ACount);
  ++FHeadMoves;
  if (FReadOffset == FData.size()) {
    Clear();
    FReadOffset = 0;
  } else if (FReadOffset >= static_cast<size_t>(PackThreshold)) {
    FData.erase(FData.begin(), FData.begin() + static_cast<long>(FReadOffset));
    FReadOffset = 0;
  }
  if (OnBytesRemoved) OnBytesRemoved(ACount);
}

void TNetManagedBuffer::ClearBuffer() {
  TNetSimpleBuffer::ClearBuffer();
  FReadOffset = 0;
}

// ---- Connection ------------------------------------------------------------

TNetTCPConnection::TNetTCPConnection(TComponent* AOwner) : TNetComponent(AOwner) {
  FInputBuffer.OnBytesRemoved = [this](int ACount) { WorkProgress(TWorkMode::wmRead, ACount); };
}

TNetTCPConnection::~TNetTCPConnection() {
  try {
    if (FIOHandler && FIOHandler->IsOpen()) CloseTransport();
  } catch (...) {
    // freeing goes on whatever the transport says
  }
  SetIntercept(nullptr);
  SetIOHandler(nullptr);
}

void TNetTCPConnection::SetIntercept(TNetConnectionIntercept* Value) {
  if (Value == FIntercept) return;
  if (FIntercept) FIntercept->RemoveFreeNotification(this);
  FIntercept = Value;
  if (FIntercept) FIntercept->FreeNotification(this);
}

void TNetTCPConnection::SetIOHandler(TNetIOHandler* Value) {
  if (Value == FIOHandler) return;
  if (FIOHandler && FIOHandler != FOwnIOHandler.get()) FIOHandler->RemoveFreeNotification(this);
  FIOHandler = Value;
  if (FOwnIOHandler && FOwnIOHandler.get() != Value) FOwnIOHandler.reset();
  FFreeIOHandlerOnDisconnect = false;
  if (FIOHandler) FIOHandler->FreeNotification(this);
}

void TNetTCPConnection::AdoptIOHandler(std::unique_ptr<TNetIOHandler> AHandler) {
  SetIOHandler(nullptr);
  FOwnIOHandler = std::move(AHandler);
  FIOHandler = FOwnIOHandler.get();
  FFreeIOHandlerOnDisconnect = true;
}

void TNetTCPConnection::FreeOwnIOHandler() {
  if (!FFreeIOHandlerOnDisconnect) return;
  FFreeIOHandlerOnDisconnect = false;
  FIOHandler = nullptr;
  FOwnIOHandler.reset();
}

void TNetTCPConnection::Notification(TComponent* AComponent, TOperation Operation) {
  TNetComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FIntercept) FIntercept = nullptr;
  if (AComponent == FIOHandler && FIOHandler != FOwnIOHandler.get()) FIOHandler = nullptr;
}

void TNetTCPConnection::FireDisconnected() {
  if (OnDisconnected) OnDisconnected(this);
}

void TNetTCPConnection::ClearInputState() {
  FInputBuffer.ClearBuffer();
  FClosedGracefully = false;
  FLineSearchPos = 0;
}

bool TNetTCPConnection::VerifyStillOpen(bool ARaise, bool AIgnoreBuffer) {
  bool open = FIOHandler && FIOHandler->Connected();
  if (FClosedGracefully && open) {
    CloseTransport();
    FireStatus(TNetStatus::nsDisconnected);
    FireDisconnected();
    open = false;
  }
  if (!open && ARaise && (AIgnoreBuffer || FInputBuffer.Available() == 0))
    throw ENetConnClosedGracefully(RSConnectionClosedGracefully);
  return open;
}

bool TNetTCPConnection::PollForClose(bool ARaise) {
  if (VerifyStillOpen(false, true) && FIOHandler->WaitReadable(0)) FillInputBuffer(false, 0, false);
  const bool closed = !VerifyStillOpen(false, true);
  if (closed && ARaise && FInputBuffer.Available() == 0)
    throw ENetConnClosedGracefully(RSConnectionClosedGracefully);
  return closed;
}

bool TNetTCPConnection::IsOpen() { return VerifyStillOpen(false, true); }

void TNetTCPConnection::CloseTransport() {
  if (FIntercept && FIntercept->Connection() == this) FIntercept->Detach();
  if (FIOHandler) FIOHandler->CloseHandler();
}

void TNetTCPConnection::CloseConnection() {
  FireStatus(TNetStatus::nsDisconnecting);
  CloseTransport();
  FreeOwnIOHandler();
  FWriteBuffer.reset();
  FireDisconnected();
  FireStatus(TNetStatus::nsDisconnected);
}

int TNetTCPConnection::FillInputBuffer(bool ARaiseExceptionIfDisconnected, int ATimeout,
                                       bool ARaiseExceptionOnTimeout) {
  if (ATimeout == NetTimeoutDefault) ATimeout = ReadTimeout == 0 ? NetTimeoutInfinite : ReadTimeout;
  if (!VerifyStillOpen(ARaiseExceptionIfDisconnected, false)) {
    if (ARaiseExceptionIfDisconnected) throw ENetNotConnected(RSNotConnected);
    return 0;
  }
  if (!FIOHandler->WaitReadable(ATimeout)) {
    if (ARaiseExceptionOnTimeout) throw ENetReadTimeout(RSReadTimeout);
    return -1;
  }
  FRecvBlock.resize(static_cast<size_t>(std::max(1, RecvBufferSize)));
  int n = FIOHandler->ReceiveBytes(FRecvBlock.data(), static_cast<int>(FRecvBlock.size()));
  if (n == 0) {
    FClosedGracefully = true;
  } else if (n < 0) {
    const int code = FIOHandler->LastError();
    if (code == wsaEShutdown || code == wsaEConnAborted) {
      FClosedGracefully = true;
      CloseTransport();
      if (FInputBuffer.Available() == 0) Stack().RaiseStackError(code);
      n = 0;
    } else {
      Stack().RaiseStackError(code);
    }
  }
  if (n > 0) {
    if (FIntercept) {
      TMemoryStream block;
      block.WriteBuffer(FRecvBlock.data(), n);
      block.SetPosition(0);
      FIntercept->FilterIncoming(block);
      n = static_cast<int>(block.Size());
      FRecvBlock.assign(block.Data().begin(), block.Data().end());
    }
    if (ASCIIFilter)
      for (int i = 0; i < n; ++i) FRecvBlock[static_cast<size_t>(i)] &= 0x7F;
    FInputBuffer.Append(FRecvBlock.data(), n);
  }
  VerifyStillOpen(ARaiseExceptionIfDisconnected, false);
  return n;
}

void TNetTCPConnection::ReadUntilClosed() {
  try {
    while (true) FillInputBuffer(true, NetTimeoutDefault, true);
  } catch (const ENetConnClosedGracefully&) {
  } catch (const ENetNotConnected&) {
    if (!FClosedGracefully) throw;
  }
}

std::string TNetTCPConnection::ReadLine(const std::string& ATerminator, int ATimeout, int AMaxLineLength) {
  const std::string term = ATerminator.empty() ? "\n" : ATerminator;
  const int maxLength = AMaxLineLength < 0 ? MaxLineLength : AMaxLineLength;
  FReadLnSplit = false;
  FReadLnTimedOut = false;
  if (term != FLineSearchTerm || FInputBuffer.HeadMoves() != FLineSearchHead) {
    FLineSearchPos = 0;
    FLineSearchTerm = term;
    FLineSearchHead = FInputBuffer.HeadMoves();
  }
  int found = 0;
  while (true) {
    const int avail = FInputBuffer.Available();
    const int from = std::min(FLineSearchPos, avail);
    const int p = FindInMemory(term, FInputBuffer.Head() + from, avail - from);
    if (p > 0) {
      found = from + p;   // 1-based position of the terminator
      break;
    }
    FLineSearchPos = std::max(0, avail - static_cast<int>(term.size()) + 1);
    if (maxLength > 0 && avail > maxLength) {
      if (MaxLineAction == TNetMaxLineAction::maException)
        throw ENetReadLnMaxLineLengthExceeded(RSReadLnMaxLineLengthExceeded);
      FReadLnSplit = true;
      FLineSearchPos = 0;
      return FInputBuffer.Extract(maxLength);
    }
    VerifyStillOpen(true, true);
    if (FillInputBuffer(true, ATimeout, ATimeout == NetTimeoutDefault) == -1) {
      FReadLnTimedOut = true;
      return "";
    }
  }
  FLineSearchPos = 0;
  const int lineLength = found - 1;
  if (maxLength > 0 && lineLength > maxLength) {
    if (MaxLineAction == TNetMaxLineAction::maException)
      throw ENetReadLnMaxLineLengthExceeded(RSReadLnMaxLineLengthExceeded);
    FReadLnSplit = true;
    return FInputBuffer.Extract(maxLength);
  }
  std::string line = FInputBuffer.Extract(lineLength);
  FInputBuffer.Remove(static_cast<int>(term.size()));
  if (term == "\n" && !line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string TNetTCPConnection::ReadNonEmptyLine() {
  std::string line;
  do {
    line = ReadLine();
  } while (Trim(line).empty());
  return line;
}

int TNetTCPConnection::ValidateReplyCode(int ACode, std::initializer_list<int> AAllowed) {
  if (AAllowed.size() > 0 && std::find(AAllowed.begin(), AAllowed.end(), ACode) == AAllowed.end())
    RaiseReplyError();
  return ACode;
}

void TNetTCPConnection::RaiseReplyError() {
  throw ENetProtocolReplyError(LastCmdResult.NumericCode(), LastCmdResult.Text.Text());
}

int TNetTCPConnection::ReadReply(std::initializer_list<int> AAllowed) {
  TStringList lines;
  const std::string first = ReadNonEmptyLine();
  lines.Add(first);
  if (IsReplyContinuation(first)) {
    std::string line;
    do {
      line = ReadLine();
      lines.Add(line);
    } while (!IsReplyEnd(line, first));
  }
  LastCmdResult.ParseLines(lines);
  return ValidateReplyCode(LastCmdResult.NumericCode(), AAllowed);
}

int TNetTCPConnection::SendCommand(const std::string& ACommand, std::initializer_list<int> AAllowed) {
  WriteLine(ACommand);
  return ReadReply(AAllowed);
}

void TNetTCPConnection::SendNow(const void* AData, int ASize) {
  if (!FIOHandler || !FIOHandler->Connected()) throw ENetNotConnected(RSNotConnected);
  std::vector<uint8_t> out(static_cast<const uint8_t*>(AData), static_cast<const uint8_t*>(AData) + ASize);
  if (FIntercept) {
    TMemoryStream block;
    block.WriteBuffer(out.data(), ASize);
    block.SetPosition(0);
    FIntercept->FilterOutgoing(block);
    out = block.Data();
  }
  size_t sent = 0;
  while (sent < out.size()) {
    const int n = FIOHandler->SendBlock(out.data() + sent, static_cast<int>(out.size() - sent));
    if (n < 0) {
      const int code = FIOHandler->LastError();
      if (code == wsaEConnAborted || code == wsaEConnReset) CloseConnection();
      Stack().RaiseStackError(code);
    }
    sent += static_cast<size_t>(n);
    WorkProgress(TWorkMode::wmWrite, n);
    TNetAntiFreezeBase::DoProcess(false);
  }
}

void TNetTCPConnection::SendBytes(const void* AData, int ASize, bool AWriteNow) {
  if (ASize <= 0) return;
  if (!VerifyStillOpen(true, true)) throw ENetNotConnected(RSNotConnected);
  if (FWriteBuffer && !AWriteNow) {
    FWriteBuffer->Append(AData, ASize);
    if (FWriteBufferThreshold > 0 && FWriteBuffer->Available() >= FWriteBufferThreshold) FlushWriteBuffer();
    return;
  }
  SendNow(AData, ASize);
}

void TNetTCPConnection::WriteText(const std::string& AText) {
  SendBytes(AText.data(), static_cast<int>(AText.size()));
}

void TNetTCPConnection::WriteLine(const std::string& AText) { WriteText(AText + "\r\n"); }

void TNetTCPConnection::SendInt32(int32_t AValue, bool AConvert) {
  uint32_t v = static_cast<uint32_t>(AValue);
  if (AConvert) v = Stack().HostToNet32(v);
  SendBytes(&v, 4);
}

void TNetTCPConnection::OpenWriteBuffer(int AThreshold) {
  FWriteBuffer = std::make_unique<TNetSimpleBuffer>();
  FWriteBufferThreshold = AThreshold;
}

void TNetTCPConnection::FlushWriteBuffer(int AByteCount) {
  if (!FWriteBuffer || FWriteBuffer->Available() == 0) return;
  const int n = AByteCount < 0 ? FWriteBuffer->Available() : std::min(AByteCount, FWriteBuffer->Available());
  const std::string data = FWriteBuffer->Extract(n);
  SendNow(data.data(), n);
}

void TNetTCPConnection::CloseWriteBuffer() {
  if (!FWriteBuffer) return;
  try {
    FlushWriteBuffer();
  } catch (...) {
    FWriteBuffer.reset();
    throw;
  }
  FWriteBuffer.reset();
}

void TNetTCPConnection::CancelWriteBuffer() { FWriteBuffer.reset(); }

int64_t TNetTCPConnection::SendStream(TStream& AStream, bool AAll, bool AWriteByteCount, int64_t ASize) {
  if (AAll) AStream.SetPosition(0);
  const int64_t start = AStream.Position();
  int64_t count = AStream.Size() - start;
  if (ASize >= 0 && ASize < count) count = ASize;
  if (AWriteByteCount) SendInt32(static_cast<int32_t>(count));
  WorkStart(TWorkMode::wmWrite, static_cast<int>(count));
  try {
    std::vector<uint8_t> chunk(static_cast<size_t>(std::max(1, SendBufferSize)));
    int64_t left = count;
    while (left > 0) {
      const int64_t want = std::min<int64_t>(left, static_cast<int64_t>(chunk.size()));
      const int64_t got = AStream.Read(chunk.data(), want);
      if (got <= 0) throw ENetNoDataToRead(RSNoDataToRead);
      SendBytes(chunk.data(), static_cast<int>(got));
      left -= got;
    }
  } catch (...) {
    WorkFinish(TWorkMode::wmWrite);
    throw;
  }
  WorkFinish(TWorkMode::wmWrite);
  return count;
}

int64_t TNetTCPConnection::SendFile(const std::string& AFileName, bool AEnableTransmitFile) {
  if (!FileExists(AFileName)) throw ENetFileNotFound(Format(RSFileNotFound, AFileName.c_str()));
  TFileStream file(AFileName, fmOpenRead | fmShareDenyWrite);
  const int64_t size = file.Size();
  auto* socketHandler = dynamic_cast<TNetIOHandlerSocket*>(FIOHandler);
  const bool plainSocket = socketHandler && socketHandler->ClassType() == TNetIOHandlerSocket::StaticClass();
  if (AEnableTransmitFile && !FIntercept && plainSocket && !FWriteBuffer && size > 0 && VerifyStillOpen(true, true)) {
    if (TTransmitFileProc transmit = TransmitFileProc()) {
      WorkStart(TWorkMode::wmWrite, static_cast<int>(size));
      const BOOL ok = transmit(socketHandler->Binding()->Handle(), file.Handle(), 0, 0, nullptr, nullptr, 0);
      if (ok) WorkProgress(TWorkMode::wmWrite, static_cast<int>(size));
      WorkFinish(TWorkMode::wmWrite);
      if (!ok) Stack().RaiseStackError(Stack().LastSocketError());
      return size;
    }
  }
  SendStream(file, true, false, -1);
  return size;
}

void TNetTCPConnection::ReceiveExact(void* ABuffer, int ACount) {
  if (ACount <= 0) return;
  while (FInputBuffer.Available() < ACount) FillInputBuffer(true, NetTimeoutDefault, true);
  std::memcpy(ABuffer, FInputBuffer.Head(), static_cast<size_t>(ACount));
  FInputBuffer.Remove(ACount);
}

std::string TNetTCPConnection::ReceiveString(int ACount) {
  std::string r(static_cast<size_t>(std::max(0, ACount)), '\0');
  ReceiveExact(r.data(), ACount);
  return r;
}

int32_t TNetTCPConnection::ReceiveInt32(bool AConvert) {
  uint32_t v = 0;
  ReceiveExact(&v, 4);
  if (AConvert) v = Stack().NetToHost32(v);
  return static_cast<int32_t>(v);
}

void TNetTCPConnection::ReceiveStream(TStream& AStream, int64_t ACount, bool AReadUntilClosed) {
  if (ACount < 0 && !AReadUntilClosed) {
    ACount = ReceiveInt32();
    if (ACount < 0) throw ENetTCPConnectionError(Format(RSInvalidByteCount, static_cast<int>(ACount)));
  }
  WorkStart(TWorkMode::wmRead, AReadUntilClosed ? 0 : static_cast<int>(std::min<int64_t>(ACount, INT32_MAX)));
  auto take = [&](int64_t Max) {
    const int n = static_cast<int>(std::min<int64_t>(FInputBuffer.Available(), Max));
    if (n > 0) {
      AStream.WriteBuffer(FInputBuffer.Head(), n);
      FInputBuffer.Remove(n);
    }
    return n;
  };
  try {
    if (AReadUntilClosed) {
      take(INT64_MAX);
      try {
        while (true) {
          FillInputBuffer(true, NetTimeoutDefault, true);
          take(INT64_MAX);
        }
      } catch (const ENetConnClosedGracefully&) {
      } catch (const ENetNotConnected&) {
        if (!FClosedGracefully) throw;
      }
      take(INT64_MAX);
    } else {
      int64_t left = ACount - take(ACount);
      while (left > 0) {
        FillInputBuffer(true, NetTimeoutDefault, true);
        left -= take(left);
      }
    }
  } catch (...) {
    WorkFinish(TWorkMode::wmRead);
    throw;
  }
  WorkFinish(TWorkMode::wmRead);
}
