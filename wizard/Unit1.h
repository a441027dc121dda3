// The database wizard's window: the command line and its three modes, the
// page flow, the download of the database in nine RAR volumes from rotating
// mirrors, the unpacking into data\, the update check, and the home
// location (public address, its place, the user's corrections, myloc.txt).
//
// The hosts are stored scrambled. For tests (and for a private mirror) the
// environment can stand in for them:
//   VANTRELWIZ_MIRRORS          hosts (host[:port]) separated by ";", repeated
//                               over the seventeen mirror entries
//   VANTRELWIZ_UPDATE_URL       the update-information file's URL
//   VANTRELWIZ_ECHO_URL         the page that tells the public address
//   VANTRELWIZ_LOCAL_ADDRESSES  the local address list ("-": none), in place
//                               of the host name's addresses
#pragma once

// Resource IDs of the wizard's pictures (wizard/vantrelwiz.rc).
#define IDB_WATERMARK 101
#define IDB_DOWNLOAD 102
#define IDB_UPDATER 103
#define IDB_HOME 104
#define IDB_NEWVERSION 105

#ifndef RC_INVOKED
#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>
#include <urlmon.h>

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Spin.h"
#include "monitor/DatabaseInstall.h"
#include "classlib/StdCtrls.h"
#include "viewer/components/HyperLbl.h"
#include "wizard/HTTPGet.h"
#include "wizard/RarExtractor.h"
#include "wizard/Wizard.h"


// ---- Routines of the unit ----

constexpr int MirrorCount = 34;
// The stored (scrambled) host of a 1-based mirror entry, or its stand-in.
std::string StoredMirror(int Index);
// Reverses the text and turns every "$" into "o".
std::string UnscrambleHost(const std::string& Stored);
std::string UnscrambleURL(const std::string& Stored);   // reverses the text
std::string UpdateInfoURL();
std::string EchoPageURL();
extern const char* const ArchivePassword;
extern const char* const ProductHomePage;
extern const char* const CoordinateFinderPage;

// A coordinate code of one axis from degrees, minutes and seconds: the code
// line ("-" for W or S, the degrees, two digits of hundredths) and the
// further-digit line (four digits of the fraction of the hundredths;
// empty when it is 0).
struct TCoordinateCode {
  std::string Code;
  std::string Digits;
};
TCoordinateCode CoordinateCode(int Degrees, int Minutes, int Seconds, bool Negative);
// The degrees a code and its further digits stand for, as both programs
// read them: code / 100 + s * digits / 1,000,000, s = -1 when the code's
// text begins with "-".
double CoordinateValue(const std::string& Code, const std::string& Digits);
// The city folded to ASCII (Polish letters when Country is "PL").
std::string FoldCity(const std::string& City, const std::string& Country);
std::string KeepDigitsAndDots(const std::string& S);
// False for 127.0.0.1 and the private and link-local ranges.
bool IsPublicAddress(const std::string& Dotted);
std::vector<std::string> GetLocalIPList();
std::string GetExternalIP();
// The data\cities.dat line of an address, empty when it is not found.
std::string LookupCity(const std::string& Address);
// Writes Lines to FileName whole or not at all (a new file, then replaced).
void SaveLinesReplacing(const TStrings& Lines, const std::string& FileName);

// The URLDownloadToFileA call of GetExternalIP; tests may put another in.
extern HRESULT(WINAPI* WizardDownloadToFile)(LPUNKNOWN Caller, LPCSTR URL, LPCSTR FileName, DWORD Reserved,
                                             LPBINDSTATUSCALLBACK Callback);
// The ShellExecuteA that starts the main program.
extern HINSTANCE(WINAPI* WizardShellExecute)(HWND Wnd, LPCSTR Operation, LPCSTR File, LPCSTR Parameters,
                                             LPCSTR Directory, INT ShowCmd);

// ---- The window ----

// The download button's course: Start (or Resume) -> downloading (Break) ->
// unpacking -> done; Break leads to aborting, a failure back to idle
// (Resume), closing the window ends everything.
enum class TDownloadState { dsIdle, dsDownloading, dsAborting, dsUnpacking, dsDone, dsClosing };

class TForm1 : public TForm {
  DECLARE_CLASSINFO(TForm1)
public:
  explicit TForm1(TComponent* AOwner);

  TWizard* Wizard1;
  THTTPGet* HTTPGet1;
  TRarExtractor* RarExtractor1;
  // page 0
  TWizardWelcomePage* K1WizardWelcomePage1;
  TLabel *Label21, *Label10, *Label12, *Label11;
  THyperLabel* HyperLabel2;
  TImage* Image2;
  // page 1
  TWizardInteriorPage* K2WizardInteriorPage1;
  TLabel *Label13, *Label14, *Label1;
  TProgressBar *Gauge2, *Gauge1;
  TButton* Button3;
  TImage *Image1, *Image3;
  // page 2
  TWizardInteriorPage* WizardInteriorPage1;
  TLabel *Label2, *Label3, *Label4, *Label5, *Label15;
  TEdit *Edit1, *Edit2, *Edit5;
  TSpinEdit *SpinEdit1, *SpinEdit2, *SpinEdit3, *SpinEdit4, *SpinEdit5, *SpinEdit6;
  TComboBox *longwe, *latns;
  TLabel *Label17, *Label18, *Label19;
  THyperLabel* HyperLabel4;
  std::vector<TLabel*> Marks;   // degree, minute and second marks
  // page 3
  TWizardInteriorPage* K4WizardInteriorPage1;
  TLabel *Label6, *Label7, *Label8, *Label9, *Label20;

  // Program-wide state of the unit.
  bool UpdateMode = false;
  uint8_t MirrorIndex = 0;
  uint8_t PartCounter = 1;
  uint8_t RandomStart = 0;
  std::string PartSuffix;
  std::string LocalPartName;
  std::string RemotePathPrefix = "/feb10.part";
  int MinimumPartSize = 1456459;
  std::string HomeIP;
  float Longitude = 0, Latitude = 0;
  std::string City, Country;
  TStringList HomeLines;
  std::string LongitudeCode, LatitudeCode;
  std::string LastUnpackError;   // the extraction's last error, empty after success

  // Parameters as the command line would give them (ParamStr 1..).
  std::vector<std::string> Params;
  void FormCreate(TObject* Sender);
  void Button3Click(TObject* Sender);
  void HTTPGet1DoneFile(TObject* Sender, const std::string& FileName, int FileSize);
  void HTTPGet1Progress(TObject* Sender, int TotalSize, int Readed);
  void HTTPGet1Error(TObject* Sender);
  void wizard1NextButtonClick(TObject* Sender);
  void wizard1cancelbuttonclick(TObject* Sender);
  void onfinishbuttonclick(TObject* Sender);
  void findmyip();
  void IPtoCoor();
  void fake();
  void verifydata();
  TDownloadState DownloadState() const { return FState; }
  // Shows a message to the user (a message box).
  virtual void ShowMessage(const std::string& Text);
  // Asks the user to retry (a message box with Retry and Cancel): true for Retry.
  virtual bool AskRetry(const std::string& Text);

protected:
  void CreateParams(TCreateParams& Params) override;

private:
  void BuildPages();
  void ShowUpdateInfo(bool Downloaded);
  void FormClose();
  void Unpack();
  bool AllPartsPresent() const;
  void CopyPagePicture(TGraphic* From);
  TDownloadState FState = TDownloadState::dsIdle;
};

extern TForm1* Form1;

#endif  // RC_INVOKED
