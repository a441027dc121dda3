// Extracts (or tests) every file of a RAR archive, multi-volume included,
// into a folder through unrar.dll, with an overwrite policy, an optional
// file filter, prompts for a password and for the next volume, and events.
// Failures are reported only through OnError (a French message and a code).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "classlib/Classes.h"
#include "wizard/untUnRar.h"

enum class TRarMode { RARX_EXTRACT, RARX_LIST };
enum class TOverrideOptions { OR_ALWAYS, OR_NEVER, OR_EVENT };
enum class TRarStatus { rsOpened = 0, rsOpening = 1, rsClosed = 2, rsPassword = 3 };

// The current file's header as the events see it.
struct TRarHeaderData {
  std::string ArchiveName;
  std::string FileName;
  bool ContinuedOnNext = false;
  bool ContinuedFromPrevious = false;
  bool Encrypted = false;
  bool Directory = false;
  int DictionarySize = 0;   // dictionary code 0..6 (64 KB .. 4096 KB)
  int64_t PackSize = 0;
  int64_t UnpSize = 0;
  std::string HostOS;       // "DOS", "IBM OS/2", "Windows", "Unix"
  std::string CRC;          // lower-case hexadecimal
  TDateTime FileTime = 0;
  int UnpVerMajor = 0;
  int UnpVerMinor = 0;
  std::string Method;       // "pas de compression" .. "la meilleure"
  bool faArchive = false, faCompressed = false, faDirectory = false, faHidden = false, faNormal = false,
       faOffline = false, faReadOnly = false, faSystem = false, faTemporary = false;
};

using TRarCommentEvent = std::function<void(TObject* Sender, const std::string& Comment)>;
using TRarErrorEvent = std::function<void(TObject* Sender, const std::string& Message, int MessageID)>;
using TRarHeaderEvent = std::function<void(TObject* Sender, const TRarHeaderData& hdrData, int status)>;
using TRAROverrideEvent = std::function<void(TObject* Sender, const std::string& FileName, bool& CanOverride)>;
using TRarPromptPassEvent = std::function<void(TObject* Sender, std::string& Password)>;
using TRARProgress = std::function<void(TObject* Sender, uint32_t FilesProcessed, uint32_t FileCount,
                                        uint32_t SizeProcessed, uint32_t SizeCount)>;
using TRarStatusEvent = std::function<void(TObject* Sender, const std::string& Message, TRarStatus status)>;
using TRarChangeVolEvent = std::function<void(TObject* Sender, char* ArcName, int Mode)>;

// The message of a library result code ("Erreur inconnue" beyond the known ones).
std::string RarErrorMessage(int Code);

// The two prompts: the text after OK or Cancel (Accepted tells which).
// Empty (the default): the component's own small dialog is shown.
extern std::function<std::string(const std::string& Initial, bool& Accepted)> RarPasswordPrompt;
extern std::function<std::string(const std::string& Initial, bool& Accepted)> RarVolumePrompt;

class TRarExtractor : public TComponent {
  DECLARE_CLASSINFO(TRarExtractor)
public:
  explicit TRarExtractor(TComponent* AOwner);
  ~TRarExtractor() override;

  std::string FileName;
  std::string Directory;
  std::string Password;
  TRarMode Mode = TRarMode::RARX_EXTRACT;
  TOverrideOptions OverrideEvent = TOverrideOptions::OR_ALWAYS;
  TStringList FileList;
  bool CanProgress = false;
  bool PromptForPass = false;
  bool PromptForVolumn = false;
  bool StopProcessing = false;
  const std::string& ArchivComment() const { return FComment; }
  uint32_t CommentSize() const { return FCommentSize; }
  int DllVersion() const { return FDllVersion; }

  TRarCommentEvent OnComment;
  TRarErrorEvent OnError;
  TRarHeaderEvent OnFileProcessing;
  TRAROverrideEvent OnOverride;
  TRarPromptPassEvent OnPassword;
  TRARProgress OnProgress;
  TRarStatusEvent OnRarStatus;
  TRarChangeVolEvent OnVolChange;

  void ProcessArchive();

  // The library's callback, answered for the component that is processing.
  int HandleCallback(unsigned Msg, LPARAM P1, LPARAM P2);

private:
  struct TArchivePass {
    TArchivePass(TRarExtractor& E, unsigned OpenMode);
    ~TArchivePass();
    TArchivePass(const TArchivePass&) = delete;
    TArchivePass& operator=(const TArchivePass&) = delete;
    TRarExtractor& Extractor;
    HANDLE Handle = nullptr;
  };
  void Error(const std::string& Message, int Code);
  void Status(const std::string& Message, TRarStatus S);
  HANDLE OpenArchive(unsigned OpenMode);
  void CloseArchive(HANDLE Handle);
  void CountFiles();
  int ProcessFile(HANDLE Handle, const std::string& Name, bool IsDirectory);
  void FillHeader(TRarHeaderData& D) const;

  bool FLoadedDll = false;
  int FDllVersion = 0;
  std::string FComment;
  uint32_t FCommentSize = 0;
  RARHeaderDataEx FHeader{};
  uint32_t FFilesProcessed = 0, FProcessed2 = 0, FFileCount = 0;
  uint64_t FSizeProcessed = 0, FTotalSize = 0;
};
