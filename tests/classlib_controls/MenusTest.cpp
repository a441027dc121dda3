#include <functional>
#include <string>
#include <vector>

#include "ControlForm.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Menus.h"

namespace {
constexpr UINT MN_GETHMENU_ = 0x01E1;

// Steps run one per tick inside whatever loop is running (a menu's own);
// a step returns false to be tried again on the next tick.
class TScript {
public:
  explicit TScript(TComponent* Owner) : FTimer(new TTimer(Owner)) {
    FTimer->SetInterval(40);
    FTimer->OnTimer = [this](TObject*) {
      if (FNext < FSteps.size() && FSteps[FNext]()) ++FNext;
    };
  }
  void Then(std::function<bool()> Step) { FSteps.push_back(std::move(Step)); }
  bool Done() const { return FNext == FSteps.size(); }

private:
  TTimer* FTimer;
  std::vector<std::function<bool()>> FSteps;
  size_t FNext = 0;
};

HWND OpenMenuWindow() {
  HWND w = FindWindowA("#32768", nullptr);
  return w && IsWindowVisible(w) ? w : nullptr;
}

int CountIn(const TCapture& C, uint32_t Rgb) { return C.Count(Rgb); }

std::string MenuString(HMENU Menu, int Pos) {
  char buf[128] = {};
  GetMenuStringA(Menu, static_cast<UINT>(Pos), buf, sizeof buf, MF_BYPOSITION);
  return buf;
}
}  // namespace

TEST_F(ControlTest, OwnerDrawnPopupItemsArePaintedWhileTheMenuIsOpen) {
  ShowForm();
  auto* popup = new TPopupMenu(Form);
  auto* header = new TMenuItem(popup);
  header->Caption = "Local IP:Port";
  header->Enabled = false;
  header->OnMeasureItem = [](TObject*, TCanvas*, int& W, int& H) {
    W = 240;
    H = 30;
  };
  std::vector<bool> drawnSelected;
  header->OnAdvancedDrawItem = [&](TObject*, TCanvas* C, TRect R, TOwnerDrawState State) {
    C->Brush()->SetColor(0x34AB12);   // 0x12AB34 on the screen
    C->FillRect(R);
    drawnSelected.push_back(State.Contains(TOwnerDrawStateItem::odSelected));
  };
  popup->Items()->Add(header);
  auto* row = new TMenuItem(popup);
  row->Caption = "1.2.3.4:80";
  int measuredWidth = 0;
  row->OnMeasureItem = [&](TObject*, TCanvas* C, int& W, int& H) {
    W = C->TextWidth("123.256.289.042") + 16;
    measuredWidth = W;
    H = 24;
  };
  row->OnDrawItem = [](TObject*, TCanvas* C, TRect R, bool Selected) {
    C->Brush()->SetColor(Selected ? 0x0000FF : 0x00FF00);   // red when selected, else green
    C->FillRect(R);
  };
  popup->Items()->Add(row);
  auto* sep = new TMenuItem(popup);
  sep->Caption = "-";
  popup->Items()->Add(sep);
  auto* exit = new TMenuItem(popup);
  exit->Caption = "Exit";
  popup->Items()->Add(exit);

  TScript s(Form);
  TCapture closed, hovered;
  RECT menuRect{};
  s.Then([&] {
    HWND m = OpenMenuWindow();
    if (!m) return false;
    GetWindowRect(m, &menuRect);
    closed = CaptureScreen(menuRect);
    SaveBmp(closed, "popup.bmp");
    HMENU h = reinterpret_cast<HMENU>(SendMessageA(m, MN_GETHMENU_, 0, 0));
    RECT r;
    GetMenuItemRect(nullptr, h, 1, &r);
    MoveMouseTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
  });
  s.Then([&] {
    hovered = CaptureScreen(menuRect);
    if (hovered.Count(0xFF0000) == 0) return false;   // until the row shows selected
    PressKey(VK_ESCAPE);
    return true;
  });
  popup->Popup(200, 200);
  ASSERT_TRUE(PumpUntil([&] { return s.Done(); }, 5000));
  PumpFor(50);
  EXPECT_EQ(OpenMenuWindow(), nullptr);

  ASSERT_GT(closed.Width, 0);
  EXPECT_GE(closed.Width, 240);
  EXPECT_GE(CountIn(closed, 0x12AB34), 240 * 30 * 9 / 10);   // the header, as its event drew it
  EXPECT_GE(CountIn(closed, 0x00FF00), measuredWidth * 24 * 9 / 10);
  EXPECT_EQ(CountIn(closed, 0xFF0000), 0);
  EXPECT_GE(CountIn(hovered, 0xFF0000), measuredWidth * 24 * 9 / 10);   // drawn again, selected
  EXPECT_EQ(CountIn(hovered, 0x00FF00), 0);
  EXPECT_FALSE(drawnSelected.empty());
  EXPECT_EQ(std::count(drawnSelected.begin(), drawnSelected.end(), true), 0);   // disabled: never selected
}

TEST_F(ControlTest, MainMenuShowsShortcutsChecksAndRadioGroups) {
  auto* menu = new TMainMenu(Form);
  auto* file = new TMenuItem(menu);
  file->Caption = "&File";
  menu->Items()->Add(file);
  auto* open = new TMenuItem(menu);
  open->Caption = "&Open new";
  open->ShortCut = scCtrl | 'O';
  file->Add(open);
  auto* exportList = new TMenuItem(menu);
  exportList->Caption = "Export list";
  exportList->ShortCut = VK_F4;
  exportList->Enabled = false;
  file->Add(exportList);
  auto* options = new TMenuItem(menu);
  options->Caption = "&Options";
  menu->Items()->Add(options);
  auto* corresponding = new TMenuItem(menu);
  corresponding->Caption = "Show corresponding entries only";
  corresponding->AutoCheck = true;
  options->Add(corresponding);
  std::vector<TMenuItem*> maps;
  for (const char* c : {"Normal", "Satellite", "Hybrid"}) {
    auto* m = new TMenuItem(menu);
    m->Caption = c;
    m->RadioItem = true;
    m->AutoCheck = true;
    m->GroupIndex = 1;
    options->Add(m);
    maps.push_back(m);
  }
  maps[0]->SetChecked(true);
  std::vector<std::string> clicks;
  for (TMenuItem* i : {open, exportList, corresponding, maps[0], maps[1], maps[2]})
    i->OnClick = [&clicks](TObject* S) { clicks.push_back(static_cast<TMenuItem*>(S)->Caption); };
  Form->SetMenu(menu);
  ShowForm();

  HMENU bar = GetMenu(Form->Handle());
  ASSERT_EQ(bar, menu->Handle());
  EXPECT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(MenuString(bar, 1), "&Options");

  // Ctrl+O runs its item; F4 of a disabled item runs nothing
  KeyDown(VK_CONTROL);
  PressKey('O');
  KeyUp(VK_CONTROL);
  PressKey(VK_F4);
  PumpFor(80);
  EXPECT_EQ(clicks, std::vector<std::string>{"&Open new"});

  // open "Options" with the mouse: its items are made as it opens
  TScript s(Form);
  std::vector<std::string> texts;
  std::vector<UINT> states;
  auto readOpenMenu = [&](int Click) {
    return [&, Click] {
      HWND m = OpenMenuWindow();
      if (!m) return false;
      HMENU h = reinterpret_cast<HMENU>(SendMessageA(m, MN_GETHMENU_, 0, 0));
      texts.clear();
      states.clear();
      for (int i = 0; i < GetMenuItemCount(h); ++i) {
        texts.push_back(MenuString(h, i));
        states.push_back(GetMenuState(h, static_cast<UINT>(i), MF_BYPOSITION) & (MF_CHECKED | MF_DISABLED));
      }
      RECT r;
      GetMenuItemRect(nullptr, h, static_cast<UINT>(Click), &r);
      ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      return true;
    };
  };
  RECT item;
  GetMenuItemRect(Form->Handle(), bar, 1, &item);
  s.Then(readOpenMenu(3));   // "Hybrid"
  ClickAt((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  ASSERT_TRUE(PumpUntil([&] { return s.Done() && !OpenMenuWindow(); }, 5000));
  PumpFor(80);
  EXPECT_EQ(texts, (std::vector<std::string>{"Show corresponding entries only", "Normal", "Satellite", "Hybrid"}));
  EXPECT_EQ(states, (std::vector<UINT>{0, MF_CHECKED, 0, 0}));
  EXPECT_EQ(clicks.back(), "Hybrid");
  EXPECT_TRUE(maps[2]->Checked());
  EXPECT_FALSE(maps[0]->Checked());

  // the next opening shows the new states; a check item toggles
  TScript s2(Form);
  s2.Then(readOpenMenu(0));
  ClickAt((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  ASSERT_TRUE(PumpUntil([&] { return s2.Done() && !OpenMenuWindow(); }, 5000));
  PumpFor(80);
  EXPECT_EQ(states, (std::vector<UINT>{0, 0, 0, MF_CHECKED}));
  EXPECT_TRUE(corresponding->Checked());

  // "File": shortcut texts after a tab; the disabled item greyed
  TScript s3(Form);
  s3.Then([&] {
    if (!readOpenMenu(0)()) return false;
    return true;
  });
  GetMenuItemRect(Form->Handle(), bar, 0, &item);
  ClickAt((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  ASSERT_TRUE(PumpUntil([&] { return s3.Done() && !OpenMenuWindow(); }, 5000));
  PumpFor(80);
  EXPECT_EQ(texts, (std::vector<std::string>{"&Open new\tCtrl+O", "Export list\tF4"}));
  EXPECT_EQ(states[1] & MF_DISABLED, static_cast<UINT>(MF_DISABLED));
  EXPECT_EQ(clicks.back(), "&Open new");
  EXPECT_EQ(clicks.size(), 4u);
  EXPECT_EQ(ShortCutToText(scShift | scCtrl | VK_DELETE), "Shift+Ctrl+Del");
}
