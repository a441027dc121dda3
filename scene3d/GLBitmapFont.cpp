#include "scene3d/GLBitmapFont.h"

#include <algorithm>
#include <cstdio>

#include "classlib/UnitInit.h"
#include "scene3d/GLState.h"
#include "scene3d/GLUtils.h"

namespace {
const char* const UnitName = "scene3d\\GLBitmapFont";
TUnitCounter InitCounter;

const char* const FlatTextOptionNames[] = {"ftoTwoSided"};
}  // namespace

const char* const AlignmentNames[3] = {"taLeftJustify", "taRightJustify", "taCenter"};
const char* const TextLayoutNames[3] = {"tlTop", "tlCenter", "tlBottom"};

IMPLEMENT_CLASSINFO(TBitmapFontRange, TCollectionItem)
IMPLEMENT_CLASSINFO(TBitmapFontRanges, TOwnedCollection)
IMPLEMENT_CLASSINFO(TGLCustomBitmapFont, TGLUpdateAbleComponent)
IMPLEMENT_CLASSINFO(TGLBitmapFont, TGLCustomBitmapFont)
IMPLEMENT_CLASSINFO(TGLBitmapTextObject, TGLImmaterialSceneObject)
IMPLEMENT_CLASSINFO(TGLFlatText, TGLBitmapTextObject)

// ---- Ranges ------------------------------------------------------------------------------------

void TBitmapFontRange::SetStartASCII(uint8_t Value) {
  if (Value == FStartASCII) return;
  FStartASCII = Value;
  if (FStartASCII > FStopASCII) FStopASCII = FStartASCII;
  Changed(false);
}

void TBitmapFontRange::SetStopASCII(uint8_t Value) {
  if (Value == FStopASCII) return;
  FStopASCII = Value;
  if (FStopASCII < FStartASCII) FStartASCII = FStopASCII;
  Changed(false);
}

void TBitmapFontRange::SetStartGlyphIdx(int Value) {
  Value = std::max(Value, 0);
  if (Value == FStartGlyphIdx) return;
  FStartGlyphIdx = Value;
  Changed(false);
}

std::string TBitmapFontRange::DisplayName() const {
  char text[96];
  std::snprintf(text, sizeof text, "ASCII [#%d, #%d] -> Glyphs [%d, %d]", FStartASCII, FStopASCII, FStartGlyphIdx,
                FStartGlyphIdx + FStopASCII - FStartASCII);
  return text;
}

void TBitmapFontRange::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TBitmapFontRange*>(Source)) {
    FStartASCII = src->FStartASCII;
    FStopASCII = src->FStopASCII;
    FStartGlyphIdx = src->FStartGlyphIdx;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(Source);
}

TBitmapFontRanges::TBitmapFontRanges(TPersistent* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TBitmapFontRange>()) {}

TBitmapFontRange* TBitmapFontRanges::Add(uint8_t StartASCII, uint8_t StopASCII) {
  BeginUpdate();
  TBitmapFontRange* range = Add();
  range->SetStartASCII(StartASCII);
  range->SetStopASCII(StopASCII);
  EndUpdate();
  return range;
}

int TBitmapFontRanges::CharacterCount() const {
  int n = 0;
  for (int i = 0; i < Count(); ++i) n += Items(i)->StopASCII() - Items(i)->StartASCII() + 1;
  return n;
}

void TBitmapFontRanges::Update(TCollectionItem* Item) {
  (void)Item;
  if (auto* font = dynamic_cast<TGLCustomBitmapFont*>(GetOwner())) font->RangesChanged();
  else if (GetOwner() && GLSceneHooks().StructureChanged) GLSceneHooks().StructureChanged(GetOwner());
}

// ---- The font --------------------------------------------------------------------------------

TGLCustomBitmapFont::TGLCustomBitmapFont(TComponent* AOwner)
    : TGLUpdateAbleComponent(AOwner),
      FRanges(std::make_unique<TBitmapFontRanges>(this)),
      FGlyphs(std::make_unique<TPicture>()),
      FTextureHandle(std::make_unique<TGLTextureHandle>()) {
  FGlyphs->OnChange = [this](TObject* Sender) { GlyphsChanged(Sender); };
}

// Users let go in their Notification, which only drops the reference: this
// font is no more than a component by then.
TGLCustomBitmapFont::~TGLCustomBitmapFont() {
  ComponentState.Include(TComponentStateItem::csDestroying);
  FGlyphs->OnChange = nullptr;
}

void TGLCustomBitmapFont::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove) std::erase(FUsers, AComponent);
  TGLUpdateAbleComponent::Notification(AComponent, Operation);
}

void TGLCustomBitmapFont::SetRanges(TBitmapFontRanges* Value) {
  FRanges->Assign(Value);
  RangesChanged();
}

void TGLCustomBitmapFont::RangesChanged() {
  FreeTextureHandle();
  InvalidateUsers();
}

void TGLCustomBitmapFont::GlyphsChanged(TObject* Sender) {
  (void)Sender;
  FreeTextureHandle();
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetCharWidth(int Value) {
  Value = std::max(Value, 1);
  if (Value == FCharWidth) return;
  FCharWidth = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetCharHeight(int Value) {
  Value = std::max(Value, 1);
  if (Value == FCharHeight) return;
  FCharHeight = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetGlyphsIntervalX(int Value) {
  Value = std::max(Value, 0);
  if (Value == FGlyphsIntervalX) return;
  FGlyphsIntervalX = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetGlyphsIntervalY(int Value) {
  Value = std::max(Value, 0);
  if (Value == FGlyphsIntervalY) return;
  FGlyphsIntervalY = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetHSpace(int Value) {
  Value = std::max(Value, 0);
  if (Value == FHSpace) return;
  FHSpace = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetVSpace(int Value) {
  Value = std::max(Value, 0);
  if (Value == FVSpace) return;
  FVSpace = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetMinFilter(TGLMinFilter Value) {
  if (Value == FMinFilter) return;
  FMinFilter = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetMagFilter(TGLMagFilter Value) {
  if (Value == FMagFilter) return;
  FMagFilter = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::SetGlyphsAlpha(TGLTextureImageAlpha Value) {
  if (Value == FGlyphsAlpha) return;
  FGlyphsAlpha = Value;
  InvalidateUsers();
}

void TGLCustomBitmapFont::RegisterUser(TGLBaseSceneObject* anObject) {
  Assert(std::find(FUsers.begin(), FUsers.end(), anObject) == FUsers.end(), "", UnitName, 707);
  FUsers.push_back(anObject);
}

void TGLCustomBitmapFont::UnRegisterUser(TGLBaseSceneObject* anObject) { std::erase(FUsers, anObject); }

// The texture is prepared again as well: the sheet may have to be redrawn,
// and its alpha and filters follow the font's.
void TGLCustomBitmapFont::InvalidateUsers() {
  FTextureChanged = true;
  if (!FCharWidths.empty()) std::fill(FCharWidths.begin(), FCharWidths.end(), FCharWidth);
  FTexCoords.reset();
  for (size_t i = FUsers.size(); i-- > 0;)
    if (i < FUsers.size()) FUsers[i]->NotifyChange(this);
}

void TGLCustomBitmapFont::FreeTextureHandle() {
  FTextureChanged = true;
  FTextureHandle->DestroyHandle();
}

std::vector<int>& TGLCustomBitmapFont::WidthTable() {
  if (FCharWidths.empty()) FCharWidths.assign(256, FCharWidth);
  return FCharWidths;
}

int TGLCustomBitmapFont::CharWidths(uint8_t Ch) { return WidthTable()[Ch]; }

void TGLCustomBitmapFont::SetCharWidths(uint8_t Ch, int Value) { WidthTable()[Ch] = Value; }

bool TGLCustomBitmapFont::HasGlyph(uint8_t Ch) const {
  for (int i = 0; i < FRanges->Count(); ++i) {
    const TBitmapFontRange* r = FRanges->Items(i);
    if (Ch >= r->StartASCII() && Ch <= r->StopASCII()) return true;
  }
  return false;
}

int TGLCustomBitmapFont::CharAdvance(uint8_t Ch) {
  if (Ch == ' ') return CharWidths(Ch) + FHSpaceFix + FHSpace;
  if (Ch < 32 || !HasGlyph(Ch)) return 0;
  const int w = CharWidths(Ch);
  return w > 0 ? w + FHSpaceFix + FHSpace : 0;
}

int TGLCustomBitmapFont::TextWidth(const std::string& Text) {
  int width = 0;
  bool any = false;
  for (char c : Text) {
    const auto ch = static_cast<uint8_t>(c);
    const int advance = CharAdvance(ch);
    if (advance == 0 && ch != ' ') continue;
    width += advance;
    any = true;
  }
  return any ? width - FHSpace : 0;
}

int TGLCustomBitmapFont::CharactersPerRow() const {
  const int w = FGlyphs->Width();
  if (w < 1) return 0;
  return (w + FGlyphsIntervalX) / (FGlyphsIntervalX + FCharWidth);
}

std::array<std::array<float, 4>, 256>& TGLCustomBitmapFont::TexCoordsTable() {
  if (!FTexCoords) FTexCoords = std::make_unique<std::array<std::array<float, 4>, 256>>();
  return *FTexCoords;
}

void TGLCustomBitmapFont::BuildTexCoords() {
  auto& table = TexCoordsTable();
  const int perRow = CharactersPerRow();
  if (perRow <= 0 || FTextureWidth <= 0 || FTextureHeight <= 0) return;
  const float w = static_cast<float>(FTextureWidth), h = static_cast<float>(FTextureHeight);
  for (int i = 0; i < FRanges->Count(); ++i) {
    const TBitmapFontRange* r = FRanges->Items(i);
    for (int c = r->StartASCII(); c <= r->StopASCII(); ++c) {
      const int glyph = r->StartGlyphIdx() + (c - r->StartASCII());
      const int x0 = (glyph % perRow) * (FCharWidth + FGlyphsIntervalX);
      const int y0 = (glyph / perRow) * (FCharHeight + FGlyphsIntervalY);
      table[static_cast<size_t>(c)] = {(x0 + 0.05f) / w, (h - (y0 + 0.05f)) / h,
                                       (x0 + CharWidths(static_cast<uint8_t>(c)) - 0.05f) / w,
                                       (h - (y0 + FCharHeight - 0.05f)) / h};
    }
  }
}

// Before the sheet's first upload its texture size is unknown: zeros are
// answered then, and no table is kept.
std::array<float, 4> TGLCustomBitmapFont::GetCharTexCoords(uint8_t Ch) {
  if (!FTexCoords) {
    if (FTextureWidth <= 0 || FTextureHeight <= 0) return {};
    BuildTexCoords();
  }
  return (*FTexCoords)[Ch];
}

void TGLCustomBitmapFont::PrepareImage() {
  TBitmap sheet;
  sheet.SetPixelFormat(TPixelFormat::pf24bit);
  sheet.SetSize(RoundUpToPowerOf2(FGlyphs->Width()), RoundUpToPowerOf2(FGlyphs->Height()));
  sheet.Canvas()->Draw(0, 0, FGlyphs->Graphic());
  TGLBitmap32 image;
  image.Assign(&sheet);
  using A = TGLTextureImageAlpha;
  Assert(FGlyphsAlpha != A::tiaInverseLuminance && FGlyphsAlpha != A::tiaInverseLuminanceSqrt, "", UnitName, 753);
  ApplyTextureImageAlpha(image, FGlyphsAlpha == A::tiaDefault ? A::tiaTopLeftPointColorTransparent : FGlyphsAlpha);
  image.RegisterAsOpenGLTexture(GL_TEXTURE_2D, FMinFilter, FTextureFormat, FTextureWidth, FTextureHeight);
}

void TGLCustomBitmapFont::PrepareParams() {
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLMinFilterValue(FMinFilter));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLMagFilterValue(FMagFilter));
}

int TGLCustomBitmapFont::AlignmentOffset(const std::string& Text, size_t Pos, TAlignment aAlignment) {
  if (aAlignment == TAlignment::taLeftJustify) return 0;
  const size_t end = Text.find('\r', Pos);
  const int width = TextWidth(Text.substr(Pos, end == std::string::npos ? std::string::npos : end - Pos));
  return aAlignment == TAlignment::taRightJustify ? -width : Round(-width * 0.5f);
}

void TGLCustomBitmapFont::PrepareTexture(TGLStateCache& Cache) {
  if (!FTextureChanged && FTextureHandle->Handle() != 0) return;
  if (FTextureHandle->Handle() == 0) FTextureHandle->AllocateHandle();
  Assert(FTextureHandle->Handle() != 0, "", UnitName, 1000);
  // A name just made may be one the cache still believes bound.
  Cache.ResetGLCurrentTexture();
  Cache.SetGLCurrentTexture(0, GL_TEXTURE_2D, FTextureHandle->Handle());
  // A table asked for since the invalidation holds the last sheet's size;
  // the sheet made now sets it again (a picture font's on first use).
  FTexCoords.reset();
  PrepareImage();
  PrepareParams();
  FTextureChanged = false;
}

void TGLCustomBitmapFont::SetGlyphState(TGLStateCache& Cache) {
  Cache.Enable(TGLState::stTexture2D);
  Cache.Disable(TGLState::stLighting);
  Cache.Enable(TGLState::stBlend);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  Cache.SetGLCurrentTexture(0, GL_TEXTURE_2D, FTextureHandle->Handle());
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

template <typename F>
void TGLCustomBitmapFont::LayOutGlyphs(const std::string& aText, TAlignment aAlignment, TGLTextLayout aLayout,
                                       const TVector* aPosition, bool aReverseY, F&& Glyph) {
  // Lines follow downwards on the screen: along -y, or along +y in window
  // coordinates (ReverseY).
  const float down = aReverseY ? 1.0f : -1.0f;
  const float lineAdvance = down * static_cast<float>(FCharHeight + FVSpace);
  const int lines = 1 + static_cast<int>(std::count(aText.begin(), aText.end(), '\r'));
  const float blockHeight = static_cast<float>((FCharHeight + FVSpace) * lines - FVSpace);
  float layoutOffset = 0;
  if (aLayout == TGLTextLayout::tlCenter) layoutOffset = static_cast<float>(Round(blockHeight * 0.5f));
  else if (aLayout == TGLTextLayout::tlBottom) layoutOffset = blockHeight;
  const float px = aPosition ? (*aPosition)[0] : 0.0f, py = aPosition ? (*aPosition)[1] : 0.0f;
  float x = static_cast<float>(AlignmentOffset(aText, 0, aAlignment)) + px;
  float y = -down * layoutOffset + py;
  float bottom = y + down * static_cast<float>(FCharHeight);
  for (size_t i = 0; i < aText.size(); ++i) {
    const auto ch = static_cast<uint8_t>(aText[i]);
    if (ch == 13) {
      x = static_cast<float>(AlignmentOffset(aText, i + 1, aAlignment)) + px;
      y += lineAdvance;
      bottom = y + down * static_cast<float>(FCharHeight);
      continue;
    }
    const int advance = CharAdvance(ch);
    if (ch != ' ' && advance > 0)
      Glyph(x, y, x + static_cast<float>(CharWidths(ch)), bottom, GetCharTexCoords(ch));
    x += static_cast<float>(advance);
  }
}

void TGLCustomBitmapFont::RenderString(TRenderContextInfo& rci, const std::string& aText, TAlignment aAlignment,
                                       TGLTextLayout aLayout, const TVector& aColor, const TVector* aPosition,
                                       bool aReverseY) {
  if (FGlyphs->Width() == 0 || FGlyphs->Height() == 0 || aText.empty()) return;
  TGLStateCache& cache = *rci.stateCache;
  PrepareTexture(cache);
  SetGlyphState(cache);
  glPushAttrib(GL_CURRENT_BIT);
  glColor4fv(aColor.data());
  glBegin(GL_QUADS);
  // tc: left, top, right, bottom in the texture
  LayOutGlyphs(aText, aAlignment, aLayout, aPosition, aReverseY,
               [](float x, float y, float right, float bottom, const std::array<float, 4>& tc) {
                 glTexCoord2f(tc[0], tc[1]);
                 glVertex2f(x, y);
                 glTexCoord2f(tc[0], tc[3]);
                 glVertex2f(x, bottom);
                 glTexCoord2f(tc[2], tc[3]);
                 glVertex2f(right, bottom);
                 glTexCoord2f(tc[2], tc[1]);
                 glVertex2f(right, y);
               });
  glEnd();
  glPopAttrib();
}

void TGLCustomBitmapFont::DrawTextAt(TRenderContextInfo& rci, const std::string& aText, float x, float y,
                                     const TVector& aColor) {
  TGLPushedAttrib enableBits(rci.stateCache, GL_ENABLE_BIT);
  const TVector position{x, y, 0.0f, 1.0f};
  RenderString(rci, aText, TAlignment::taLeftJustify, TGLTextLayout::tlTop, aColor, &position, true);
}

void TGLCustomBitmapFont::DrawTextInColor(TRenderContextInfo& rci, const std::string& aText, float x, float y,
                                          TColor aColor) {
  DrawTextAt(rci, aText, x, y, ColorToVector(aColor, 1.0f));
}

void TGLCustomBitmapFont::AddTextAt(TRenderContextInfo& rci, TBitmapFontBatch& Batch, const std::string& aText,
                                    float x, float y, const TVector& aColor) {
  if (FGlyphs->Width() == 0 || FGlyphs->Height() == 0 || aText.empty()) return;
  PrepareTexture(*rci.stateCache);   // the texture coordinates follow the sheet's size
  const TVector position{x, y, 0.0f, 1.0f};
  std::vector<float>& v = Batch.Vertices;
  auto vertex = [&](float s, float t, float vx, float vy) {
    v.insert(v.end(), {s, t, aColor[0], aColor[1], aColor[2], aColor[3], vx, vy});
  };
  LayOutGlyphs(aText, TAlignment::taLeftJustify, TGLTextLayout::tlTop, &position, true,
               [&](float gx, float gy, float right, float bottom, const std::array<float, 4>& tc) {
                 vertex(tc[0], tc[1], gx, gy);
                 vertex(tc[0], tc[3], gx, bottom);
                 vertex(tc[2], tc[3], right, bottom);
                 vertex(tc[2], tc[1], right, gy);
               });
}

void TGLCustomBitmapFont::DrawBatch(TRenderContextInfo& rci, const TBitmapFontBatch& Batch) {
  if (Batch.Vertices.empty() || FTextureHandle->Handle() == 0) return;
  TGLPushedAttrib enableBits(rci.stateCache, GL_ENABLE_BIT);
  SetGlyphState(*rci.stateCache);
  glPushAttrib(GL_CURRENT_BIT);
  glBegin(GL_QUADS);
  const float* color = nullptr;
  for (size_t i = 0; i + 8 <= Batch.Vertices.size(); i += 8) {
    const float* v = &Batch.Vertices[i];
    if (!color || !std::equal(v + 2, v + 6, color)) {
      color = v + 2;
      glColor4fv(color);
    }
    glTexCoord2f(v[0], v[1]);
    glVertex2f(v[6], v[7]);
  }
  glEnd();
  glPopAttrib();
}

// ---- Text objects ------------------------------------------------------------------------------

TGLBitmapTextObject::TGLBitmapTextObject(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner), FModulateColor(std::make_unique<TGLColor>(this, TVector{1, 1, 1, 1})) {
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw).Include(TGLObjectStyle::osNoVisibilityCulling);
}

TGLBitmapTextObject::~TGLBitmapTextObject() { LetGoOfFont(); }

void TGLBitmapTextObject::LetGoOfFont() {
  if (!FBitmapFont) return;
  FBitmapFont->UnRegisterUser(this);
  FBitmapFont->RemoveFreeNotification(this);
  FBitmapFont = nullptr;
}

void TGLBitmapTextObject::SetBitmapFont(TGLCustomBitmapFont* Value) {
  if (Value == FBitmapFont) return;
  LetGoOfFont();
  FBitmapFont = Value;
  if (FBitmapFont) {
    FBitmapFont->RegisterUser(this);
    FBitmapFont->FreeNotification(this);
  }
  StructureChanged();
}

void TGLBitmapTextObject::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  StructureChanged();
}

void TGLBitmapTextObject::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  StructureChanged();
}

void TGLBitmapTextObject::SetLayout(TGLTextLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  StructureChanged();
}

void TGLBitmapTextObject::SetModulateColor(TGLColor* Value) {
  FModulateColor->Assign(Value);
  StructureChanged();
}

void TGLBitmapTextObject::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && FBitmapFont && AComponent == FBitmapFont) {
    // A font that is being freed is no more than a component by now.
    if (!FBitmapFont->ComponentState.Contains(TComponentStateItem::csDestroying)) FBitmapFont->UnRegisterUser(this);
    FBitmapFont = nullptr;
    StructureChanged();
  }
  TGLImmaterialSceneObject::Notification(AComponent, Operation);
}

void TGLBitmapTextObject::DefineProperties(TFiler* Filer) {
  TGLImmaterialSceneObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineReference(
      "BitmapFont", [this](TComponent* C) { SetBitmapFont(dynamic_cast<TGLCustomBitmapFont*>(C)); }, FBitmapFont);
  f->DefineValue(
      "Text", [this](TVirtualReader& R) { SetText(R.ReadString()); },
      [this](TVirtualWriter& W) { W.WriteString(FText); }, !FText.empty());
  f->DefineEnum<TAlignment>(
      "Alignment", AlignmentNames, FAlignment, [this](TAlignment V) { SetAlignment(V); },
      FAlignment != TAlignment::taLeftJustify);
  f->DefineEnum<TGLTextLayout>(
      "Layout", TextLayoutNames, FLayout, [this](TGLTextLayout V) { SetLayout(V); }, FLayout != TGLTextLayout::tlTop);
  f->DefinePersistent("ModulateColor", FModulateColor.get());
}

// ---- Flat text -------------------------------------------------------------------------------------

void TGLFlatText::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLFlatText*>(Source)) {
    SetBitmapFont(src->BitmapFont());
    SetText(src->Text());
    SetAlignment(src->Alignment());
    SetLayout(src->Layout());
    SetModulateColor(src->ModulateColor());
    SetOptions(src->FOptions);
  }
  TGLBitmapTextObject::Assign(Source);
}

void TGLFlatText::SetOptions(TFlatTextOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  StructureChanged();
}

void TGLFlatText::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf && HasText()) {
    rci.stateCache->SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    TGLPushedAttrib enableBits(rci.stateCache, GL_ENABLE_BIT);
    if (ModulateColor()->Alpha() != 1.0f) {
      rci.stateCache->Enable(TGLState::stBlend);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (FOptions.Contains(TFlatTextOption::ftoTwoSided)) rci.stateCache->Disable(TGLState::stCullFace);
    RenderText(rci);
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLFlatText::DefineProperties(TFiler* Filer) {
  TGLBitmapTextObject::DefineProperties(Filer);
  if (auto* f = dynamic_cast<TGLObjectFiler*>(Filer))
    f->DefineSet<TFlatTextOption>(
        "Options", FlatTextOptionNames, FOptions, [this](TFlatTextOptions V) { SetOptions(V); }, !FOptions.Empty());
}

// ---- Start-up ---------------------------------------------------------------------------------------

void GLBitmapFont_Initialize() {
  if (!InitCounter.Enter()) return;
  RegisterClass(TGLBitmapFont::StaticClass(), [] { return std::unique_ptr<TObject>(new TGLBitmapFont(nullptr)); });
  RegisterClass(TGLFlatText::StaticClass(), [] { return std::unique_ptr<TObject>(new TGLFlatText(nullptr)); });
}

void GLBitmapFont_Finalize() {
  if (!InitCounter.Leave()) return;
  UnRegisterClass(TGLFlatText::StaticClass());
  UnRegisterClass(TGLBitmapFont::StaticClass());
}
