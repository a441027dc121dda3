#include "wizard/RarExtractor.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Messages.h"
#include "classlib/StdCtrls.h"
#include "unrar/ArchivePaths.h"

IMPLEMENT_CLASSINFO(TRarExtractor, TComponent)

std::function<std::string(const std::string& Initial, bool& Accepted)> RarPasswordPrompt;
std::function<std::string(const std::string& Initial, bool& Accepted)> RarVolumePrompt;

namespace {
constexpr size_t CommentBufferSize = 65536;
constexpr int PromptMaxLength = 120;   // what the prompt's edit accepts
}  // namespace

namespace {

// The edit of the password prompt shows stars.
class TMaskedEdit : public TEdit {
public:
  using TEdit::TEdit;

protected:
  void CreateParams(TCreateParams& Params) override {
    TEdit::CreateParams(Params);
    Params.Style |= ES_PASSWORD;
  }
  void CreateHandleDone() override {
    TEdit::CreateHandleDone();
    SendMessageA(Handle(), EM_SETPASSWORDCHAR, '*', 0);
  }
};

// The small dialog of both prompts: an edit, "Ok" and "Annuler".
std::string ShowPrompt(const std::string& Caption, bool Masked, const std::string& Initial, bool& Accepted) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsDialog);
  form->SetCaption(Caption);
  form->SetColor(clBtnFace);
  form->SetClientSize(168, 69);
  form->SetBounds((Screen->Width() - form->Width()) / 2, (Screen->Height() - form->Height()) / 2, form->Width(),
                  form->Height());
  TEdit* edit = Masked ? new TMaskedEdit(form.get()) : new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetBounds(8, 8, 153, 21);
  edit->SetMaxLength(PromptMaxLength);
  edit->TabStop = true;
  edit->SetText(Initial);
  auto* ok = new TButton(form.get());
  ok->SetParent(form.get());
  ok->SetBounds(7, 37, 75, 25);
  ok->SetCaption("Ok");
  ok->SetDefault(true);
  ok->ModalResult = mrOk;
  ok->TabStop = true;
  auto* cancel = new TButton(form.get());
  cancel->SetParent(form.get());
  cancel->SetBounds(87, 37, 75, 25);
  cancel->SetCaption("Annuler");
  cancel->Cancel = true;
  cancel->ModalResult = mrCancel;
  cancel->TabStop = true;
  form->SetActiveControl(edit);
  Accepted = form->ShowModal() == mrOk;
  return edit->Text();
}

}  // namespace


namespace {

// The component whose archive is being processed; the library's callback
// reaches it through this one reference, so one archive runs at a time.
TRarExtractor* CurrentExtractor = nullptr;

int CALLBACK RarCallback(UINT Msg, LPARAM, LPARAM P1, LPARAM P2) {
  TRarExtractor* c = CurrentExtractor;
  if (!c) return -1;
  try {
    return c->HandleCallback(Msg, P1, P2);
  } catch (...) {
    HandleCallbackException(c);
    return -1;
  }
}

class TCurrentExtractor {
public:
  explicit TCurrentExtractor(TRarExtractor* E) : FSaved(CurrentExtractor) { CurrentExtractor = E; }
  ~TCurrentExtractor() { CurrentExtractor = FSaved; }

private:
  TRarExtractor* FSaved;
};

std::string Narrow(const wchar_t* W) {
  const int n = WideCharToMultiByte(CP_ACP, 0, W, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string s(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, W, -1, s.data(), n, nullptr, nullptr);
  return s;
}

template <size_t N>
std::string BoundedText(const char (&Buffer)[N]) {
  return std::string(Buffer, strnlen(Buffer, N));
}

}  // namespace

std::string RarErrorMessage(int Code) {
  switch (Code) {
    case ERAR_NO_MEMORY: return "M\xE9moire insuffisante";
    case ERAR_BAD_DATA: return "donn\xE9" "es corrompues";
    case ERAR_BAD_ARCHIVE: return "Archive d\xE9" "fectueuse";
    case ERAR_UNKNOWN_FORMAT: return "format inconnu";
    case ERAR_EOPEN: return "Volumn-Error";
    case ERAR_ECREATE: return "Erreur \xE0 la cr\xE9" "ation du fichier";
    case ERAR_ECLOSE: return "Erreur \xE0 la fermeture du fichier";
    case ERAR_EREAD: return "Erreur de lecture";
    case ERAR_EWRITE: return "Erreur d'\xE9" "criture";
    case ERAR_SMALL_BUF: return "buffer trop petit";
    case ERAR_MISSING_PASSWORD: return "Pas de mot de passe!";
    default: return "Erreur inconnue";
  }
}

TRarExtractor::TRarExtractor(TComponent* AOwner) : TComponent(AOwner) {
  FLoadedDll = LoadUnRarDll();
  if (IsUnRarLoaded) FDllVersion = RARGetDllVersion();
}

TRarExtractor::~TRarExtractor() {
  if (CurrentExtractor == this) CurrentExtractor = nullptr;
  if (FLoadedDll) UnloadUnRarDll();
}

void TRarExtractor::Error(const std::string& Message, int Code) {
  if (OnError) OnError(this, Message, Code);
}

void TRarExtractor::Status(const std::string& Message, TRarStatus S) {
  if (OnRarStatus) OnRarStatus(this, Message, S);
}

HANDLE TRarExtractor::OpenArchive(unsigned OpenMode) {
  std::string name = FileName;
  std::vector<char> comment(CommentBufferSize, '\0');
  RAROpenArchiveData d{};
  d.ArcName = name.data();
  d.OpenMode = OpenMode;
  d.CmtBuf = comment.data();
  d.CmtBufSize = static_cast<UINT>(comment.size());
  d.CmtState = 0;
  Status("", TRarStatus::rsOpening);
  HANDLE h = RAROpenArchive(&d);
  Status("", TRarStatus::rsOpened);
  switch (d.CmtState) {
    case 0:
      FComment.clear();
      FCommentSize = 0;
      break;
    case 1:
      FComment.assign(comment.data(), strnlen(comment.data(), comment.size()));
      FCommentSize = static_cast<uint32_t>(FComment.size());
      if (OnComment) OnComment(this, FComment);
      break;
    case ERAR_NO_MEMORY: Error("M\xE9moire insuffisante", ERAR_NO_MEMORY); break;
    case ERAR_BAD_DATA: Error("donn\xE9" "es corrompues", ERAR_BAD_DATA); break;
    case ERAR_UNKNOWN_FORMAT: Error("format inconnu", ERAR_UNKNOWN_FORMAT); break;
    case ERAR_SMALL_BUF: Error("buffer trop petit", ERAR_SMALL_BUF); break;
    default: break;
  }
  // A failed open gives no handle to go on with: report why and stop.
  if (!h) {
    const int code = d.OpenResult ? static_cast<int>(d.OpenResult) : ERAR_EOPEN;
    Error(RarErrorMessage(code), code);
  }
  return h;
}

void TRarExtractor::CloseArchive(HANDLE Handle) {
  if (RARCloseArchive(Handle) == ERAR_ECLOSE) Error("Erreur lors de la fermeture", ERAR_ECLOSE);
  Status("", TRarStatus::rsClosed);
}

// The archive opened for one pass, with the callback and the password set
// (unless stopped), closed when the pass ends whatever happens.
TRarExtractor::TArchivePass::TArchivePass(TRarExtractor& E, unsigned OpenMode) : Extractor(E) {
  Handle = E.OpenArchive(OpenMode);
  if (!Handle || E.StopProcessing) return;
  RARSetCallback(Handle, RarCallback, 0);
  if (!E.Password.empty()) {
    std::string pw = E.Password;
    RARSetPassword(Handle, pw.data());
  }
}

TRarExtractor::TArchivePass::~TArchivePass() {
  if (Handle) Extractor.CloseArchive(Handle);
}

void TRarExtractor::ProcessArchive() {
  StopProcessing = false;
  if (!IsUnRarLoaded) {
    Error("UnRar.Dll not loaded", 0);
    return;
  }
  FFilesProcessed = FProcessed2 = 0;
  FSizeProcessed = 0;
  if (CanProgress) CountFiles();

  TCurrentExtractor current(this);
  TArchivePass pass(*this, Mode == TRarMode::RARX_LIST ? RAR_OM_LIST : RAR_OM_EXTRACT);
  HANDLE h = pass.Handle;
  if (!h) return;
  for (;;) {
    const int r = RARReadHeaderEx(h, &FHeader);
    if (r == ERAR_END_ARCHIVE) return;
    if (r != ERAR_SUCCESS) {
      // A header that cannot be read ends the archive: reading on would
      // only meet the same error again.
      Error(r == ERAR_BAD_DATA ? "Ent\xEAte de fichier corrompu" : RarErrorMessage(r), r);
      return;
    }
    if (OnFileProcessing || OnProgress) {
      TRarHeaderData d;
      FillHeader(d);
      if (OnFileProcessing) OnFileProcessing(this, d, r);
      if (OnProgress) {
        ++FFilesProcessed;
        ++FProcessed2;
        FSizeProcessed += static_cast<uint64_t>(d.UnpSize);
        OnProgress(this, FFilesProcessed, FFileCount, static_cast<uint32_t>(FSizeProcessed),
                   static_cast<uint32_t>(FTotalSize));
      }
    }
    if (StopProcessing) return;
    const std::string name = FHeader.FileNameW[0] ? Narrow(FHeader.FileNameW) : BoundedText(FHeader.FileName);
    const int code = ProcessFile(h, name, (FHeader.Flags & RHDF_DICTMASK) == RHDF_DIRECTORY);
    if (code != ERAR_SUCCESS && !StopProcessing) Error(RarErrorMessage(code), code);
    if (StopProcessing || code != ERAR_SUCCESS) return;
  }
}

int TRarExtractor::ProcessFile(HANDLE Handle, const std::string& Name, bool IsDirectory) {
  const int op = Mode == TRarMode::RARX_LIST ? RAR_TEST : RAR_EXTRACT;
  std::string dir = Directory;
  // Nothing is written outside Directory, whatever the library would do.
  if (op == RAR_EXTRACT && !IsSafeEntryPath(Name)) return ERAR_ECREATE;
  if (OverrideEvent == TOverrideOptions::OR_ALWAYS) return RARProcessFile(Handle, op, dir.data(), nullptr);
  const std::string target = Directory + "\\" + Name;
  if (FileList.Count() > 0 && FileList.IndexOf(target) < 0)
    return RARProcessFile(Handle, RAR_SKIP, dir.data(), nullptr);
  if (IsDirectory || !FileExists(target) || op != RAR_EXTRACT) return RARProcessFile(Handle, op, dir.data(), nullptr);
  if (OverrideEvent == TOverrideOptions::OR_NEVER) return RARProcessFile(Handle, RAR_SKIP, dir.data(), nullptr);
  bool canOverride = false;
  if (OnOverride) OnOverride(this, target, canOverride);
  return RARProcessFile(Handle, canOverride ? op : RAR_SKIP, dir.data(), nullptr);
}

void TRarExtractor::CountFiles() {
  if (!IsUnRarLoaded) {
    Error("UnRar.Dll not loaded", 0);
    return;
  }
  FFileCount = 0;
  FTotalSize = 0;
  TCurrentExtractor current(this);
  TArchivePass pass(*this, RAR_OM_EXTRACT);
  HANDLE h = pass.Handle;
  if (!h) return;
  std::string dir = Directory;
  for (;;) {
    const int r = RARReadHeaderEx(h, &FHeader);
    if (r == ERAR_END_ARCHIVE) return;
    if (r != ERAR_SUCCESS) {
      Error(r == ERAR_BAD_DATA ? "Ent\xEAte de fichier corrompu" : RarErrorMessage(r), r);
      return;
    }
    if (StopProcessing) return;
    const int code = RARProcessFile(h, RAR_SKIP, dir.data(), nullptr);
    if (code == ERAR_SUCCESS && !(FHeader.Flags & RHDF_SPLITBEFORE)) {
      ++FFileCount;
      FTotalSize += uint64_t(FHeader.UnpSize) | uint64_t(FHeader.UnpSizeHigh) << 32;
    }
    if (code != ERAR_SUCCESS && !StopProcessing) Error(RarErrorMessage(code), code);
    if (StopProcessing || code != ERAR_SUCCESS) return;
  }
}

void TRarExtractor::FillHeader(TRarHeaderData& D) const {
  const RARHeaderDataEx& h = FHeader;
  D.ArchiveName = BoundedText(h.ArcName);
  D.FileName = h.FileNameW[0] ? Narrow(h.FileNameW) : BoundedText(h.FileName);
  D.ContinuedOnNext = (h.Flags & RHDF_SPLITAFTER) != 0;
  D.ContinuedFromPrevious = (h.Flags & RHDF_SPLITBEFORE) != 0;
  D.Encrypted = (h.Flags & RHDF_ENCRYPTED) != 0;
  D.Directory = (h.Flags & RHDF_DICTMASK) == RHDF_DIRECTORY;
  D.DictionarySize = static_cast<int>((h.Flags & RHDF_DICTMASK) >> 5);
  D.PackSize = static_cast<int64_t>(uint64_t(h.PackSize) | uint64_t(h.PackSizeHigh) << 32);
  D.UnpSize = static_cast<int64_t>(uint64_t(h.UnpSize) | uint64_t(h.UnpSizeHigh) << 32);
  static const char* const Hosts[] = {"DOS", "IBM OS/2", "Windows", "Unix"};
  D.HostOS = h.HostOS < 4 ? Hosts[h.HostOS] : "";
  D.CRC = Format("%08x", static_cast<unsigned>(h.FileCRC));
  D.FileTime = FileDateToDateTime(h.FileTime);
  D.UnpVerMajor = static_cast<int>(h.UnpVer / 10);
  D.UnpVerMinor = static_cast<int>(h.UnpVer % 10);
  static const char* const Methods[] = {"pas de compression", "la plus rapide", "rapide",
                                        "normale", "bonne", "la meilleure"};
  D.Method = h.Method >= 0x30 && h.Method <= 0x35 ? Methods[h.Method - 0x30] : "";
  const UINT a = h.FileAttr;
  D.faArchive = a & FILE_ATTRIBUTE_ARCHIVE;
  D.faCompressed = a & FILE_ATTRIBUTE_COMPRESSED;
  D.faDirectory = a & FILE_ATTRIBUTE_DIRECTORY;
  D.faHidden = a & FILE_ATTRIBUTE_HIDDEN;
  D.faNormal = a & FILE_ATTRIBUTE_NORMAL;
  D.faOffline = a & FILE_ATTRIBUTE_OFFLINE;
  D.faReadOnly = a & FILE_ATTRIBUTE_READONLY;
  D.faSystem = a & FILE_ATTRIBUTE_SYSTEM;
  D.faTemporary = a & FILE_ATTRIBUTE_TEMPORARY;
}

int TRarExtractor::HandleCallback(unsigned Msg, LPARAM P1, LPARAM P2) {
  if (StopProcessing) return -1;
  switch (Msg) {
    case UCM_CHANGEVOLUME: {
      char* name = reinterpret_cast<char*>(P1);
      if (static_cast<int>(P2) != RAR_VOL_ASK) return 0;
      int answer = 0;
      if (OnVolChange) {
        OnVolChange(this, name, RAR_VOL_ASK);
      } else if (PromptForVolumn) {
        bool accepted = false;
        const std::string initial = name ? name : "";
        std::string text = RarVolumePrompt ? RarVolumePrompt(initial, accepted)
                                           : ShowPrompt("Archive suivante : ...", false, initial, accepted);
        text = text.substr(0, PromptMaxLength);
        if (name) {
          std::memcpy(name, text.c_str(), text.size() + 1);
        }
        answer = accepted && text != FileName ? 0 : -1;
      }
      if (!name || !*name) return -1;
      return answer;
    }
    case UCM_PROCESSDATA:
      return 0;
    case UCM_NEEDPASSWORD: {
      std::string pw = Password;
      if (OnPassword) {
        OnPassword(this, pw);
      } else if (PromptForPass) {
        bool accepted = false;
        pw = RarPasswordPrompt ? RarPasswordPrompt("", accepted) : ShowPrompt("Mot de passe : ...", true, "", accepted);
      } else {
        Error("Pas de mot de passe!", 0);
      }
      // At most P2 - 1 characters and the terminating NUL.
      char* buffer = reinterpret_cast<char*>(P1);
      const size_t size = static_cast<size_t>(P2);
      if (buffer && size > 0) {
        const size_t n = std::min(pw.size(), size - 1);
        std::memcpy(buffer, pw.data(), n);
        buffer[n] = '\0';
      }
      Status("Le mot de passe utilis\xE9 est : " + Password, TRarStatus::rsPassword);
      return 0;
    }
    default:
      return 0;
  }
}
