// Image files and recording: the intake of a recording on the acquisition thread, the frames'
// times and facts, and the recording's status.
#include "files/AviRecorder.h"

#include "imaging/ImageBuffer.h"
#include "imaging/kernels/Kernels.h"

#include <cstring>

namespace {

int64_t CounterFrequency() {
    static const int64_t frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart > 0 ? value.QuadPart : 1;
    }();
    return frequency;
}

// Milliseconds of the performance counter, the clock of the acquisition's frame facts; only
// differences count, so the wrap of 32 bits does no harm.
uint32_t TicksToMs(int64_t ticks) {
    const int64_t frequency = CounterFrequency();
    return static_cast<uint32_t>(ticks / frequency * 1000 + ticks % frequency * 1000 / frequency);
}

int WholeBuffer(ImageBuffer& destination, const ImageBuffer& source, PositionedKernel kernel) {
    return destination.ApplyKernel(kernel, &source, nullptr, 0, 0, nullptr);
}

} // namespace

uint32_t CounterMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return TicksToMs(now.QuadPart);
}

uint32_t AviRecorder::FrameTime(const RecordedFrameFacts* facts) const {
    return facts && facts->hostTicks != 0 ? TicksToMs(facts->hostTicks) : m_clock();
}

RecordedFrameFacts AviRecorder::StampedFacts(uint64_t frameId) const {
    RecordedFrameFacts facts;
    facts.frameId = frameId;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    facts.utcFileTime = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return facts;
}

void AviRecorder::TakeFrame(const ImageBuffer* image, const RecordedFrameFacts* facts) {
    if (!m_intakeOpen) return;
    // Images dropped here keep their number, so that the sidecar shows the gap.
    const uint64_t stampedId = m_nextStampedId++;
    uint8_t* slot = m_queue.FreeSlot();
    if (!slot) {
        // The writer is a queue's length behind: this image is lost, and counted.
        m_framesDropped.fetch_add(1);
        return;
    }
    if (!ConvertFrame(image, slot)) {
        m_imageChanged.store(true);
        m_intakeOpen = false;
        return;
    }
    m_framesTaken.fetch_add(1);
    m_queue.Push(FrameTime(facts), facts ? *facts : StampedFacts(stampedId));
}

bool AviRecorder::ConvertFrame(const ImageBuffer* image, uint8_t* frame) {
    const AviWriter& avi = m_file.Avi();
    if (!image || !image->Pixels() || image->Width() != avi.m_width ||
        image->Height() != avi.m_height || image->Bits() != avi.m_bits)
        return false;
    if (avi.m_codec == AviWriter::Codec::kMjpeg) {
        // The encoder reads the rows as they are, first delivered row on top.
        std::memcpy(frame, image->Pixels(), image->ImageBytes());
        return true;
    }
    const KernelRect whole{0, 0, avi.m_width, avi.m_height};
    const int frameStride = (3 * avi.m_width + 3) & ~3;
    // Straight into the slot: the first delivered row becomes the top of the bottom-up frame.
    auto intoFrame = [&](PositionedKernel kernel, const ImageBuffer& source) {
        return kernel(frame, source.Pixels(), whole, 0, 0, 3,
                      static_cast<uint16_t>(source.Bits() / 8), frameStride, source.Stride(),
                      nullptr) != 0;
    };
    switch (avi.m_bits) {
    case 8: // GDI turns each gray-table index into equal blue, green and red
        return m_color->Blit(image, nullptr, 0, 0) && intoFrame(Color24Flip, *m_color);
    case 16:
        return WholeBuffer(*m_gray, *image, Mono10To8) &&
               m_color->Blit(m_gray.get(), nullptr, 0, 0) && intoFrame(Color24Flip, *m_color);
    case 24:
    case 32:
        return intoFrame(Color24Flip, *image);
    case 48:
    case 64:
        return intoFrame(Color10To8Flip, *image);
    default:
        return false;
    }
}

AviRecorder::Status AviRecorder::CurrentStatus() const {
    Status status;
    status.framesTaken = m_framesTaken.load();
    status.framesRecorded = m_framesRecorded.load();
    status.framesDropped = m_framesDropped.load();
    status.filesBegun = m_filesBegun.load();
    status.writing = m_writing.load();
    status.ringMs = m_ringMs.load();
    const uint64_t uncompressedFrame = 8 + uint64_t{m_file.Avi().FrameBytes()};
    if (m_options.Compressed()) {
        status.framesEncoded = m_encoders.FramesEncoded();
        status.encodedBytes = m_encoders.EncodedBytes();
        status.encoderCpuTime = m_encoders.CpuTime();
    } else {
        status.framesEncoded = status.framesRecorded;
        status.encodedBytes = status.framesRecorded * uncompressedFrame;
    }
    status.uncompressedBytes = status.framesEncoded * uncompressedFrame;
    status.file = m_options.preEvent ? m_clips.CurrentFile() : m_path;
    return status;
}
