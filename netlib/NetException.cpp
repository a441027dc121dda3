#include "netlib/NetException.h"

ENetWS2StubError::ENetWS2StubError(uint32_t Code, std::string ATitle)
    : ENetException(""), Win32Error(Code), Title(std::move(ATitle)) {
  if (Code != 0) Win32ErrorMessage = SysErrorMessage(Code);
  Message = Win32ErrorMessage.empty() ? Title : Win32ErrorMessage + ": " + Title;
}
