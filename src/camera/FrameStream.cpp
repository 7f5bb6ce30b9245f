// Acquisition engine: the frame stream, the application's side of the pool (grab, release,
// event, counts) and the worker's hand-over of each converted frame to it.
#include "support/CriticalSection.h"
#include "camera/Travik.h"
#include "imaging/ImageBuffer.h"
#include "sensor/Travik380TZ4RDXSdk.h"

#include <cstring>

using enum AcquisitionState;

namespace {

// The options as the pool and the notices take them; false for a record or value out of range.
bool ReadStreamOptions(const TravikExStreamOptions* options, CTravik::StreamRequest& request) {
    request = CTravik::StreamRequest();
    if (!options) return true;
    if (options->size < sizeof(TravikExStreamOptions)) return false;
    const bool modeKnown =
        options->mode == TRAVIKEX_STREAM_NEWEST || options->mode == TRAVIKEX_STREAM_QUEUE;
    const bool policyKnown = options->queueFull == TRAVIKEX_QUEUE_DROP_OLDEST ||
                             options->queueFull == TRAVIKEX_QUEUE_REFUSE_NEWEST;
    if (!modeKnown || !policyKnown || options->buffers < 0 ||
        options->buffers > TRAVIKEX_MAX_BUFFERS)
        return false;
    request.config.mode =
        options->mode == TRAVIKEX_STREAM_QUEUE ? StreamMode::Queue : StreamMode::Newest;
    request.config.queueFull = options->queueFull == TRAVIKEX_QUEUE_REFUSE_NEWEST
                                   ? QueueFullPolicy::RefuseNewest
                                   : QueueFullPolicy::DropOldest;
    request.config.buffers = options->buffers ? options->buffers : TRAVIKEX_DEFAULT_BUFFERS;
    request.notifyWindow = options->notifyWindow;
    request.notifyMessage = options->notifyMessage ? options->notifyMessage : WM_TRAVIKEX_FRAME;
    return true;
}

void FillFrameRecord(const StreamFrame& frame, TravikExFrame& record) {
    const DWORD size = record.size;
    std::memset(&record, 0, sizeof(TravikExFrame));
    record.size = size;
    record.flags = frame.truth.flags;
    record.frameId = frame.truth.frameId;
    record.skippedBefore = frame.skippedBefore;
    record.hostTicks = frame.truth.qpcTicks;
    record.hostTimeUtc.dwLowDateTime = static_cast<DWORD>(frame.truth.utcFileTime);
    record.hostTimeUtc.dwHighDateTime = static_cast<DWORD>(frame.truth.utcFileTime >> 32);
    record.readyTicks = frame.readyTicks;
    record.exposureUs = frame.truth.exposureUs;
    record.gain = frame.truth.gain;
    record.width = frame.width;
    record.height = frame.height;
    record.colorMode = frame.colorMode;
    record.bitsPerPixel = frame.bitsPerPixel;
    record.stride = frame.stride;
    record.bytes = frame.bytes;
    record.pixels = frame.pixels.get();
    record.ticket = reinterpret_cast<ULONGLONG>(&frame);
}

bool IsFrameRecord(const TravikExFrame* record) {
    return record && record->size >= sizeof(TravikExFrame) && record->ticket != 0;
}

// A released frame's record no longer names it: a second release is refused.
void ForgetFrame(TravikExFrame& record) {
    record.pixels = nullptr;
    record.ticket = 0;
}

} // namespace

int CTravik::StartStream(const TravikExStreamOptions* options) {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    StreamRequest request;
    if (!ReadStreamOptions(options, request)) return ReportError(ERR_PARAMETER), 0;
    if (m_acquisition.Is(Streaming) && request == m_streamRequest) return 1;
    if (!m_acquisition.Require(Idle)) return 0;
    if (!PrepareCapture()) return FailStart(ERR_UNAVAILABLE);
    const ImageBuffer* output = OutputImage();
    const std::size_t frameBytes = static_cast<std::size_t>(output->Height()) * output->Stride();
    if (!m_framePool.Open(request.config, frameBytes, DeviceTallyNow()))
        return ReportError(ERR_MEMORY), 0;
    m_streamRequest = request;
    return RunStream();
}

// The start, and the resume after a change or a dialog: the pool is open. A stream that cannot
// run ends, so that grabs learn it at once.
int CTravik::RunStream() {
    if (StartFreeRunning(Streaming)) return 1;
    EndStream();
    return 0;
}

int CTravik::ResumeStream() {
    if (PrepareCapture()) return RunStream();
    StopPreview(); // ends the paused stream
    return FailStart(ERR_UNAVAILABLE);
}

int CTravik::StopStream() {
    if (!m_device) return ReportError(ERR_UNAVAILABLE), 0;
    if (!m_acquisition.Require(Idle, Streaming)) return 0;
    return StopPreview();
}

// On the worker, which has ended its loop: the stream ends, and its next grab tells why.
void CTravik::LoseStream() {
    m_deviceLost = 1;
    m_framePool.Close(true, DeviceTallyNow());
    if (m_streamRequest.notifyWindow)
        PostMessageA(m_streamRequest.notifyWindow, m_streamRequest.notifyMessage, 0, 0);
}

void CTravik::TellStreamOfLoss() {
    m_deviceLost = 1;
    m_framePool.NoteLoss();
    if (m_streamRequest.notifyWindow)
        PostMessageA(m_streamRequest.notifyWindow, m_streamRequest.notifyMessage, 0, 0);
}

void CTravik::EndStream() {
    if (!m_framePool.IsOpen()) return;
    m_framePool.Close(false, DeviceTallyNow());
    if (m_streamRequest.notifyWindow)
        PostMessageA(m_streamRequest.notifyWindow, m_streamRequest.notifyMessage, 0, 0);
}

DeviceTally CTravik::DeviceTallyNow() const {
    if (!m_device) return DeviceTally();
    return DeviceTally{m_device->GetFramesDelivered(), m_device->GetLostTransfers()};
}

int CTravik::GrabFrame(DWORD timeoutMs, TravikExFrame* record) {
    if (!record || record->size < sizeof(TravikExFrame)) return ReportError(ERR_PARAMETER), -1;
    StreamFrame* frame = nullptr;
    switch (m_framePool.Grab(timeoutMs, frame)) {
    case GrabOutcome::Frame:
        FillFrameRecord(*frame, *record);
        return 1;
    case GrabOutcome::TimedOut:
        return 0;
    case GrabOutcome::DeviceLost:
        ReportError(ERR_DEVICE_LOST);
        return -1;
    default:
        ReportError(ERR_UNAVAILABLE);
        return -1;
    }
}

int CTravik::ReleaseFrame(TravikExFrame* record) {
    if (!IsFrameRecord(record) ||
        !m_framePool.Release(reinterpret_cast<const void*>(record->ticket)))
        return ReportError(ERR_PARAMETER), 0;
    ForgetFrame(*record);
    return 1;
}

int CTravik::ReleaseFrameOfReleasedCamera(TravikExFrame* record) {
    if (!IsFrameRecord(record) || !ReleaseOrphanedFrame(reinterpret_cast<const void*>(record->ticket)))
        return 0;
    ForgetFrame(*record);
    return 1;
}

int CTravik::GetStreamEvent(HANDLE* event) {
    if (!event) return ReportError(ERR_PARAMETER), 0;
    *event = m_framePool.ReadyEvent();
    return 1;
}

int CTravik::GetStreamStats(TravikExStreamStats* stats) {
    if (!stats || stats->size < sizeof(TravikExStreamStats)) return ReportError(ERR_PARAMETER), 0;
    const PoolCounts counts = m_framePool.Counts(DeviceTallyNow());
    const DWORD size = stats->size;
    std::memset(stats, 0, sizeof(TravikExStreamStats));
    stats->size = size;
    stats->queueDepth = counts.queueDepth;
    stats->held = counts.held;
    stats->delivered = counts.delivered;
    stats->handedOut = counts.handedOut;
    stats->droppedByMode = counts.droppedByMode;
    stats->droppedByPool = counts.droppedByPool;
    stats->skippedByRing = counts.skippedByRing;
    stats->discarded = counts.discarded;
    stats->lostTransfers = counts.lostTransfers;
    return 1;
}

void CTravik::EndStreamWaits() {
    m_framePool.Close(false, DeviceTallyNow());
}

// Under m_imageLock, on the worker: the output image goes into a buffer of the pool with its
// facts. A frame with no room was counted by the pool and goes no further.
void CTravik::DeliverToStream(const FrameTruth& truth) {
    const ImageBuffer* output = OutputImage();
    const std::size_t bytes = static_cast<std::size_t>(output->Height()) * output->Stride();
    StreamFrame* frame = m_framePool.BeginFill(truth.frameId, bytes);
    if (!frame) return;
    std::memcpy(frame->pixels.get(), output->Pixels(), bytes);
    frame->truth = truth;
    if (m_streamResumed.exchange(false)) frame->truth.flags |= kFrameResumed;
    frame->width = output->Width();
    frame->height = output->Height();
    frame->colorMode = GetColorMode();
    frame->bitsPerPixel = output->Bits();
    frame->stride = output->Stride();
    frame->bytes = bytes;
    if (m_framePool.EndFill(frame) && m_streamRequest.notifyWindow)
        PostMessageA(m_streamRequest.notifyWindow, m_streamRequest.notifyMessage, 0, 0);
}
