#pragma once

#include <cstddef>
#include <string>

#include "disks/DiskRecord.h"
#include "shared/BackupNames.h"

// The record's machine-readable file, Enregistrement.txt: UTF-8, LF, a header line, then one
// line per item, its kind then tab-separated "key=value" fields (a key may repeat), then "fin":
//
//   Kestrix disques 1
//   machine<TAB>uuid=...<TAB>produit=...<TAB>hote=...<TAB>date=...
//   disque<TAB>nom=sda<TAB>fichier=disque-sda<TAB>secteurs=...<TAB>id=ata-...<TAB>...
//   partition, fs, luks, raid, lvm, efi, entree, amorce, manque: the same way
//   fin
//
// A byte below 0x20, '%' and DEL in a value are written as %XX, so that no value holds a tab or
// a line end. The restore program reads this file as input to root: anything that is not a
// whole record is refused.
namespace RecordText {

inline constexpr const char* kFolder = BackupNames::kDiskRecord;
inline constexpr char kRecordFile[] = "Enregistrement.txt";
inline constexpr char kSummaryFile[] = "Resume.txt";
inline constexpr char kManifestFile[] = "Disques.xxh128";
// No file of a record comes near; the sector files of a GPT disk are about 33 KiB.
inline constexpr std::size_t kMaxFile = 4u << 20;
// Items of each kind a record may hold.
inline constexpr std::size_t kMaxItems = 4096;

std::string Serialize(const DiskRecord& record);
// False with a reason (French) when `bytes` are not a whole record.
bool Parse(const std::string& bytes, DiskRecord& record, std::string& reason);

std::string Escape(const std::string& value);

// `text` with its control bytes shown as '?', for a terminal or the summary.
std::string Printable(const std::string& text);
// Bytes in lower-case hexadecimal.
std::string Hex(const std::string& bytes);
// The hexadecimal digits of a UUID, GUID or table id, lower case, without "0x" and punctuation:
// ids are compared by them whatever their case and dashes.
std::string IdDigits(const std::string& id);

}  // namespace RecordText
