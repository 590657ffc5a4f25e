#pragma once

// Call interface of the JPEG save module (SaveJPG.DLL). The module is loaded at run time, so the
// program only needs the function type and the result codes; the module itself defines the function.

#ifdef __cplusplus
extern "C" {
#endif

// Results of DCSavetoJPEG: 0 means the file was written, anything else that it was not.
enum {
    SAVEJPG_OK = 0,
    SAVEJPG_BAD_ARGUMENT = 1,  // no pixels, a size outside 1..65500, a short stride or no file name
    SAVEJPG_ENCODE_FAILED = 2, // the encoder refused the picture or ran out of memory
    SAVEJPG_WRITE_FAILED = 3,  // the file could not be written; an older file of that name is untouched
};

// Encodes a picture of 32-bit pixels (bytes blue, green, red, unused; rows top first, stride bytes
// apart) as a JPEG file. quality is clamped to 1..100; a nonzero progressive asks for a progressive
// file. fileName is a native (UTF-8) path; the file is replaced only once the whole JPEG is on disk.
int DCSavetoJPEG(const void* pixels, int stride, int width, int height, const char* fileName, int quality,
                 int progressive);

typedef int (*DCSavetoJPEGFunction)(const void* pixels, int stride, int width, int height,
                                    const char* fileName, int quality, int progressive);

#ifdef __cplusplus
}
#endif
