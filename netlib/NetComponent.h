// Base of every protocol component: while any exists the socket stack
// (GlobalStack) exists. Carries the status and work-progress events.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "netlib/NetBaseComponent.h"

enum class TNetStatus {
  nsResolving, nsConnecting, nsConnected, nsDisconnecting, nsDisconnected,
  nsStatusText, nsTransfer, nsReady, nsAborted   // the caller's own text
};
enum class TWorkMode { wmRead, wmWrite };

using TNetStatusEvent = std::function<void(TObject* ASender, TNetStatus AStatus, const std::string& AStatusText)>;
using TWorkEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode, int AWorkCount)>;
using TWorkBeginEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode, int AWorkCountMax)>;
using TWorkEndEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode)>;

class TNetComponent : public TNetBaseComponent {
  DECLARE_CLASSINFO(TNetComponent)
public:
  // The first component alive makes the stack (an exception from doing so
  // leaves the count as it was).
  explicit TNetComponent(TComponent* AOwner);
  // Frees the owned components first; the last component alive frees the stack.
  ~TNetComponent() override;

  TNetStatusEvent OnStatus;
  TWorkEvent OnWork;
  TWorkBeginEvent OnWorkBegin;
  TWorkEndEvent OnWorkEnd;

  // The status text formatted with Args (%s in order, missing ones empty).
  void FireStatus(TNetStatus AStatus, const std::vector<std::string>& Args = {});
  // Nested begin/end pairs report only the outermost.
  void WorkStart(TWorkMode AWorkMode, int ASize);
  void WorkProgress(TWorkMode AWorkMode, int ACount);
  void WorkFinish(TWorkMode AWorkMode);

private:
  struct TWorkInfo {
    int Current = 0;
    int Max = 0;
    int Level = 0;
  };
  std::array<TWorkInfo, 2> FWorkInfos;
};

// Components alive, under ComponentLock.
int NetComponentCount();

void NetComponent_Initialize();
// Frees a stack that components still alive would keep, so that it goes
// before the Winsock library does.
void NetComponent_Finalize();
