// Image files and recording: still images of an image buffer in five file forms.
#pragma once

#include "files/FileWriters.h"

class ImageBuffer;

// File types of WriteImageFile and the save exports.
enum ImageFileType {
    kFileBmp = 0,
    kFileRaw = 1,
    kFileJpeg100 = 2,
    kFileJpeg70 = 3,
    kFileJpeg20 = 4,
    kFilePng = 5,
    kFileTiff = 6,
};

// Writes `image` (only read) as file type 0..6, converting it where the form needs it into a
// temporary buffer released before returning. 16-bit samples carry `sampleDepth` significant bits:
// 12 selects the 12-bit conversions, anything else the 10-bit ones. Memory row 0 of the image is
// the top of the picture in every form but raw. 1 when written; 0 for an absent image, a file
// type out of range, a depth the form cannot take, or a file that cannot be written.
int WriteImageFile(const FilePath& path, const ImageBuffer* image, int fileType, int sampleDepth);

// BMP of the image as it lies in memory (memory row 0 is the file's bottom row), with the
// colour table of 8-bit images; an existing file is truncated in place. 1 when every byte was
// written; 0 when the file could not be opened or written.
int WriteBmpFile(const FilePath& path, const ImageBuffer& image);

// TIFF of the image: samples reordered to red-green-blue and 16-bit ones scaled to the full
// range, one uncompressed strip.
int WriteTiffFile(const FilePath& path, const ImageBuffer& image, int sampleDepth);

// The image's pixels as the format writers read them.
ImageView ViewOf(const ImageBuffer& image);
