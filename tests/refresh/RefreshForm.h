// A main window whose hooks into the globe and the Connections Table record
// what the poll hands them.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "viewer/NsMain.h"
#include "viewer/NsMainModes.h"

inline std::vector<std::string> Lines(const TStrings& L) {
  std::vector<std::string> r;
  for (int i = 0; i < L.Count(); ++i) r.push_back(L[i]);
  return r;
}

class TTestForm : public TMainForm {
public:
  using TMainForm::TMainForm;
  int GlobeUpdates = 0;
  std::vector<std::string> GlobeSaw;   // VisualizedIPs as the globe update saw it
  std::vector<TConnectionItem> Items;
  int Fills = 0;
  bool Visible = false;
  int Implants = 0;
  bool RealGlobe = false;   // the globe update runs too, and with it the connection log

protected:
  void UpdateGlobe() override {
    ++GlobeUpdates;
    GlobeSaw = Lines(VisualizedIPs);
    EXPECT_TRUE(WindowModes.GlobePending);
    WindowModes.GlobePending = false;   // the globe itself is not what these tests look at
    if (RealGlobe) TMainForm::UpdateGlobe();
  }
  void ShowConnectionItems(const std::vector<TConnectionItem>& I) override {
    Items = I;
    ++Fills;
  }
  bool ConnectionsTableVisible() const override { return Visible; }
  void ImplantClick(TObject*) override { ++Implants; }
};
