// Per-item compression for the ZIP writer: the insert helpers the zipper
// installs on an archive, and the two ways an entry's data is produced.
#pragma once

#include "platform/Stream.h"
#include "zip/ZpZipTyp.h"

// Compresses the item's disk file into target (the item's own scratch).
void ZipFileItem(TZpZipArchive& archive, TZpZipItem& item, TStream& target);
// Compresses source (from its position to its end) into target and fills
// the item's method, flags, sizes, CRC, date, time and versions.
void ZipStreamItem(TZpZipArchive& archive, TZpZipItem& item, TStream& target, TStream& source);
// Copies source to target in 8192-byte blocks; the item becomes stored.
void StoreData(TZpZipArchive& archive, TZpZipItem& item, TStream& target, TStream& source);
// One raw Deflate stream of source into target; the item becomes deflated.
void DeflateData(TZpZipArchive& archive, TZpZipItem& item, TStream& target, TStream& source);
