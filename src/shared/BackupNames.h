#pragma once

// The names of what a backup leaves in its folder: Kestrix/<name> for each copy, the catalogue,
// the two manifests, the restore program and, on request, the boot batch file.
namespace BackupNames {

inline constexpr char kCopies[] = "Kestrix";
// How the manifests name a copy: "Kestrix/<name>", relative to the backup's folder.
inline constexpr char kCopyPrefix[] = "Kestrix/";
inline constexpr char kCatalogue[] = "Kestrix.dat";
inline constexpr char kHashFile[] = "Kestrix.xxh128";
inline constexpr char kRightsFile[] = "Kestrix.droits";
// Which copy goes back where, when a copy does not bear its source's name (shared/CopyMap.h).
inline constexpr char kCopyMap[] = "Kestrix.noms";
inline constexpr char kRestoreProgram[] = "Restore.exe";
inline constexpr char kAutoexec[] = "Autoexec.bat";
// The record of the disks and the boot chain, a folder of its own.
inline constexpr char kDiskRecord[] = "Disques";
// The earlier backups: one folder each, laid out as D itself.
inline constexpr char kEarlier[] = "Kestrix.historique";
// A file being written, only ever inside the staging folder: no source's name is taken for one.
inline constexpr char kTemporaryPrefix[] = ".kestrix-";

}  // namespace BackupNames
