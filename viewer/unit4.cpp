#include "viewer/unit4.h"

#include <mshtml.h>

#include <algorithm>
#include <vector>

#include "classlib/SHDocVw.h"
#include "netlib/NetHTTP.h"
#include "monitor/Unit2.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

IMPLEMENT_CLASSINFO(TfrmMain, TForm)

TfrmMain* frmMain = nullptr;

namespace {
// No browser engine: nothing to show, nothing to run.
class TBlankBrowser : public TMapBrowser {
public:
  void Navigate(const std::string&) override {}
  int ReadyState() override { return 4; }
  bool HasDocument() override { return false; }
  void LoadDocument(const std::string&) override {}
  void ExecScript(const std::string&, const std::string&) override {}
  void SetBodyStyle(const std::string&, const std::string&) override {}
};

// The system's web browser control, on the window.
class TSystemBrowser : public TMapBrowser {
public:
  explicit TSystemBrowser(std::unique_ptr<TWebBrowser> Browser) : FBrowser(std::move(Browser)) {
    FBrowser->OnDocumentComplete = [this](TObject*, IDispatch*, const std::string&) {
      if (OnDocumentComplete) OnDocumentComplete();
    };
  }
  void Navigate(const std::string& URL) override { FBrowser->Navigate(URL); }
  int ReadyState() override { return FBrowser->ReadyState(); }
  bool HasDocument() override { return static_cast<bool>(Document()); }
  void LoadDocument(const std::string& Text) override {
    auto persist = Document().As<IPersistStreamInit>(IID_IPersistStreamInit);
    if (!persist) return;
    TComPtr<IStream> stream;
    OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()));
    ULONG written = 0;
    OleCheck(stream->Write(Text.data(), static_cast<ULONG>(Text.size()), &written));
    OleCheck(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
    OleCheck(persist->InitNew());
    OleCheck(persist->Load(stream.Get()));
  }
  // Errors of the page's scripts are the control's to report.
  void ExecScript(const std::string& Code, const std::string& Language) override {
    auto document = Document();
    TComPtr<IHTMLWindow2> window;
    if (!document || FAILED(document->get_parentWindow(window.Out())) || !window) return;
    TBStr code(Code), language(Language);
    TOleVariant result;
    window->execScript(code.Get(), language.Get(), &result.Value);
  }
  void SetBodyStyle(const std::string& Name, const std::string& Value) override {
    auto document = Document();
    TComPtr<IHTMLElement> body;
    TComPtr<IHTMLStyle> style;
    if (!document || FAILED(document->get_body(body.Out())) || !body || FAILED(body->get_style(style.Out())) ||
        !style)
      return;
    TBStr name(Name);
    LPOLESTR names[1] = {name.Get()};
    DISPID id;
    if (FAILED(style->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return;
    TOleVariant value;
    V_VT(&value.Value) = VT_BSTR;
    V_BSTR(&value.Value) = TBStr(Value).Release();
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value.Value, &put, 1, 1};
    style->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
  }

private:
  TComPtr<IHTMLDocument2> Document() { return FBrowser->Document().As<IHTMLDocument2>(IID_IHTMLDocument2); }
  std::unique_ptr<TWebBrowser> FBrowser;
};

const int BalloonLine = 19;
const char* const PlainMarker = "map.addOverlay(new GMarker(map.getCenter()));";
const char* const MapTypes[5] = {"G_NORMAL_MAP", "G_SATELLITE_MAP", "G_HYBRID_MAP", "G_PHYSICAL_MAP",
                                 "G_SATELLITE_3D_MAP"};

// Non-overlapping occurrences of Sub in S.
int CountOccurrences(const std::string& Sub, const std::string& S) {
  int n = 0;
  for (size_t p = S.find(Sub); p != std::string::npos; p = S.find(Sub, p + Sub.size())) ++n;
  return n;
}

std::string InfoWindowDivs() {
  std::string r;
  for (int n = 0; n < 100; ++n) {
    if (n) r += "\r\n";
    r += "<div id=\"iwin" + IntToStr(n) + "\"></div>";
  }
  return r;
}
}  // namespace

std::function<std::unique_ptr<TMapBrowser>(TWinControl*, const TRect&)> NewMapBrowser =
    [](TWinControl* Parent, const TRect& R) -> std::unique_ptr<TMapBrowser> {
  auto browser = std::make_unique<TWebBrowser>(nullptr);
  if (!browser->DefaultInterface()) return std::make_unique<TBlankBrowser>();
  browser->SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
  browser->SetParent(Parent);
  return std::make_unique<TSystemBrowser>(std::move(browser));
};

std::string ScriptStringText(const std::string& S) {
  std::string r;
  for (size_t i = 0; i < S.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(S[i]);
    if (c == '\\' || c == '"' || c == '\'') {
      r += '\\';
      r += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      r += Format("\\x%02X", c);
    } else if (c == '<' && i + 1 < S.size() && S[i + 1] == '/') {
      r += "<\\/";
      ++i;
    } else {
      r += static_cast<char>(c);
    }
  }
  return r;
}

std::string CoordinateText(float Value) {
  std::string s = FloatToStr(Value);
  std::replace(s.begin(), s.end(), ',', '.');
  return s;
}

std::string BuildMapPage(const TStrings& Template, const TMapPageInput& In) {
  TStringList lines;
  for (int i = 0; i < Template.Count(); ++i) lines.Add(Template[i]);
  if (!In.ShowInfoBalloons && lines.Count() > BalloonLine) lines.Put(BalloonLine, PlainMarker);
  const std::string text = lines.Text();

  struct TMarker {
    std::string Find, Replace;
  };
  std::vector<TMarker> markers = {
      {"<!-- * -->", InfoWindowDivs()},
      {"(0, 0)", "(" + In.Latitude + ", " + In.Longitude + ")"},
      {"CITY", ScriptStringText(HtmlText(In.LocationText))},
      {"IPY", ScriptStringText(In.IPList)},
  };
  if (In.MapType >= 0 && In.MapType < 5 && In.MapType != 1)
    markers.push_back({"G_SATELLITE_MAP", MapTypes[In.MapType]});
  markers.push_back({", 7", ", " + IntToStr(In.MapZoom + 1)});
  const int count = CountOccurrences(".", In.IPList) / 3;
  if (count > 3) markers.push_back({"33", IntToStr((count - 4) * 12 + 70)});

  // every occurrence, left to right in one pass: replaced text is never
  // searched again; where two markers start at one place the earlier one
  // of the list wins
  std::string page;
  page.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto m = std::find_if(markers.begin(), markers.end(),
                                [&](const TMarker& M) { return text.compare(at, M.Find.size(), M.Find) == 0; });
    if (m == markers.end()) {
      page += text[at++];
    } else {
      page += m->Replace;
      at += m->Find.size();
    }
  }
  return page;
}

TfrmMain::TfrmMain(TComponent* AOwner) : TForm(AOwner) {
  Name = "frmMain";
  SetCaption(" Web Map Window");
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetClientSize(552, 420);
  Font()->SetName("Tahoma");
  TemplateFile = ProgramFolder() + "gmap.ini";
  btnAddMarker = new TButton(this);
  btnAddMarker->SetCaption("Add Marker");
  btnAddMarker->SetVisible(false);
  btnAddMarker->SetParent(this);
  btnAddMarker->OnClick = [this](TObject* S) { btnAddMarkerClick(S); };
  btnCenterMap = new TButton(this);
  btnCenterMap->SetCaption("Center map on");
  btnCenterMap->SetVisible(false);
  btnCenterMap->SetParent(this);
  btnCenterMap->OnClick = [this](TObject* S) { btnCenterMapClick(S); };
  NetHTTP1 = new TNetHTTP(this);
  WebBrowser1 = NewMapBrowser(this, Bounds(-12, -18, 585, 443));
  WebBrowser1->OnDocumentComplete = [this] { WebBrowser1DocumentComplete(); };
  OnShow = [this](TObject* S) { FormCreate(S); };
}

TfrmMain::~TfrmMain() { WebBrowser1.reset(); }

void TfrmMain::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style &= ~static_cast<DWORD>(WS_MAXIMIZEBOX);
  Params.ExStyle |= WS_EX_APPWINDOW;
  Params.WndParent = GetDesktopWindow();
}

float TfrmMain::SelectedCoordinate(const float* Hops, const float* Locations) const {
  const bool hop = Selection.SelectionKind == 31;
  const int count = hop ? static_cast<int>(RouteState.HopLatitudes.size()) : MaxVisualizedIPs;
  if (Selection.SelectedLocationIndex < 0 || Selection.SelectedLocationIndex >= count) return 0;
  return (hop ? Hops : Locations)[Selection.SelectedLocationIndex];
}

std::string TfrmMain::Latitude() const {
  return CoordinateText(SelectedCoordinate(RouteState.HopLatitudes.data(), GlobeState.LocationLatitudes.data()));
}

std::string TfrmMain::Longitude() const {
  return CoordinateText(SelectedCoordinate(RouteState.HopLongitudes.data(), GlobeState.LocationLongitudes.data()));
}

std::string TfrmMain::Coordinates() const { return "\"" + Latitude() + "\", \"" + Longitude() + "\""; }

void TfrmMain::FormCreate(TObject*) {
  TStringList lines;
  lines.LoadFromFile(TemplateFile);   // a missing template: the file error, no page
  TMapPageInput in;
  in.Latitude = Latitude();
  in.Longitude = Longitude();
  in.LocationText = Selection.SelectedLocationText;
  in.IPList = Selection.SelectedIPList;
  in.ShowInfoBalloons = Settings.ShowInfoBalloons;
  in.MapType = Settings.MapType;
  in.MapZoom = Settings.MapZoom;
  LoadText(BuildMapPage(lines, in));
}

void TfrmMain::LoadText(const std::string& Text) {
  WebBrowser1->Navigate("about:blank");
  const DWORD start = GetTickCount();
  while (WebBrowser1->ReadyState() < 3 && !Application->Terminated()) {
    if (GetTickCount() - start >= DocumentTimeout) return;   // a control that never gets there has no document
    Application->ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  if (!WebBrowser1->HasDocument()) return;
  WebBrowser1->LoadDocument(Text);
}

void TfrmMain::WebBrowser1DocumentComplete() {
  WebBrowser1->SetBodyStyle("overflowX", "hidden");
  WebBrowser1->SetBodyStyle("overflowY", "hidden");
}

void TfrmMain::Run(const std::string& Script) { WebBrowser1->ExecScript(Script, "JavaScript"); }

void TfrmMain::btnAddMarkerClick(TObject*) {
  const std::string coords = Coordinates();
  Run("map.panTo(new GLatLng(" + coords + "));");
  Run("map.addOverlay( new GMarker(new GLatLng(" + coords + ")) );");
}

void TfrmMain::PlaceSelection() {
  if (Settings.ShowInfoBalloons)
    btnCenterMapClick(btnCenterMap);
  else
    btnAddMarkerClick(btnAddMarker);
}

void TfrmMain::btnCenterMapClick(TObject*) {
  const std::string coords = Coordinates();
  const std::string id = "iwin" + IntToStr(Selection.InfoWindowCounter);
  Run("map.panTo(new GLatLng(" + coords + "));");
  Run("var content = document.getElementById(\"" + id + "\").innerHTML;");
  Run("document.getElementById(\"" + id + "\").innerHTML = " +
      "\"<p style=line-height: 115%; margin-left: 0; margin-top: 0; margin-bottom: 0><font face=Arial size=2><b><u>" +
      ScriptStringText(HtmlText(Selection.SelectedLocationText)) + "</u></b></font><br><font face=Arial font size=1>" +
      ScriptStringText(Selection.SelectedIPList) + "</font></p>\";");
  Run("map.openInfoWindow(new GLatLng(" + coords + "),document.getElementById(\"" + id +
      "\"),{noCloseOnClick:1});");
}
