// The RAR extraction component's two prompts, answered with real input.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "GuiTest.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "wizard/RarExtractor.h"

namespace {

class PromptTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    Extractor = std::make_unique<TRarExtractor>(nullptr);
  }
  void TearDown() override {
    Extractor.reset();
    Forms_Finalize();
  }
  // Once the dialog is up: types Text and clicks the button Button.
  void AnswerWith(const std::string& Caption, const std::string& Text, const std::string& Button) {
    Timer = std::make_unique<TTimer>(nullptr);
    Timer->SetInterval(300);
    Timer->OnTimer = [=, this](TObject*) {
      HWND dlg = FindWindowA(nullptr, Caption.c_str());
      if (!dlg) return;
      Timer->SetEnabled(false);
      RECT r;
      GetClientRect(dlg, &r);
      DialogSize = {r.right, r.bottom};
      HWND edit = FindWindowExA(dlg, nullptr, "TEdit", nullptr);
      Masked = edit && (GetWindowLongA(edit, GWL_STYLE) & ES_PASSWORD);
      char initial[256] = {};
      if (edit) GetWindowTextA(edit, initial, sizeof initial);
      Initial = initial;
      SaveBmp(CaptureClient(dlg), "prompt-" + std::string(Masked ? "password" : "volume") + ".bmp");
      if (edit) {
        SendMessageA(edit, EM_SETSEL, 0, -1);
        TypeText(Text);
      }
      HWND b = FindWindowExA(dlg, nullptr, "TButton", Button.c_str());
      RECT br;
      GetWindowRect(b, &br);
      ClickAt((br.left + br.right) / 2, (br.top + br.bottom) / 2);
    };
  }
  std::unique_ptr<TRarExtractor> Extractor;
  std::unique_ptr<TTimer> Timer;
  SIZE DialogSize{};
  bool Masked = false;
  std::string Initial;
};

TEST_F(PromptTest, PasswordDialogMasksAndHandsOverThePassword) {
  Extractor->PromptForPass = true;
  AnswerWith("Mot de passe : ...", "s3cret", "Ok");
  char buf[64];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(Extractor->HandleCallback(UCM_NEEDPASSWORD, reinterpret_cast<LPARAM>(buf), sizeof buf), 0);
  EXPECT_STREQ(buf, "s3cret");
  EXPECT_TRUE(Masked);
  EXPECT_EQ(DialogSize.cx, 168);
  EXPECT_EQ(DialogSize.cy, 69);
}

TEST_F(PromptTest, VolumeDialogNamesTheVolumeAndCancelGivesUp) {
  Extractor->PromptForVolumn = true;
  Extractor->FileName = "geoip.part01.rar";
  char name[260] = "geoip.part04.rar";
  AnswerWith("Archive suivante : ...", "elsewhere\\geoip.part04.rar", "Ok");
  EXPECT_EQ(Extractor->HandleCallback(UCM_CHANGEVOLUME, reinterpret_cast<LPARAM>(name), RAR_VOL_ASK), 0);
  EXPECT_EQ(Initial, "geoip.part04.rar");   // prefilled with the missing volume
  EXPECT_FALSE(Masked);
  EXPECT_STREQ(name, "elsewhere\\geoip.part04.rar");
  AnswerWith("Archive suivante : ...", "typed", "Annuler");
  EXPECT_EQ(Extractor->HandleCallback(UCM_CHANGEVOLUME, reinterpret_cast<LPARAM>(name), RAR_VOL_ASK), -1);
  EXPECT_STREQ(name, "typed");   // the text goes back after either button
}

}  // namespace
