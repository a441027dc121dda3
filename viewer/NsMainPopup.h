// The location popup: the items it shows for a picked point.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Menus.h"

// What an item of the location popup does when chosen.
enum class TPopupCommand {
  pcNone, pcTraceroute, pcWhois, pcShowEntry, pcCloseConnection, pcKillConnection, pcProcessInfo,
  pcConnectionsTable, pcWebMap, pcAnalyzeFile, pcUnloadAnalysis, pcExit
};
// How it is drawn: by the system, measured as an address, or as the
// column header picture.
enum class TPopupDraw { pdSystem, pdAddress, pdHeader };
struct TPopupItemSpec {
  std::string Caption, Hint;
  int Bitmap = 0;   // resource ID, 0 for none
  bool Enabled = true;
  TShortCut ShortCut = 0;
  TPopupCommand Command = TPopupCommand::pcNone;
  TPopupDraw Draw = TPopupDraw::pdSystem;
  std::vector<TPopupItemSpec> Items;
};
struct TLocationPopupInput {
  std::string ClickedText;   // the picked point's addresses, one per line
  bool HopClicked = false;   // the point is a traceroute hop
  bool AnalysisLoaded = false, FileLocationHover = false, OwnerInfoMissing = false;
  const TStrings* DetailRows = nullptr;
  std::function<int(const std::string&)> TextWidth;   // pixels, on the popup's font
};

// The items of the popup for a picked point, in order.
std::vector<TPopupItemSpec> LocationPopupItems(const TLocationPopupInput& In);
// Takes the clicked text apart: lines while more than 6 characters are
// left; the rest after each line loses its spaces.
std::vector<std::string> ClickedAddresses(std::string Text);
// The addresses of a hop's text (lines "3   1.2.3.4", merged ones " 4   5.6.7.8"):
// each line without its hop number and without spaces.
std::string StripHopNumbers(const std::string& Text);
// The caption of a connection row under "Details": local, remote, state and
// process in columns padded with spaces.
std::string DetailRowCaption(const std::string& Local, const std::string& Remote, const std::string& State,
                             const std::string& Process, const std::function<int(const std::string&)>& TextWidth);
