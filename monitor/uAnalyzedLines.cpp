#include "monitor/uAnalyzedLines.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace {
// A large text's memory is written once, a chunk ahead of the text, by a
// few threads while the text arrives: where the first touch of a page is
// slow (under Wine here some hundred milliseconds for 100 MB, about what
// the whole scan takes), it is then taken in parallel and meanwhile.
constexpr size_t TouchChunk = 8u << 20;
constexpr size_t PageSize = 4096;

size_t TouchThreads() { return std::min(2u, std::max(1u, std::thread::hardware_concurrency()) - 1); }

// One byte of every Parts-th page of [From, To), from page Part on.
void TouchPages(char* From, char* To, size_t Part, size_t Parts) {
  for (char* p = From + Part * PageSize; p < To; p += Parts * PageSize) *p = 0;
}

// Every LF and every CR not followed by a LF (a CR at the end counts).
int CountLineBreaks(const char* From, const char* To) {
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  int breaks = 0;
  unsigned pendingCR = 0;   // the last byte of the block before was a CR
  for (; To - From >= 16; From += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From));
    const unsigned c = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, cr)));
    const unsigned l = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, lf)));
    breaks += __builtin_popcount(l) + __builtin_popcount(c & ~(l >> 1) & 0x7FFFu) + (pendingCR & ~l & 1u);
    pendingCR = c >> 15;
  }
  for (; From < To; ++From) {
    if (*From == '\n') {
      ++breaks;
    } else {
      breaks += static_cast<int>(pendingCR);
    }
    pendingCR = *From == '\r';
  }
  return breaks + static_cast<int>(pendingCR);
}
}  // namespace

TAnalyzedLines::~TAnalyzedLines() { WaitTouch(); }

void TAnalyzedLines::WaitTouch() noexcept {
  for (std::thread& t : FToucher) t.join();
  FToucher.clear();
  FTouched = std::max(FTouched, FTouching);
}

void TAnalyzedLines::StartTouch(size_t To) {
  const size_t threads = TouchThreads();
  char* const from = FText.get() + FTouched;
  char* const to = FText.get() + To;
  FTouching = To;
  try {
    for (size_t k = 0; k < threads; ++k) FToucher.emplace_back(TouchPages, from, to, k, threads);
  } catch (...) {   // no threads to be had: all of it here and now
    WaitTouch();
    TouchPages(from, to, 0, 1);
  }
  if (threads == 0) WaitTouch();
}

void TAnalyzedLines::Swap(TAnalyzedLines& Other) noexcept {
  WaitTouch();
  Other.WaitTouch();
  std::swap(FText, Other.FText);
  std::swap(FSize, Other.FSize);
  std::swap(FCapacity, Other.FCapacity);
  std::swap(FTouched, Other.FTouched);
  std::swap(FTouching, Other.FTouching);
  std::swap(FCount, Other.FCount);
  std::swap(FBreaks, Other.FBreaks);
  std::swap(FEndsWithCR, Other.FEndsWithCR);
  std::swap(FStarts, Other.FStarts);
}

const char* TAnalyzedLines::FindLineBreak(const char* From, const char* To) {
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; To - From >= 16; From += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From));
    const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(b, cr), _mm_cmpeq_epi8(b, lf)));
    if (hits) return From + __builtin_ctz(static_cast<unsigned>(hits));
  }
  while (From < To && *From != '\r' && *From != '\n') ++From;
  return From;
}

std::string_view TAnalyzedLines::operator[](int Index) const {
  if (FStarts.empty() && FSize > 0) {
    FStarts.reserve(static_cast<size_t>(FCount));
    const char* const text = FText.get();
    const char* const end = text + FSize;
    for (const char* p = text; p < end; p = AfterLineBreak(FindLineBreak(p, end), end))
      FStarts.push_back(static_cast<size_t>(p - text));
  }
  if (Index < 0 || static_cast<size_t>(Index) >= FStarts.size()) return {};
  const char* const from = FText.get() + FStarts[static_cast<size_t>(Index)];
  return {from, static_cast<size_t>(FindLineBreak(from, FText.get() + FSize) - from)};
}

void TAnalyzedLines::Reserve(size_t Capacity) {
  if (Capacity <= FCapacity) return;
  WaitTouch();
  auto text = std::make_unique_for_overwrite<char[]>(Capacity);
  if (FSize > 0) std::memcpy(text.get(), FText.get(), FSize);
  FText = std::move(text);
  FCapacity = Capacity;
  FTouched = FTouching = FSize;
}

char* TAnalyzedLines::Room(size_t Size) {
  if (Size > FCapacity - FSize) Reserve(std::max(FSize + Size, FCapacity * 2));
  const size_t need = FSize + Size;
  if (need > FTouched) {
    WaitTouch();   // the chunk ahead
    if (need > FTouched) {   // not even that far: up to the next chunk now
      StartTouch(std::min(FCapacity, std::max(need, FTouched + TouchChunk)));
      WaitTouch();
    }
    if (FTouched < FCapacity) StartTouch(std::min(FCapacity, FTouched + TouchChunk));
  }
  return FText.get() + FSize;
}

void TAnalyzedLines::Grow(size_t Size) {
  if (Size == 0) return;
  const char* p = FText.get() + FSize;
  const char* const end = p + Size;
  if (FEndsWithCR && *p == '\n') ++p;   // the LF of a CR LF that the pieces split
  FBreaks += CountLineBreaks(p, end);
  FSize += Size;
  const char last = end[-1];
  FEndsWithCR = last == '\r';
  FCount = FBreaks + (last == '\r' || last == '\n' ? 0 : 1);
  FStarts.clear();
}

void TAnalyzedLines::Append(std::string_view Piece) {
  if (Piece.empty()) return;
  std::memcpy(Room(Piece.size()), Piece.data(), Piece.size());
  Grow(Piece.size());
}

void TAnalyzedLines::SetText(std::string_view Text) {
  Clear();
  Reserve(Text.size());
  Append(Text);
}
