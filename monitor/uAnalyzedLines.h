// The text of an analysed file and its lines, split as a string list splits
// text: a line ends at CR, LF or CR LF, and no empty line follows the last
// line break. The text is kept in one block (a file of millions of lines
// would otherwise be millions of strings); where each line starts is found
// when a line is first asked for.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class TAnalyzedLines {
public:
  TAnalyzedLines() = default;
  ~TAnalyzedLines();
  TAnalyzedLines(TAnalyzedLines&& Other) noexcept { Swap(Other); }
  TAnalyzedLines& operator=(TAnalyzedLines&& Other) noexcept {
    TAnalyzedLines gone;
    gone.Swap(Other);
    Swap(gone);
    return *this;
  }
  void Swap(TAnalyzedLines& Other) noexcept;

  int Count() const { return FCount; }
  // Line Index without its line break.
  std::string_view operator[](int Index) const;
  std::string_view Text() const { return {FText.get(), FSize}; }
  void Clear() { *this = TAnalyzedLines(); }

  // Building: room for Capacity bytes, then the text in pieces, in order:
  // Append copies a piece; or the piece is written into Room(Size) and
  // Grow(its size) takes it.
  void Reserve(size_t Capacity);
  void Append(std::string_view Piece);
  char* Room(size_t Size);
  void Grow(size_t Size);
  // The text at once.
  void SetText(std::string_view Text);

  // Calls Line(text) for each line in order.
  template <typename F>
  void ForEach(F&& Line) const {
    const char* p = FText.get();
    const char* const end = p + FSize;
    while (p < end) {
      const char* e = FindLineBreak(p, end);
      Line(std::string_view(p, static_cast<size_t>(e - p)));
      p = AfterLineBreak(e, end);
    }
  }

  // The first CR or LF in [From, To), To when there is none.
  static const char* FindLineBreak(const char* From, const char* To);
  // Past the line break at At (CR LF counts as one), To when At is To.
  static const char* AfterLineBreak(const char* At, const char* To) {
    if (At == To) return To;
    return At + (At[0] == '\r' && At + 1 < To && At[1] == '\n' ? 2 : 1);
  }

private:
  std::unique_ptr<char[]> FText;
  size_t FSize = 0, FCapacity = 0;
  // The memory up to FTouched has been written once; threads in FToucher
  // write it on to FTouching.
  size_t FTouched = 0, FTouching = 0;
  std::vector<std::thread> FToucher;
  void StartTouch(size_t To);
  void WaitTouch() noexcept;
  int FCount = 0, FBreaks = 0;
  bool FEndsWithCR = false;   // a CR ended the text so far: a LF next is part of its break
  mutable std::vector<size_t> FStarts;   // of every line, once a line was asked for
};
