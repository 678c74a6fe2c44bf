// minizip's file functions on a file this program opened itself, for the
// .kolo writer. (The reader serves minizip from a buffer of its own.)
#pragma once

#include <ioapi.h>

#include "platform/files.h"

namespace pipeline {

// The position, or -1 when it cannot be asked for.
ZPOS64_T TellZipFile(platform::File& file);
// Moves by `offset` from the start, the position or the end (origin is a
// ZLIB_FILEFUNC_SEEK_* value); 0 when it could, else -1.
long SeekZipFile(platform::File& file, ZPOS64_T offset, int origin);

}  // namespace pipeline
