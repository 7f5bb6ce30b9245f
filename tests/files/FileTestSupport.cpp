// Helpers of the file tests: scratch directories, hand-made images and library decoders.
#include "FileTestSupport.h"

#include <windows.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace files_test {

ScratchDir::ScratchDir() {
    static LONG counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%stravik_files_%lu_%ld\\", temp, GetCurrentProcessId(),
                  InterlockedIncrement(&counter));
    m_path = name;
    CreateDirectoryA(m_path.c_str(), nullptr);
}

ScratchDir::~ScratchDir() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((m_path + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((m_path + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(m_path.c_str());
}

TestImage::TestImage(int w, int h, int b)
    : width(w), height(h), bits(b), stride((w * (b / 8) + 3) & ~3),
      bytes(static_cast<size_t>(stride) * h) {}

uint32_t TestImage::Sample(int x, int y, int c) const {
    const uint8_t* p = bytes.data() + static_cast<size_t>(y) * stride +
                       static_cast<size_t>(x) * (bits / 8) + c * SampleBytes();
    return SampleBytes() == 2 ? static_cast<uint32_t>(p[0] | p[1] << 8) : p[0];
}

void TestImage::SetSample(int x, int y, int c, uint32_t value) {
    uint8_t* p = bytes.data() + static_cast<size_t>(y) * stride +
                 static_cast<size_t>(x) * (bits / 8) + c * SampleBytes();
    p[0] = static_cast<uint8_t>(value);
    if (SampleBytes() == 2) p[1] = static_cast<uint8_t>(value >> 8);
}

namespace {

struct JpegReadError {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

void JumpOut(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegReadError*>(cinfo->err)->escape, 1);
}

struct JpegReader {
    jpeg_decompress_struct cinfo = {};
    JpegReadError error = {};
    std::FILE* file = nullptr;
    const uint8_t* memory = nullptr; // read from memory when there is no file
    size_t memoryBytes = 0;
    ~JpegReader() {
        jpeg_destroy_decompress(&cinfo);
        if (file) std::fclose(file);
    }
};

bool Decode(JpegReader& reader, JpegFacts& facts) {
    jpeg_decompress_struct& cinfo = reader.cinfo;
    cinfo.err = jpeg_std_error(&reader.error.manager);
    reader.error.manager.error_exit = JumpOut;
    if (setjmp(reader.error.escape)) return false;
    jpeg_create_decompress(&cinfo);
    if (reader.file)
        jpeg_stdio_src(&cinfo, reader.file);
    else
        jpeg_mem_src(&cinfo, reader.memory, static_cast<unsigned long>(reader.memoryBytes));
    jpeg_read_header(&cinfo, TRUE);
    facts.progressive = cinfo.progressive_mode != 0;
    facts.components = cinfo.num_components;
    facts.lumaSampling = cinfo.comp_info[0].h_samp_factor;
    if (cinfo.quant_tbl_ptrs[0])
        for (int k = 0; k < DCTSIZE2; ++k)
            facts.lumaTable.push_back(cinfo.quant_tbl_ptrs[0]->quantval[k]);
    jpeg_start_decompress(&cinfo);
    Picture& p = facts.picture;
    p.width = static_cast<int>(cinfo.output_width);
    p.height = static_cast<int>(cinfo.output_height);
    p.channels = cinfo.output_components;
    p.bitDepth = 8;
    std::vector<uint8_t> row(static_cast<size_t>(p.width) * p.channels);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rowPointer = row.data();
        jpeg_read_scanlines(&cinfo, &rowPointer, 1);
        p.samples.insert(p.samples.end(), row.begin(), row.end());
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

JpegFacts ReadJpeg(const std::string& path) {
    JpegFacts facts;
    JpegReader reader;
    reader.file = std::fopen(path.c_str(), "rb");
    if (reader.file) facts.ok = Decode(reader, facts);
    return facts;
}

JpegFacts DecodeJpeg(const uint8_t* bytes, size_t size) {
    JpegFacts facts;
    JpegReader reader;
    reader.memory = bytes;
    reader.memoryBytes = size;
    if (bytes && size > 0) facts.ok = Decode(reader, facts);
    return facts;
}

std::vector<uint16_t> LumaTableFor(int quality) {
    jpeg_compress_struct cinfo = {};
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    std::vector<uint16_t> table(cinfo.quant_tbl_ptrs[0]->quantval,
                                cinfo.quant_tbl_ptrs[0]->quantval + DCTSIZE2);
    jpeg_destroy_compress(&cinfo);
    return table;
}

namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    ~PngReader() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (file) std::fclose(file);
    }
};

bool Decode(PngReader& reader, PngFacts& facts) {
    if (setjmp(png_jmpbuf(reader.png))) return false;
    png_init_io(reader.png, reader.file);
    png_read_info(reader.png, reader.info);
    Picture& p = facts.picture;
    p.width = static_cast<int>(png_get_image_width(reader.png, reader.info));
    p.height = static_cast<int>(png_get_image_height(reader.png, reader.info));
    p.bitDepth = png_get_bit_depth(reader.png, reader.info);
    p.channels = png_get_channels(reader.png, reader.info);
    facts.colorType = png_get_color_type(reader.png, reader.info);
    const size_t rowBytes = png_get_rowbytes(reader.png, reader.info);
    for (int y = 0; y < p.height; ++y) {
        std::vector<uint8_t> row(rowBytes);
        png_read_row(reader.png, row.data(), nullptr);
        for (size_t i = 0; i < rowBytes; i += p.bitDepth / 8)
            p.samples.push_back(p.bitDepth == 16 ? (row[i] << 8 | row[i + 1]) : row[i]);
        facts.rows.push_back(std::move(row));
    }
    png_read_end(reader.png, nullptr);
    return true;
}

} // namespace

PngFacts ReadPng(const std::string& path) {
    PngFacts facts;
    PngReader reader;
    reader.file = std::fopen(path.c_str(), "rb");
    if (!reader.file) return facts;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    reader.info = png_create_info_struct(reader.png);
    facts.ok = Decode(reader, facts);
    return facts;
}

TiffFacts ReadTiff(const std::string& path) {
    TiffFacts facts;
    // The tag list straight from the first directory of the little-endian file.
    const std::vector<uint8_t> bytes = ReadBytes(path);
    if (bytes.size() < 8 || bytes[0] != 'I' || bytes[1] != 'I' || U16At(bytes, 2) != 42)
        return facts;
    const uint32_t directory = U32At(bytes, 4);
    if (directory + 2 > bytes.size()) return facts;
    const uint16_t entries = U16At(bytes, directory);
    for (uint16_t i = 0; i < entries && directory + 2 + 12 * (i + 1) <= bytes.size(); ++i)
        facts.tags.push_back(U16At(bytes, directory + 2 + 12 * i));

    // "c": no virtual chopping of the one strip, so the counts are those in the file.
    TIFF* tif = TIFFOpen(path.c_str(), "rc");
    if (!tif) return facts;
    uint32_t width = 0, height = 0;
    uint16_t bps = 0, photometric = 0, spp = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    facts.bitsPerSample = bps;
    facts.photometric = photometric;
    facts.samplesPerPixel = spp;
    facts.strips = TIFFNumberOfStrips(tif);
    uint64_t* counts = nullptr;
    if (TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) && counts)
        facts.stripByteCount = counts[0];
    Picture& p = facts.picture;
    p.width = static_cast<int>(width);
    p.height = static_cast<int>(height);
    p.channels = spp;
    p.bitDepth = bps;
    std::vector<uint8_t> strip(static_cast<size_t>(facts.stripByteCount));
    if (facts.strips == 1 &&
        TIFFReadRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size())) ==
            static_cast<tmsize_t>(strip.size())) {
        for (size_t i = 0; i + bps / 8 <= strip.size(); i += bps / 8)
            p.samples.push_back(bps == 16 ? (strip[i] | strip[i + 1] << 8) : strip[i]);
        facts.ok = true;
    }
    TIFFClose(tif);
    return facts;
}

Picture ReadBmp(const std::string& path) {
    Picture p;
    const std::vector<uint8_t> f = ReadBytes(path);
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return p;
    const uint32_t offset = U32At(f, 10);
    const int width = static_cast<int>(U32At(f, 18));
    const int height = static_cast<int>(U32At(f, 22));
    const int bits = U16At(f, 28);
    const int sampleBytes = (bits == 16 || bits >= 48) ? 2 : 1;
    const size_t stride = (static_cast<size_t>(width) * (bits / 8) + 3) & ~size_t{3};
    if (width < 1 || height < 1 || offset + height * stride > f.size()) return p;
    p.width = width;
    p.height = height;
    p.bitDepth = sampleBytes * 8;
    p.channels = (bits / 8) / sampleBytes;
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + static_cast<size_t>(height - 1 - y) * stride; // bottom-up
        for (int i = 0; i < width * p.channels; ++i) {
            const size_t at = row + static_cast<size_t>(i) * sampleBytes;
            p.samples.push_back(sampleBytes == 2 ? U16At(f, at) : f[at]);
        }
    }
    return p;
}

namespace {
std::vector<uint8_t> ReadStream(std::FILE* f) {
    std::vector<uint8_t> bytes;
    if (f) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}
} // namespace

std::vector<uint8_t> ReadBytes(const std::string& path) {
    return ReadStream(std::fopen(path.c_str(), "rb"));
}

std::vector<uint8_t> ReadBytesW(const std::wstring& path) {
    return ReadStream(_wfopen(path.c_str(), L"rb"));
}

void WriteBytes(const std::string& path, size_t count, uint8_t value) {
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::vector<uint8_t> bytes(count, value);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

bool IsClosed(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t o) {
    return static_cast<uint32_t>(b[o] | b[o + 1] << 8 | b[o + 2] << 16) |
           static_cast<uint32_t>(b[o + 3]) << 24;
}

uint16_t U16At(const std::vector<uint8_t>& b, size_t o) {
    return static_cast<uint16_t>(b[o] | b[o + 1] << 8);
}

namespace {

std::string CodeAt(const std::vector<uint8_t>& bytes, uint64_t offset) {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + offset, 4);
}

uint64_t U64At(const std::vector<uint8_t>& bytes, uint64_t offset) {
    return U32At(bytes, offset) | uint64_t{U32At(bytes, offset + 4)} << 32;
}

struct IndexChunk {
    uint64_t offset = 0;
    uint32_t size = 0;
};

class AviWalker {
  public:
    explicit AviWalker(const std::vector<uint8_t>& bytes, AviFacts& facts)
        : m_bytes(bytes), m_facts(facts) {}

    bool Walk() {
        uint64_t at = 0;
        while (at < m_bytes.size()) {
            if (at + 12 > m_bytes.size() || CodeAt(m_bytes, at) != "RIFF")
                return Fail("no RIFF at " + std::to_string(at));
            const uint32_t size = U32At(m_bytes, at + 4);
            const uint64_t end = at + 8 + size;
            if (size < 4 || end > m_bytes.size()) return Fail("RIFF size out of the file");
            const std::string form = CodeAt(m_bytes, at + 8);
            if (form != (m_facts.forms.empty() ? "AVI " : "AVIX")) return Fail("RIFF form " + form);
            m_facts.forms.push_back(form);
            m_facts.riffSizes.push_back(size);
            m_riffFrames = 0;
            m_riffFrameOffsets.clear();
            if (!WalkList(at + 12, end, "")) return false;
            m_facts.framesPerRiff.push_back(m_riffFrames);
            m_framesByRiff.push_back(m_riffFrameOffsets);
            at = end + (size & 1);
        }
        return !m_facts.forms.empty() ? CheckIndexes() : Fail("empty file");
    }

  private:
    bool Fail(const std::string& problem) {
        if (m_facts.problem.empty()) m_facts.problem = problem;
        return false;
    }

    bool WalkList(uint64_t at, uint64_t end, const std::string& list) {
        while (at < end) {
            if (at + 8 > end) return Fail("chunk header past its list");
            const std::string id = CodeAt(m_bytes, at);
            const uint32_t size = U32At(m_bytes, at + 4);
            const uint64_t data = at + 8;
            if (data + size > end) return Fail(id + " past its list at " + std::to_string(at));
            if (!Chunk(id, data, size, list)) return false;
            at = data + size + (size & 1);
        }
        return true;
    }

    bool Chunk(const std::string& id, uint64_t data, uint32_t size, const std::string& list) {
        if (id == "LIST") {
            const std::string type = CodeAt(m_bytes, data);
            if (type == "movi") {
                m_moviStart = data;
                if (m_facts.forms.size() == 1) m_facts.moviSizeOffset = data - 4;
            }
            return WalkList(data + 4, data + size, type);
        }
        if (id == "avih" && size >= 56) {
            m_facts.mainFrames = U32At(m_bytes, data + 16);
            m_facts.suggestedBuffer = U32At(m_bytes, data + 28);
            m_facts.width = U32At(m_bytes, data + 32);
            m_facts.height = U32At(m_bytes, data + 36);
        } else if (id == "strh" && size >= 64) {
            m_facts.scale = U32At(m_bytes, data + 20);
            m_facts.rate = U32At(m_bytes, data + 24);
            m_facts.streamLength = U32At(m_bytes, data + 32);
        } else if (id == "dmlh" && size >= 4) {
            m_facts.odmlFrames = U32At(m_bytes, data);
        } else if (id == "indx" && list == "strl") {
            m_superIndex = {data - 8, size + 8};
        } else if ((id == "00db" || id == "00dc") && list == "movi") {
            if (m_facts.frames.empty()) {
                m_facts.frameBytes = size;
                m_facts.chunkId = id;
            }
            if (id != m_facts.chunkId) return Fail("frame chunks of two kinds");
            m_facts.frames.push_back(data);
            m_facts.frameSizes.push_back(size);
            m_riffFrameOffsets.push_back(data);
            ++m_riffFrames;
        } else if (id == "ix00" && list == "movi") {
            m_standardIndexes.push_back({data - 8, size + 8});
            m_standardIndexBases.push_back(m_framesByRiff.size());
        } else if (id == "idx1" && list.empty() && m_facts.forms.size() == 1) {
            m_legacyIndex = {data, size};
            m_legacyMovi = m_moviStart;
        }
        return true;
    }

    bool CheckLegacyIndex() const {
        const std::vector<uint64_t>& first = m_framesByRiff[0];
        if (m_legacyIndex.size != 16 * first.size()) return false;
        for (size_t k = 0; k < first.size(); ++k) {
            const uint64_t entry = m_legacyIndex.offset + 16 * k;
            if (CodeAt(m_bytes, entry) != m_facts.chunkId || U32At(m_bytes, entry + 4) != 0x10 ||
                m_legacyMovi + U32At(m_bytes, entry + 8) + 8 != first[k] ||
                U32At(m_bytes, entry + 12) != m_facts.frameSizes[k])
                return false;
        }
        return true;
    }

    bool CheckStandardIndex(const IndexChunk& ix, size_t riff) const {
        const std::vector<uint64_t>& frames = m_framesByRiff[riff];
        const uint64_t at = ix.offset;
        if (CodeAt(m_bytes, at) != "ix00" || U32At(m_bytes, at + 4) + 8 != ix.size ||
            ix.size != 32 + 8 * frames.size() || m_bytes[at + 11] != 1 ||
            U32At(m_bytes, at + 12) != frames.size() || CodeAt(m_bytes, at + 16) != m_facts.chunkId)
            return false;
        const uint64_t base = U64At(m_bytes, at + 20);
        size_t before = 0; // frames of the RIFFs before this one
        for (size_t r = 0; r < riff; ++r)
            before += m_framesByRiff[r].size();
        for (size_t k = 0; k < frames.size(); ++k)
            if (base + U32At(m_bytes, at + 32 + 8 * k) != frames[k] ||
                U32At(m_bytes, at + 36 + 8 * k) != m_facts.frameSizes[before + k])
                return false;
        return true;
    }

    bool CheckSuperIndex() const {
        const uint64_t at = m_superIndex.offset;
        const size_t riffs = m_framesByRiff.size();
        if (m_superIndex.size < 32 || U16At(m_bytes, at + 8) != 4 || m_bytes[at + 11] != 0 ||
            U32At(m_bytes, at + 12) != riffs || CodeAt(m_bytes, at + 16) != m_facts.chunkId ||
            32 + 16 * riffs > m_superIndex.size || m_standardIndexes.size() != riffs)
            return false;
        for (size_t r = 0; r < riffs; ++r) {
            const uint64_t entry = at + 32 + 16 * r;
            const IndexChunk ix = {U64At(m_bytes, entry), U32At(m_bytes, entry + 8)};
            if (ix.offset != m_standardIndexes[r].offset || ix.size != m_standardIndexes[r].size ||
                U32At(m_bytes, entry + 12) != m_framesByRiff[r].size() ||
                m_standardIndexBases[r] != r || !CheckStandardIndex(ix, r))
                return false;
        }
        return true;
    }

    bool CheckIndexes() {
        m_facts.hasLegacyIndex = m_legacyIndex.offset != 0 && CheckLegacyIndex();
        m_facts.hasSuperIndex = m_superIndex.offset != 0 && CheckSuperIndex();
        bool standard = true;
        for (size_t i = 0; i < m_standardIndexes.size(); ++i)
            standard = standard && m_standardIndexBases[i] < m_framesByRiff.size() &&
                       CheckStandardIndex(m_standardIndexes[i], m_standardIndexBases[i]);
        m_facts.standardIndexesMatch = standard;
        return true;
    }

    const std::vector<uint8_t>& m_bytes;
    AviFacts& m_facts;
    uint64_t m_moviStart = 0;
    uint32_t m_riffFrames = 0;
    std::vector<uint64_t> m_riffFrameOffsets;
    std::vector<std::vector<uint64_t>> m_framesByRiff;
    IndexChunk m_superIndex, m_legacyIndex;
    uint64_t m_legacyMovi = 0;
    std::vector<IndexChunk> m_standardIndexes;
    std::vector<size_t> m_standardIndexBases; // the RIFF each ix00 was found in
};

} // namespace

AviFacts ReadAvi(const std::vector<uint8_t>& bytes) {
    AviFacts facts;
    facts.ok = AviWalker(bytes, facts).Walk();
    return facts;
}

bool IsCompleteAvi(const AviFacts& avi) {
    if (!avi.ok || !avi.hasLegacyIndex || avi.streamLength != avi.FrameCount() ||
        avi.mainFrames != avi.framesPerRiff[0])
        return false;
    if (avi.forms.size() == 1) return avi.odmlFrames == 0 || avi.odmlFrames == avi.FrameCount();
    return avi.hasSuperIndex && avi.standardIndexesMatch && avi.odmlFrames == avi.FrameCount();
}

} // namespace files_test
