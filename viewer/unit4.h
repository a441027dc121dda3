// The web-map window: the selected location or traceroute hop on a web map
// in an embedded browser. The page comes from the template gmap.ini beside
// the program; later selections go to the loaded page as scripts.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TNetHTTP;

// What the window asks of its web browser control. The control needs a
// browser engine; NewMapBrowser makes the one the platform has.
class TMapBrowser {
public:
  virtual ~TMapBrowser() = default;
  virtual void Navigate(const std::string& URL) = 0;
  // 0 uninitialised .. 3 interactive, 4 complete
  virtual int ReadyState() = 0;
  virtual bool HasDocument() = 0;
  // Loads the document from text, through its persist-stream interface.
  virtual void LoadDocument(const std::string& Text) = 0;
  virtual void ExecScript(const std::string& Code, const std::string& Language) = 0;
  // A style property of the document's body.
  virtual void SetBodyStyle(const std::string& Name, const std::string& Value) = 0;
  // Runs when a loaded document is complete.
  std::function<void()> OnDocumentComplete;
};

// Makes the browser on Parent at Bounds: the system's web browser control.
// When the system has none it is a blank browser: ready at once, no
// document (so loading skips the page and scripts go nowhere). Tests put a
// recorder in its place.
extern std::function<std::unique_ptr<TMapBrowser>(TWinControl* Parent, const TRect& Bounds)> NewMapBrowser;

// The selection and settings a page is built from.
struct TMapPageInput {
  std::string Latitude, Longitude;   // coordinate texts
  std::string LocationText;          // place + ", " + country (from the database)
  std::string IPList;                // addresses joined by "<br>"
  bool ShowInfoBalloons = true;
  int MapType = 1;                   // 0..4
  int MapZoom = 6;                   // zoom index 0..18
};

// The page text from the template's lines. Line 20 (index 19, when the
// template has one) becomes a plain marker without info balloons; then every
// occurrence of each marker text is replaced in one pass, so no replaced
// text is searched again. The place text is escaped for HTML inside a
// script string, the address list for a script string.
std::string BuildMapPage(const TStrings& Template, const TMapPageInput& In);

// Text for a double-quoted script string: backslashes, quotes, control
// characters and "</" escaped.
std::string ScriptStringText(const std::string& S);
// A coordinate as the page takes it: the float's general text, "," as ".".
std::string CoordinateText(float Value);

// The window shows the selection the main window hands over
// (SelectionKind, SelectedLocationIndex, SelectedLocationText,
// SelectedIPList, InfoWindowCounter; viewer/NsMain.h).
class TfrmMain : public TForm {
  DECLARE_CLASSINFO(TfrmMain)
public:
  explicit TfrmMain(TComponent* AOwner);
  ~TfrmMain() override;

  std::unique_ptr<TMapBrowser> WebBrowser1;   // at (-12, -18), 585 x 443: the page's margins off-screen
  TButton* btnAddMarker;                      // invisible; its handler is called directly
  TButton* btnCenterMap;                      // invisible; its handler is called directly
  TNetHTTP* NetHTTP1;                         // never used; it keeps the socket stack alive

  std::string TemplateFile;   // the program folder's gmap.ini
  DWORD DocumentTimeout = 5000;   // ms a load waits for the control to become interactive

  void FormCreate(TObject* Sender);   // the show handler: builds and loads the page
  void WebBrowser1DocumentComplete();
  void btnAddMarkerClick(TObject* Sender);
  void btnCenterMapClick(TObject* Sender);
  // The selection on the loaded page: an info window when balloons are on,
  // else a marker.
  void PlaceSelection();
  // The selected place's coordinate texts.
  std::string Latitude() const;
  std::string Longitude() const;

protected:
  void CreateParams(TCreateParams& Params) override;

private:
  void LoadText(const std::string& Text);
  void Run(const std::string& Script);
  std::string Coordinates() const;   // "\"lat\", \"lon\""
  // The selected entry of the hops' or the locations' coordinates; 0 for
  // an index outside them.
  float SelectedCoordinate(const float* Hops, const float* Locations) const;
};

extern TfrmMain* frmMain;
