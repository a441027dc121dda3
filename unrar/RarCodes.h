// Result codes, modes and operations of the RAR library's interface.
#pragma once

constexpr int ERAR_SUCCESS = 0;
constexpr int ERAR_END_ARCHIVE = 10;
constexpr int ERAR_NO_MEMORY = 11;
constexpr int ERAR_BAD_DATA = 12;
constexpr int ERAR_BAD_ARCHIVE = 13;
constexpr int ERAR_UNKNOWN_FORMAT = 14;
constexpr int ERAR_EOPEN = 15;
constexpr int ERAR_ECREATE = 16;
constexpr int ERAR_ECLOSE = 17;
constexpr int ERAR_EREAD = 18;
constexpr int ERAR_EWRITE = 19;
constexpr int ERAR_SMALL_BUF = 20;
constexpr int ERAR_UNKNOWN = 21;
constexpr int ERAR_MISSING_PASSWORD = 22;

// Open modes.
constexpr unsigned RAR_OM_LIST = 0;
constexpr unsigned RAR_OM_EXTRACT = 1;

// RARProcessFile operations.
constexpr int RAR_SKIP = 0;
constexpr int RAR_TEST = 1;
constexpr int RAR_EXTRACT = 2;

// Volume-change modes.
constexpr int RAR_VOL_ASK = 0;
constexpr int RAR_VOL_NOTIFY = 1;

// Callback messages.
constexpr unsigned UCM_CHANGEVOLUME = 0;
constexpr unsigned UCM_PROCESSDATA = 1;
constexpr unsigned UCM_NEEDPASSWORD = 2;

// Archive flags (RAROpenArchiveDataEx::Flags).
constexpr unsigned ROADF_VOLUME = 0x0001;
constexpr unsigned ROADF_COMMENT = 0x0002;
constexpr unsigned ROADF_LOCK = 0x0004;
constexpr unsigned ROADF_SOLID = 0x0008;
constexpr unsigned ROADF_NEWNUMBERING = 0x0010;
constexpr unsigned ROADF_SIGNED = 0x0020;
constexpr unsigned ROADF_RECOVERY = 0x0040;
constexpr unsigned ROADF_ENCHEADERS = 0x0080;
constexpr unsigned ROADF_FIRSTVOLUME = 0x0100;

// File header flags (RARHeaderData::Flags).
constexpr unsigned RHDF_SPLITBEFORE = 0x01;   // continued from the previous volume
constexpr unsigned RHDF_SPLITAFTER = 0x02;    // continued on the next volume
constexpr unsigned RHDF_ENCRYPTED = 0x04;
constexpr unsigned RHDF_SOLID = 0x10;
constexpr unsigned RHDF_DICTMASK = 0xE0;      // dictionary size code; all three bits: a directory
constexpr unsigned RHDF_DIRECTORY = 0xE0;
