#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace veldrin::fuzz {

enum class Target { ReadBmp, ReadGif, ReadJpeg, ReadPng, LoadTga };

// The folder name of each target's seeds and its libFuzzer executable's name after "fuzz_".
const char* targetName(Target target);

// Writes the input to this process's scratch file and runs the target's entry point on it, catching
// the errors the readers raise by design. Returns false when a cross-check fails: the reader and
// GetImageInfo disagree, the JPEG reader differs from a whole-file scan, or a decoded TGA is malformed.
bool runTarget(Target target, const std::uint8_t* data, std::size_t size);

// This process's scratch file (memory-backed when possible), removed at exit, and its writing.
const QString& scratchPath();
bool writeScratch(const std::uint8_t* data, std::size_t size);

} // namespace veldrin::fuzz
