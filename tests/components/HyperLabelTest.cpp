#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "GuiTest.h"
#include "classlib/Forms.h"
#include "viewer/components/HyperLbl.h"

namespace {
struct TOpened {
  std::string Verb, File;
  INT Show;
};
std::vector<TOpened> Opened;

HINSTANCE WINAPI RecordShellExecute(HWND, LPCSTR Verb, LPCSTR File, LPCSTR, LPCSTR, INT Show) {
  Opened.push_back({Verb ? Verb : "", File ? File : "", Show});
  return reinterpret_cast<HINSTANCE>(33);
}

// 0xRRGGBB of a colour value with red in the low byte.
uint32_t Rgb(TColor C) { return ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF); }

class HyperLabelTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    Opened.clear();
    HyperLinkShellExecute = RecordShellExecute;
  }
  void TearDown() override {
    Forms_Finalize();
    HyperLinkShellExecute = ShellExecuteA;
  }

  // A window like the about page: a plain label followed by a link.
  void MakeWindow() {
    Form = new TForm(Application);
    Form->SetCaption("Vantrel");
    Form->SetBorderStyle(TFormBorderStyle::bsSingle);
    Form->SetBounds(40, 40, 360, 140);
    Form->SetColor(clWhite);
    auto* plain = new TLabel(Form);
    plain->SetParent(Form);
    plain->SetBounds(10, 12, 0, 0);
    plain->Font()->SetHeight(-16);
    plain->SetCaption("This software makes use of");
    Link = new THyperLabel(Form);
    Link->SetParent(Form);
    Link->SetBounds(10, 44, 0, 0);
    Link->Font()->SetName("Arial");
    Link->Font()->SetHeight(-22);
    Link->SetCaption("Vantrel Homepage");
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == Form; }));
    UpdateWindow(Form->Handle());
    PumpFor(100);
  }

  TCapture LinkPixels() {
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(30);
    return CaptureClient(Form->Handle());
  }

  TForm* Form = nullptr;
  THyperLabel* Link = nullptr;
};
}  // namespace

TEST_F(HyperLabelTest, CreatedLookingLikeALink) {
  auto* l = new THyperLabel(Application);
  EXPECT_EQ(l->Font()->Color(), 0x800000u);
  EXPECT_TRUE(l->Font()->Style().Contains(TFontStyle::fsUnderline));
  EXPECT_EQ(l->Cursor(), crHandPoint);
  EXPECT_EQ(l->HyperColour, 0xFF0000u);
  EXPECT_EQ(l->PressedColour, 0x0000FFu);
  EXPECT_TRUE(l->URL.empty());
}

TEST_F(HyperLabelTest, RendersAndChangesColourOnHoverAndPress) {
  MakeWindow();
  const RECT r{Link->Left(), Link->Top(), Link->Left() + Link->Width(), Link->Top() + Link->Height()};
  TCapture idle = LinkPixels();
  SaveBmp(idle, "hyperlabel.bmp");
  auto inLink = [&](const TCapture& c, uint32_t rgb) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += c.At(x, y) == rgb;
    return n;
  };
  // navy text with its underline; the rest of the window is white
  EXPECT_GT(inLink(idle, Rgb(clNavy)), Link->Width() / 2);
  EXPECT_EQ(inLink(idle, Rgb(0xFF0000)), 0);
  EXPECT_GT(idle.Count(0xFFFFFF), idle.Width * idle.Height / 2);

  SendMessageA(Link->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(Link->Hovering());
  TCapture hover = LinkPixels();
  SaveBmp(hover, "hyperlabel_hover.bmp");
  EXPECT_GT(inLink(hover, Rgb(0xFF0000)), Link->Width() / 2);
  EXPECT_EQ(inLink(hover, Rgb(clNavy)), 0);

  SendMessageA(Link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_TRUE(Link->Pressed());
  TCapture pressed = LinkPixels();
  EXPECT_GT(inLink(pressed, Rgb(0x0000FF)), Link->Width() / 2);

  SendMessageA(Link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(Link->Pressed());
  EXPECT_EQ(Link->Font()->Color(), 0xFF0000u);
  EXPECT_TRUE(Opened.empty());   // no URL: nothing opens

  SendMessageA(Link->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(Link->Font()->Color(), 0x800000u);
  EXPECT_GT(inLink(LinkPixels(), Rgb(clNavy)), Link->Width() / 2);

  // the hand cursor over the link
  SendMessageA(Link->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Link->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
}

TEST_F(HyperLabelTest, ClickWhileHoveringOpensTheUrlOnly) {
  MakeWindow();
  Link->URL = "http://127.0.0.1/vantrel/";
  Link->HyperColour = 0xEE9999;
  SendMessageA(Link->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  EXPECT_EQ(Link->Font()->Color(), 0xEE9999u);
  SendMessageA(Link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageA(Link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].Verb, "Open");
  EXPECT_EQ(Opened[0].File, "http://127.0.0.1/vantrel/");
  EXPECT_EQ(Opened[0].Show, SW_SHOWNORMAL);
  // pressed, then the pointer left: released elsewhere opens nothing and
  // the saved colour comes back
  SendMessageA(Link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageA(Link->Handle(), WM_MOUSELEAVE, 0, 0);
  SendMessageA(Link->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(400, 4));
  EXPECT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Link->Font()->Color(), 0x800000u);
  // entering while pressed shows the pressed colour
  SendMessageA(Link->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageA(Link->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(4, 4));
  EXPECT_EQ(Link->Font()->Color(), 0x0000FFu);
}

TEST_F(HyperLabelTest, PressedOnTheLinkAndReleasedElsewhereOpensNothing) {
  MakeWindow();
  Link->URL = "http://127.0.0.1/vantrel/";
  POINT p = ClientToScreenPoint(Link->Handle(), 5, 5);
  MoveMouseTo(p.x, p.y);
  PumpFor(80);
  ASSERT_TRUE(Link->Hovering());
  MouseButton(TInputButton::Left, true);
  PumpFor(80);
  ASSERT_TRUE(Link->Pressed());
  MoveMouseTo(p.x + 250, p.y + 40);   // the label holds the mouse: no leave message comes
  PumpFor(80);
  MouseButton(TInputButton::Left, false);
  PumpFor(80);
  EXPECT_TRUE(Opened.empty());
  EXPECT_FALSE(Link->Pressed());
  EXPECT_FALSE(Link->Hovering());
  EXPECT_EQ(Link->Font()->Color(), 0x800000u);
  // back over it, a click opens the link once
  ClickAt(p.x, p.y);
  PumpFor(80);
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].File, "http://127.0.0.1/vantrel/");
  EXPECT_EQ(Link->Font()->Color(), 0xFF0000u);
}
