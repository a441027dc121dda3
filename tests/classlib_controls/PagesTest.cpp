#include <string>
#include <vector>

#include "ControlForm.h"
#include "classlib/ComCtrls.h"
#include "classlib/StdCtrls.h"

namespace {
void ClickTab(TPageControl* P, int Tab) {
  RECT r;
  SendMessageA(P->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(Tab), reinterpret_cast<LPARAM>(&r));
  ClickClient(P->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PumpFor(80);
}

std::string StatusText(TStatusBar* S, int Part) {
  char buf[256] = {};
  SendMessageA(S->Handle(), SB_GETTEXTA, static_cast<WPARAM>(Part), reinterpret_cast<LPARAM>(buf));
  return buf;
}

int CountRed(const TCapture& C) {
  int n = 0;
  for (uint32_t p : C.Pixels) n += (p >> 16) > 0xC0 && ((p >> 8) & 0xFF) < 0x40 && (p & 0xFF) < 0x40;
  return n;
}
}  // namespace

TEST_F(ControlTest, PageControlShowsThePageOfTheClickedTab) {
  auto* pages = Add<TPageControl>(Form, 10, 10, 452, 300);
  std::vector<TTabSheet*> sheets;
  std::vector<TCheckBox*> boxes;
  for (const char* c : {"&Options", "&Visuals", "&Web Map", "&Rogue Countries"}) {
    auto* s = new TTabSheet(Form);
    s->SetPageControl(pages);
    s->SetCaption(c);
    auto* b = new TCheckBox(Form);
    b->SetParent(s);
    b->SetBounds(14, 22, 150, 20);
    b->SetCaption(std::string("on ") + c);
    sheets.push_back(s);
    boxes.push_back(b);
  }
  bool allow = true;
  std::vector<std::string> log;
  pages->OnChanging = [&](TObject*, bool& Allow) {
    log.push_back("changing");
    Allow = allow;
  };
  pages->OnChange = [&](TObject*) { log.push_back("change " + pages->ActivePage()->Caption()); };
  ShowForm();

  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(pages->ActivePage(), sheets[0]);
  EXPECT_TRUE(IsWindowVisible(boxes[0]->Handle()));
  EXPECT_FALSE(IsWindowVisible(boxes[1]->Handle()));
  // the page fills the tab control's display area
  RECT display{0, 0, pages->ClientWidth(), pages->ClientHeight()};
  SendMessageA(pages->Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  EXPECT_EQ(sheets[0]->BoundsRect().left, display.left);
  EXPECT_EQ(sheets[0]->BoundsRect().bottom, display.bottom);

  ClickTab(pages, 2);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 2);
  EXPECT_TRUE(IsWindowVisible(boxes[2]->Handle()));
  EXPECT_FALSE(IsWindowVisible(boxes[0]->Handle()));
  EXPECT_EQ(log, (std::vector<std::string>{"changing", "change &Web Map"}));
  // a control on the shown page takes clicks
  Click(boxes[2], 6, 10);
  EXPECT_TRUE(boxes[2]->Checked());

  allow = false;
  ClickTab(pages, 1);
  EXPECT_EQ(pages->ActivePage(), sheets[2]);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 2);
  allow = true;

  // a hidden tab: the tabs after it move left
  sheets[1]->SetTabVisible(false);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
  ClickTab(pages, 2);
  EXPECT_EQ(pages->ActivePage(), sheets[3]);
  EXPECT_EQ(pages->ActivePageIndex(), 3);
  pages->SetActivePageIndex(0);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindowVisible(boxes[0]->Handle()));
  delete sheets[0];   // its page goes with it
  EXPECT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(pages->ActivePage(), sheets[1]);
}

TEST_F(ControlTest, StatusBarPanelsHoldTheirTextsAndWidths) {
  auto* bar = new TStatusBar(Form);
  bar->SetParent(Form);
  for (int w : {250, 150, 150}) bar->AddPanel()->SetWidth(w);
  bar->Panels(0)->SetText(" Ready.");
  bar->Panels(2)->SetAlignment(TAlignment::taCenter);
  bar->Panels(2)->SetText(" Press F3 to search through file");
  ShowForm();
  EXPECT_EQ(bar->Top() + bar->Height(), Form->ClientHeight());   // at the bottom
  int edges[3] = {};
  ASSERT_EQ(SendMessageA(bar->Handle(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[0], 250);
  EXPECT_EQ(edges[1], 400);
  EXPECT_EQ(edges[2], -1);
  EXPECT_EQ(StatusText(bar, 0), " Ready.");
  EXPECT_EQ(StatusText(bar, 2), "\t Press F3 to search through file");
  bar->Panels(1)->SetText(" 12 unique IP addresses");
  EXPECT_EQ(StatusText(bar, 1), " 12 unique IP addresses");
  bar->SetSimplePanel(true);
  bar->SetSimpleText("one text");
  EXPECT_TRUE(SendMessageA(bar->Handle(), SB_ISSIMPLE, 0, 0));
}

TEST_F(ControlTest, RichEditFindsTextAndColoursWhatItFound) {
  auto* rich = new TRichEdit(Form);
  rich->SetParent(Form);
  rich->SetAlign(TAlign::alClient);
  rich->Font()->SetName("Courier New");
  rich->Font()->SetHeight(-16);
  rich->ScrollBars = TScrollStyle::ssBoth;
  rich->WordWrap = false;
  rich->SetReadOnly(true);
  std::vector<WORD> keys;
  rich->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { keys.push_back(Key); };
  ShowForm();
  char cls[32] = {};
  GetClassNameA(rich->Handle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "TRichEdit");
  // a log of more than the control's default 32 KB
  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += "10:" + IntToStr(i) + " 8.8.8.8:53 -> 192.168.1." + IntToStr(i % 200) + "\r\n";
  text += "last 8.8.8.8";
  rich->Lines()->SetText(text);
  EXPECT_EQ(rich->Lines()->Count(), 3001);
  int len = rich->GetTextLen();
  EXPECT_EQ(len, static_cast<int>(text.size()) - 3000);   // a line break is one position

  // every "8.8.8.8" red
  const std::string address = "8.8.8.8";
  SendMessageA(rich->Handle(), WM_SETREDRAW, FALSE, 0);
  std::vector<int> hits;
  for (int at = rich->FindText(address, 0, len, {}); at >= 0;
       at = rich->FindText(address, at + 1, len - at - 1, {})) {
    hits.push_back(at);
    SendMessageA(rich->Handle(), EM_SETSEL, static_cast<WPARAM>(at), at + static_cast<int>(address.size()));
    rich->SelAttributes()->SetColor(clRed);
  }
  rich->SetSelStart(0);
  SendMessageA(rich->Handle(), WM_SETREDRAW, TRUE, 0);
  rich->Repaint();
  ASSERT_EQ(hits.size(), 3001u);
  EXPECT_EQ(hits[0], 5);
  EXPECT_EQ(rich->FindText("192.168.1.7 ", 0, len, {}), -1);   // line ends hold no blank
  EXPECT_EQ(rich->FindText("LAST", 0, len, {}), len - 12);
  EXPECT_EQ(rich->FindText("LAST", 0, len, {TSearchType::stMatchCase}), -1);
  SendMessageA(rich->Handle(), EM_SETSEL, static_cast<WPARAM>(hits[1]), hits[1] + 7);
  EXPECT_EQ(rich->SelText(), address);
  EXPECT_EQ(rich->SelAttributes()->Color(), clRed);
  SendMessageA(rich->Handle(), EM_SETSEL, static_cast<WPARAM>(hits[1] + 8), hits[1] + 10);
  EXPECT_NE(rich->SelAttributes()->Color(), clRed);
  PumpFor(80);
  TCapture shot = CaptureClient(rich->Handle());
  SaveBmp(shot, "richedit.bmp");
  EXPECT_GT(CountRed(shot), 200);

  // keys reach its handler; read-only: typing changes nothing
  rich->SetFocus();
  Press(VK_F3);
  Type("x");
  EXPECT_EQ(keys.front(), VK_F3);
  EXPECT_EQ(rich->GetTextLen(), len);
}
