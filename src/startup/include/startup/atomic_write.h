#pragma once

// Replacing a file so that a crash, a kill or a full disk at any moment leaves either the old
// file or the new one: the bytes go to a temporary file in the same folder, are flushed to the
// disk, and the temporary file is then renamed over the target. Plain POSIX, no Qt, so that the
// JPEG module can use it too.

#include <cstddef>
#include <string>

namespace veldrin {

// Writes size bytes to path (a native file name). Returns 0 on success, otherwise the errno value
// of the step that failed; on failure the target is untouched and no temporary file is left. An
// existing target that the effective user may not write is not replaced (EACCES).
//
// Durability::Flushed also survives a power cut, at the price of waiting for the disk; Renamed
// relies on the rename alone, which already keeps a killed process from leaving half a file.
enum class Durability { Flushed, Renamed };
int atomicWriteFile(const char* path, const void* data, std::size_t size,
                    Durability durability = Durability::Flushed);

// Temporary files are named ".veldrin-<process id>-<number>.tmp": hidden, so no search lists them,
// and telling whose they are, so that what a killed process left can be removed later without
// touching the files of a process still at work.

// Creates a new temporary file in folder (native, without the trailing "/") for writing, and sets
// path to its name. Returns the descriptor, or -1 with errno set.
int createTemporaryIn(const std::string& folder, std::string& path, unsigned mode);

// Whether name (a bare file name) is a temporary file of ours whose process is gone.
bool isStaleTemporary(const char* name);

// Removes the stale temporary files of ours in folder; what cannot be removed stays.
void removeStaleTemporaries(const char* folder);

} // namespace veldrin
