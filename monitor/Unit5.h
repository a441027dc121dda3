// The progress of a file scan: the count of addresses found so far, a
// progress bar over the file's lines and Cancel (OK once a scan found none).
#pragma once
#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/StdCtrls.h"
#include "monitor/uMonitorHost.h"

class TForm5 : public TAppWindowForm {
  DECLARE_CLASSINFO(TForm5)
public:
  explicit TForm5(TComponent* AOwner);
  TLabel* Label1;
  TProgressBar* ProgressBar1;
  TBitBtn* BitBtn1;   // Cancel while scanning, OK after a scan that found nothing
  // Cancel: the main window stops the scan and closes this window.
  void BitBtn1Click(TObject* Sender);
  // The button as a Cancel button (scanning) or an OK button.
  void SetScanning(bool Scanning);

protected:
  void CreateParams(TCreateParams& Params) override;
};

extern TForm5* Form5;
