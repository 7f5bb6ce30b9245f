// TravikSdk.hpp: a header-only C++17 interface over the C exports of TravikSdk.h.
#ifndef TRAVIK_SDK_HPP
#define TRAVIK_SDK_HPP

/**
 * @file TravikSdk.hpp
 * @brief Header-only C++17 interface over TravikSdk.h: travik::Camera and its helpers.
 *
 * The wrapper is compiled into the application, so no C++ exception ever crosses the DLL
 * boundary. Failures come back as travik::Error values (the SDK's error code and its text) or as
 * travik::Result objects that hold either a value or an Error. The wrapper itself throws nothing
 * but what the standard library throws when memory runs out.
 */

#include "TravikSdk.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/** @brief The C++ interface of the Travik SDK. */
namespace travik {

/** @brief Output formats, by the bits per pixel of the image buffer (Travik_SetColorMode()). */
enum class ColorMode : int {
    Mono8 = 8,   /**< 8-bit monochrome */
    Mono10 = 16, /**< 10-bit monochrome in 16-bit samples */
    Bgr24 = 24,  /**< 8 bits per channel, blue, green, red */
    Bgrx32 = 32, /**< 8 bits per channel and a fourth byte */
    Bgr48 = 48,  /**< 16-bit samples carrying 10 bits, blue, green, red */
    Bgrx64 = 64  /**< 16-bit samples carrying 10 bits and a fourth sample */
};

/** @brief File forms of Travik_SaveImage(). */
enum class FileType : int {
    Bmp = 0,     /**< Windows bitmap */
    Raw = 1,     /**< the pixel bytes only, first delivered row first */
    Jpeg100 = 2, /**< progressive JPEG of quality 100 */
    Jpeg70 = 3,  /**< progressive JPEG of quality 70 */
    Jpeg20 = 4,  /**< progressive JPEG of quality 20 */
    Png = 5,     /**< PNG */
    Tiff = 6     /**< uncompressed TIFF */
};

/** @brief Options of an MJPEG recording, to pass to Camera::record().
 *  @param quality JPEG quality 1..100 @param chroma444 full-resolution colour instead of 4:2:0
 *  @return the options, size set */
inline TravikExRecordOptions mjpegOptions(int quality = 90, bool chroma444 = false) {
    TravikExRecordOptions options = {};
    options.size = sizeof options;
    options.codec = TRAVIKEX_CODEC_MJPEG;
    options.quality = quality;
    options.chroma = chroma444 ? 444 : 420;
    return options;
}

/** @brief Error code of a call on a Camera that was moved from or never opened. */
constexpr int kNoCamera = -1;
/** @brief Error code of a call that failed without the SDK reporting a code. */
constexpr int kUnreported = -2;
/** @brief Error code of a grab whose time-out passed without a frame. */
constexpr int kTimedOut = -3;

/** @brief The text of an error code.
 *  @param code an ::TravikError value, #kNoCamera or #kUnreported
 *  @return a static, zero-terminated English text; "unknown error" for other codes */
inline const char* errorText(int code) noexcept {
    switch (code) {
    case ERR_NONE:
        return "no error";
    case ERR_UNAVAILABLE:
        return "the camera is not usable for this call";
    case ERR_DEVICE:
        return "the device is absent, cannot be selected, or streams to another application";
    case ERR_THREAD:
        return "an event or a thread could not be created";
    case ERR_WINDOW:
        return "the preview window could not be made, or no capture-window preset matches";
    case ERR_MEMORY:
        return "memory or buffer failure";
    case ERR_DEVICE_IO:
        return "the device refused a register access or the start of the transfer";
    case ERR_GEOMETRY:
        return "the capture window is invalid";
    case ERR_TRANSFER:
        return "a frame transfer failed or timed out";
    case ERR_PARAMETER:
        return "an argument is out of range, not accepted, or null";
    case ERR_NOT_SUPPORTED:
        return "not supported by this camera";
    case ERR_FILE:
        return "a file name could not be converted or a file could not be made";
    case ERR_DEVICE_LOST:
        return "the device stopped answering while streaming";
    case kNoCamera:
        return "no camera: moved from or never opened";
    case kUnreported:
        return "the call failed without reporting an error code";
    case kTimedOut:
        return "no frame came within the time-out";
    default:
        return "unknown error";
    }
}

/** @brief The outcome of a call: code 0 for success, else an SDK error code. */
class Error {
  public:
    /** @brief Success. */
    Error() noexcept = default;
    /** @brief A failure with @p code (0 means success). @param code an SDK error code */
    explicit Error(int code) noexcept : m_code(code) {}
    /** @brief The SDK error code; 0 for success. @return the code */
    int code() const noexcept { return m_code; }
    /** @brief Whether the call succeeded. @return true for code 0 */
    bool ok() const noexcept { return m_code == 0; }
    /** @brief Whether the call failed. @return true for a non-zero code */
    explicit operator bool() const noexcept { return m_code != 0; }
    /** @brief The code's text. @return a static, zero-terminated text */
    const char* text() const noexcept { return errorText(m_code); }

  private:
    int m_code = 0;
};

/** @brief Either a value or the Error that kept it from being made. */
template <class T> class Result {
  public:
    /** @brief A value. @param value the value */
    Result(T value) : m_value(std::move(value)) {} // implicit, so that `return value;` reads well
    /** @brief A failure. @param error why there is no value */
    Result(Error error) : m_error(error.ok() ? Error(kUnreported) : error) {}
    /** @brief Whether a value is held. @return true with a value */
    bool has_value() const noexcept { return m_value.has_value(); }
    /** @brief Whether a value is held. @return true with a value */
    explicit operator bool() const noexcept { return has_value(); }
    /** @brief The value; only with has_value(). @return the value */
    T& value() & { return *m_value; }
    /** @brief The value; only with has_value(). @return the value */
    const T& value() const& { return *m_value; }
    /** @brief The value, moved out; only with has_value(). @return the value */
    T&& value() && { return std::move(*m_value); }
    /** @brief The value; only with has_value(). @return the value */
    T& operator*() & { return *m_value; }
    /** @brief The value; only with has_value(). @return the value */
    const T& operator*() const& { return *m_value; }
    /** @brief The value's members; only with has_value(). @return the value's address */
    T* operator->() { return &*m_value; }
    /** @brief The value's members; only with has_value(). @return the value's address */
    const T* operator->() const { return &*m_value; }
    /** @brief Why there is no value; success when there is one. @return the error */
    Error error() const noexcept { return m_error; }

  private:
    std::optional<T> m_value;
    Error m_error;
};

/** @brief A camera present on this machine. */
struct Device {
    int number;       /**< device number for Camera::open() and Camera::selectDevice() */
    std::string name; /**< "Travik380TZ4-RDX_nn", nn = number + 1 */
};

/** @brief A frame lent to a frame callback: valid only while the callback runs, and whole: the
 *  SDK writes no other frame into it meanwhile. */
struct FrameView {
    int width;                      /**< pixels per row */
    int height;                     /**< rows */
    int bits;                       /**< bits per pixel of the storage: 8, 16, 24, 32, 48 or 64 */
    int stride;                     /**< bytes per row, a multiple of 4 */
    const std::uint8_t* pixels;     /**< first delivered row first */
    std::uint64_t id = 0;           /**< the frame id (TravikExFrame::frameId) */
    std::uint64_t skippedBefore = 0; /**< frames not handed out since the one before */
    std::int64_t hostTicks = 0;     /**< QueryPerformanceCounter() at the transfer's end */
    int exposureUs = 0;             /**< exposure last written to the sensor before the transfer */
    int gain = 0;                   /**< gain last written to the sensor before the transfer */
};

/** @brief A picture owned by the application, as Camera::snap() returns it. */
struct Image {
    int width = 0;                    /**< pixels per row */
    int height = 0;                   /**< rows */
    int bits = 0;                     /**< bits per pixel of the storage */
    int stride = 0;                   /**< bytes per row, a multiple of 4 */
    std::vector<std::uint8_t> pixels; /**< height * stride bytes, first delivered row first */
};

/** @brief Bytes per row of an SDK image buffer. @param width pixels @param bits bits per pixel
 *  @return the row bytes rounded up to a multiple of 4 */
inline int strideOf(int width, int bits) noexcept {
    return (width * bits + 31) / 32 * 4;
}

/** @brief What became of Camera::saveProfile() or Camera::loadProfile(): on a refusal, the
 *  line and the reason, as TravikProfileResult carries them. */
struct ProfileError {
    Error error;  /**< the SDK's error code; success when saved or loaded */
    int line = 0; /**< line of the refused file, from 1; 0 when no one line is at fault */
    int reason = TRAVIK_PROFILE_OK; /**< a ::TravikProfileReason value */
    std::string text;               /**< the reason in English, naming the setting and the rule */
    /** @brief Whether the call failed. @return true for a failure */
    explicit operator bool() const noexcept { return !error.ok(); }
};

/** @brief The callback of Camera::onFrame(). */
using FrameCallback = std::function<void(const FrameView&)>;

/** @brief What a grab returns while the application has older frames (TravikEx_StartStream()). */
enum class StreamMode : int {
    Newest = TRAVIKEX_STREAM_NEWEST, /**< the newest frame; older ones are dropped */
    Queue = TRAVIKEX_STREAM_QUEUE    /**< every frame in order, up to the pool's size */
};
/** @brief What a full queue does with a new frame. */
enum class QueueFull : int {
    DropOldest = TRAVIKEX_QUEUE_DROP_OLDEST,    /**< the oldest queued frame makes room */
    RefuseNewest = TRAVIKEX_QUEUE_REFUSE_NEWEST /**< the new frame is dropped */
};
/** @brief How Camera::stream() runs the frame stream. */
struct StreamOptions {
    StreamMode mode = StreamMode::Newest;        /**< newest only, or queue */
    int buffers = 0;                             /**< frames the application may have queued and
                                                      held together, 1..64; 0 for the default */
    QueueFull queueFull = QueueFull::DropOldest; /**< queue mode: what a full queue does */
};

/** @brief A record of the extensions, zero-filled, with its first member, its size, set.
 *  @return the record */
template <class Record> Record sized() noexcept {
    Record record{};
    record.size = sizeof(Record);
    return record;
}

/** @brief A read-only view of bytes: a pointer and a size, usable in range-for. */
struct ByteSpan {
    const std::uint8_t* data = nullptr; /**< the first byte */
    std::size_t size = 0;               /**< bytes */
    /** @brief The first byte. @return data */
    const std::uint8_t* begin() const noexcept { return data; }
    /** @brief One past the last byte. @return data + size */
    const std::uint8_t* end() const noexcept { return data + size; }
    /** @brief Byte @p i. @param i an index below size @return the byte */
    std::uint8_t operator[](std::size_t i) const noexcept { return data[i]; }
};

/**
 * @brief A frame the application holds: its pixels and facts, given back to the SDK when the
 * Frame is destroyed or release() is called. Movable, not copyable.
 *
 * The SDK never writes a held frame; it stays valid after the stream stops, a setting changes or
 * the camera is lost or released. See TravikExFrame for the meaning of each fact.
 */
class Frame {
  public:
    /** @brief No frame. */
    Frame() noexcept = default;
    /** @brief Gives the frame back. */
    ~Frame() { release(); }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    /** @brief Takes over @p other's frame. @param other the source, left empty */
    Frame(Frame&& other) noexcept : m_handle(other.m_handle), m_record(other.m_record) {
        other.m_record.ticket = 0;
    }
    /** @brief Gives this frame back, then takes over @p other's. @param other the source
     *  @return this frame */
    Frame& operator=(Frame&& other) noexcept {
        if (this != &other) {
            release();
            m_handle = other.m_handle;
            m_record = other.m_record;
            other.m_record.ticket = 0;
        }
        return *this;
    }

    /** @brief Whether a frame is held. @return false when empty or released */
    explicit operator bool() const noexcept { return m_record.ticket != 0; }
    /** @brief Gives the frame back now; the Frame is empty afterwards. */
    void release() noexcept {
        if (m_record.ticket != 0) TravikEx_ReleaseFrame(m_handle, &m_record);
        m_record.ticket = 0;
    }

    /** @brief The frame id. @return 1 for the camera's first frame, one more for each after */
    std::uint64_t id() const noexcept { return m_record.frameId; }
    /** @brief Frames delivered but not handed out since the frame before. @return the count */
    std::uint64_t skippedBefore() const noexcept { return m_record.skippedBefore; }
    /** @brief QueryPerformanceCounter() at the end of the frame's transfer. @return ticks */
    std::int64_t hostTicks() const noexcept { return m_record.hostTicks; }
    /** @brief The same instant as UTC. @return the time */
    FILETIME hostTimeUtc() const noexcept { return m_record.hostTimeUtc; }
    /** @brief QueryPerformanceCounter() when the converted frame was queued. @return ticks */
    std::int64_t readyTicks() const noexcept { return m_record.readyTicks; }
    /** @brief Exposure last written to the sensor before the transfer began. @return µs */
    int exposureUs() const noexcept { return m_record.exposureUs; }
    /** @brief Gain last written to the sensor before the transfer began. @return 0..1023 */
    int gain() const noexcept { return m_record.gain; }
    /** @brief Whether every byte arrived. @return true for a complete transfer */
    bool complete() const noexcept { return (m_record.flags & TRAVIKEX_FRAME_COMPLETE) != 0; }
    /** @brief Pixels per row. @return the width */
    int width() const noexcept { return m_record.width; }
    /** @brief Rows. @return the height */
    int height() const noexcept { return m_record.height; }
    /** @brief Bits per pixel of the storage. @return 8, 16, 24, 32, 48 or 64 */
    int bits() const noexcept { return m_record.bitsPerPixel; }
    /** @brief Bytes per row. @return the stride, a multiple of 4 */
    int stride() const noexcept { return m_record.stride; }
    /** @brief The output format. @return the format of the storage */
    ColorMode colorMode() const noexcept { return static_cast<ColorMode>(m_record.bitsPerPixel); }
    /** @brief The pixels, first delivered row first. @return height * stride bytes */
    ByteSpan pixels() const noexcept {
        return ByteSpan{m_record.pixels, static_cast<std::size_t>(m_record.bytes)};
    }
    /** @brief The frame as a callback sees it. @return a view valid while the Frame is held */
    FrameView view() const noexcept {
        FrameView view{width(), height(), bits(), stride(), m_record.pixels};
        view.id = id();
        view.skippedBefore = skippedBefore();
        view.hostTicks = hostTicks();
        view.exposureUs = exposureUs();
        view.gain = gain();
        return view;
    }
    /** @brief The SDK's record of the frame. @return the record */
    const TravikExFrame& record() const noexcept { return m_record; }

  private:
    friend class FrameStream;
    Frame(int handle, const TravikExFrame& record) noexcept : m_handle(handle), m_record(record) {}

    int m_handle = 0;
    TravikExFrame m_record = sized<TravikExFrame>();
};

/**
 * @brief A running frame stream (Camera::stream()): frames grabbed on any thread, with no message
 * loop, one at a time or in a range-for loop. Stops the stream when destroyed; movable.
 *
 * @code
 * auto stream = camera.stream({travik::StreamMode::Queue, 8});
 * for (travik::Frame& frame : *stream)          // ends when the stream stops or the camera goes
 *     inspect(frame.pixels(), frame.id());
 * @endcode
 */
class FrameStream {
  public:
    /** @brief No stream. */
    FrameStream() noexcept = default;
    /** @brief Stops the stream; frames still held stay valid. */
    ~FrameStream() { stop(); }
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;
    /** @brief Takes over @p other's stream. @param other the source, left empty */
    FrameStream(FrameStream&& other) noexcept
        : m_handle(std::exchange(other.m_handle, 0)), m_ended(other.m_ended) {}
    /** @brief Stops this stream, then takes over @p other's. @param other the source
     *  @return this stream */
    FrameStream& operator=(FrameStream&& other) noexcept {
        if (this != &other) {
            stop();
            m_handle = std::exchange(other.m_handle, 0);
            m_ended = other.m_ended;
        }
        return *this;
    }

    /** @brief Whether a stream is held. @return false once moved from or stopped */
    explicit operator bool() const noexcept { return m_handle != 0; }

    /**
     * @brief Waits up to @p milliseconds for a frame and hands it out.
     * @param milliseconds the longest wait; INFINITE waits until a frame comes or the stream ends
     * @return the frame; #kTimedOut when none came in time; the SDK's code when none is to come
     *         (#ERR_DEVICE_LOST once after the camera was lost, #ERR_UNAVAILABLE after a stop)
     */
    Result<Frame> grab(DWORD milliseconds = INFINITE) {
        if (m_handle == 0) return Error(kNoCamera);
        TravikExFrame record = sized<TravikExFrame>();
        const int grabbed = TravikEx_GrabFrame(m_handle, milliseconds, &record);
        if (grabbed == 1) return Result<Frame>(Frame(m_handle, record));
        if (grabbed == 0) return Error(kTimedOut);
        const int code = Travik_GetLastError(m_handle);
        m_ended = Error(code != 0 ? code : kUnreported);
        return m_ended;
    }
    /** @brief The counts of the stream. @return them, or why they could not be read */
    Result<TravikExStreamStats> stats() const {
        if (m_handle == 0) return Error(kNoCamera);
        TravikExStreamStats counts = sized<TravikExStreamStats>();
        if (TravikEx_GetStreamStats(m_handle, &counts) == 1) return counts;
        return Error(Travik_GetLastError(m_handle));
    }
    /** @brief The event signalled while a grab would return at once, for WaitForMultipleObjects.
     *  @return the SDK's handle (do not close it), or NULL */
    HANDLE event() const noexcept {
        HANDLE ready = nullptr;
        if (m_handle != 0) TravikEx_GetStreamEvent(m_handle, &ready);
        return ready;
    }
    /** @brief Why the last grab found no frame to come, as the range-for loop ends.
     *  @return the error; success while the stream runs */
    Error ended() const noexcept { return m_ended; }
    /** @brief Stops the stream; frames held stay valid. @return the outcome */
    Error stop() noexcept {
        const int handle = std::exchange(m_handle, 0);
        if (handle == 0 || TravikEx_StopStream(handle) == 1) return Error();
        return Error(Travik_GetLastError(handle));
    }

    /** @brief The range-for iterator: each step grabs the next frame, waiting as long as it takes;
     *  the loop ends when the stream ends (see ended()). */
    class iterator {
      public:
        /** @brief The frame held now. @return it */
        Frame& operator*() noexcept { return m_frame; }
        /** @brief The frame held now. @return its address */
        Frame* operator->() noexcept { return &m_frame; }
        /** @brief Gives the frame back and grabs the next. @return this iterator */
        iterator& operator++() {
            m_frame.release();
            Result<Frame> next = m_stream ? m_stream->grab(INFINITE) : Result<Frame>(Error());
            if (next) {
                m_frame = std::move(next.value());
            } else {
                m_stream = nullptr;
            }
            return *this;
        }
        /** @brief Whether both are at the end, or on the same stream. @param other the other
         *  @return the comparison */
        bool operator!=(const iterator& other) const noexcept { return m_stream != other.m_stream; }

      private:
        friend class FrameStream;
        explicit iterator(FrameStream* stream) : m_stream(stream) {}
        FrameStream* m_stream;
        Frame m_frame;
    };
    /** @brief Grabs the first frame. @return the iterator on it, or end() */
    iterator begin() {
        iterator first(m_handle != 0 ? this : nullptr);
        ++first;
        return first;
    }
    /** @brief The end of the stream. @return the iterator past the last frame */
    iterator end() noexcept { return iterator(nullptr); }

  private:
    friend class Camera;
    explicit FrameStream(int handle) noexcept : m_handle(handle) {}

    int m_handle = 0;
    Error m_ended;
};

/** @cond TRAVIK_INTERNAL */
namespace detail {

// The frame callback's side of the frame stream: a hidden window on the thread that called
// onFrame(), to which the SDK posts its frame message; the window grabs every queued frame and
// lends it to the callback. The Camera holds it by pointer so that moving the Camera moves
// nothing of this.
class Stream {
  public:
    Stream(int handle, FrameCallback callback) : m_handle(handle), m_callback(std::move(callback)) {
        m_window = CreateWindowExA(0, RegisterWindowClass(), "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, ThisModule(), nullptr);
        if (m_window) SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Stream() {
        if (m_window) DestroyWindow(m_window);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    HWND window() const { return m_window; }
    long long frames() const { return m_frames; }
    long long callbackFailures() const { return m_callbackFailures; }
    long long recoveries() const { return m_recoveries; }
    const std::string& lastCallbackFailure() const { return m_lastCallbackFailure; }
    Error lastStreamError() const { return m_streamError; }

  private:
    static HINSTANCE ThisModule() {
        HMODULE module = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&WindowProc), &module);
        return module;
    }
    static const char* RegisterWindowClass() {
        static const char* const name = [] {
            WNDCLASSEXA wc = {};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = WindowProc;
            wc.hInstance = ThisModule();
            wc.lpszClassName = "TravikSdkHppFrameStream";
            RegisterClassExA(&wc); // a second module of the process has a class of its own
            return wc.lpszClassName;
        }();
        return name;
    }
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Stream*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_TRAVIKEX_FRAME && self) {
            self->OnFrames();
            return 0;
        }
        // The lost camera is back and frames come again: the loss is over.
        if (message == WM_CAMERA_RECOVERY && self && wParam == TRAVIK_RECOVERY_RESUMED) {
            ++self->m_recoveries;
            self->m_streamError = Error();
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // Runs on the thread that made the stream, inside its message loop: every queued frame, each
    // held while the callback runs. An exception must not unwind through the system's dispatch,
    // so it is caught here, counted and kept as text, and the stream goes on.
    void OnFrames() noexcept {
        for (;;) {
            TravikExFrame record = sized<TravikExFrame>();
            const int grabbed = TravikEx_GrabFrame(m_handle, 0, &record);
            if (grabbed == 0) return;
            if (grabbed != 1) {
                // The stream has ended; a lost camera is worth keeping, a stop is not.
                const int code = Travik_GetLastError(m_handle);
                if (code == ERR_DEVICE_LOST) m_streamError = Error(code);
                return;
            }
            ++m_frames;
            FrameView view{record.width, record.height, record.bitsPerPixel, record.stride,
                           record.pixels};
            view.id = record.frameId;
            view.skippedBefore = record.skippedBefore;
            view.hostTicks = record.hostTicks;
            view.exposureUs = record.exposureUs;
            view.gain = record.gain;
            try {
                if (m_callback) m_callback(view);
            } catch (const std::exception& failure) {
                NoteCallbackFailure(failure.what());
            } catch (...) {
                NoteCallbackFailure("an exception that is not a std::exception");
            }
            TravikEx_ReleaseFrame(m_handle, &record);
        }
    }
    void NoteCallbackFailure(const char* what) noexcept {
        ++m_callbackFailures;
        try {
            m_lastCallbackFailure = what;
        } catch (...) {
        }
        OutputDebugStringA("travik: the frame callback threw; the stream goes on\n");
    }

    int m_handle;
    FrameCallback m_callback;
    HWND m_window = nullptr;
    long long m_frames = 0;
    long long m_callbackFailures = 0;
    long long m_recoveries = 0;
    std::string m_lastCallbackFailure;
    Error m_streamError;
};

} // namespace detail
/** @endcond */

/**
 * @brief One open camera: released when destroyed; movable, not copyable.
 *
 * Frame callbacks run on the thread that called onFrame(), from its message loop: that thread
 * must dispatch messages (GetMessage/DispatchMessage, or pumpMessages()), and it is the thread
 * that should close or destroy the camera, since only it can destroy the hidden window.
 */
class Camera {
  public:
    /** @brief Opens a camera object and selects @p device.
     *  @param device device number, 0..31
     *  @param window window that receives #WM_CAMERA_ERROR; may be NULL
     *  @return the camera, or the reason it could not be opened */
    static Result<Camera> open(int device = 0, HWND window = nullptr) {
        Camera camera(Travik_Initialize(window));
        if (camera.m_handle == 0) return Error(ERR_MEMORY);
        if (const int code = Travik_GetLastError(camera.m_handle)) return Error(code);
        if (Error error = camera.selectDevice(device)) return error;
        return Result<Camera>(std::move(camera));
    }

    /** @brief An empty camera, as a moved-from one: every call gives #kNoCamera. */
    Camera() noexcept = default;
    /** @brief Stops the stream and releases the camera. */
    ~Camera() { close(); }
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;
    /** @brief Takes over @p other's camera; @p other is left empty. @param other the source */
    Camera(Camera&& other) noexcept
        : m_handle(std::exchange(other.m_handle, 0)), m_stream(std::move(other.m_stream)) {}
    /** @brief Releases this camera, then takes over @p other's. @param other the source
     *  @return this camera */
    Camera& operator=(Camera&& other) noexcept {
        if (this != &other) {
            close();
            m_handle = std::exchange(other.m_handle, 0);
            m_stream = std::move(other.m_stream);
        }
        return *this;
    }

    /** @brief Whether a camera is held. @return false once moved from or closed */
    explicit operator bool() const noexcept { return m_handle != 0; }
    /** @brief The handle for the C exports. @return the handle, 0 when empty */
    int handle() const noexcept { return m_handle; }

    /** @brief Stops acquisition, releases the camera, then frees the stream's window and buffer.
     *
     *  The SDK's worker writes into the stream's buffer until the preview stops, so the buffer
     *  goes only after the release. */
    void close() noexcept {
        if (m_handle != 0) {
            Travik_StopPreview(m_handle);
            Travik_Release(m_handle);
            m_handle = 0;
        }
        m_stream.reset();
    }

    /** @brief The cameras present on this machine. @return them, in device-number order */
    Result<std::vector<Device>> devices() const {
        if (m_handle == 0) return Error(kNoCamera);
        std::vector<char> slots(32 * 256);
        const int count = Travik_EnumDevice(m_handle, slots.data());
        std::vector<Device> found;
        for (int i = 0; i < count && i < 32; ++i) {
            std::string name(&slots[static_cast<std::size_t>(i) * 256]);
            // Names count from 1: device number 0 is "Travik380TZ4-RDX_01".
            const std::size_t mark = name.rfind('_');
            const int number =
                mark == std::string::npos ? i : std::atoi(name.c_str() + mark + 1) - 1;
            found.push_back(Device{number, std::move(name)});
        }
        return Result<std::vector<Device>>(std::move(found));
    }
    /** @brief Selects the device that this camera drives. @param device device number
     *  @return the outcome */
    Error selectDevice(int device) { return Call(Travik_SetDeviceNumber(m_handle, device)); }

    /** @brief Sets the output format. @param mode the format @return the outcome */
    Error setColorMode(ColorMode mode) {
        return Call(Travik_SetColorMode(m_handle, static_cast<int>(mode)));
    }
    /** @brief The output format. @return the format, or why it is unknown */
    Result<ColorMode> colorMode() const {
        switch (m_handle ? Travik_GetColorMode(m_handle) : -1) {
        case 8:
            return ColorMode::Mono8;
        case 10:
            return ColorMode::Mono10;
        case 24:
            return ColorMode::Bgr24;
        case 32:
            return ColorMode::Bgrx32;
        case 42:
            return ColorMode::Bgr48;
        case 58:
            return ColorMode::Bgrx64;
        default:
            return Error(m_handle ? ERR_UNAVAILABLE : kNoCamera);
        }
    }
    /** @brief Width of the capture window. @return pixels; 0 when empty */
    int width() const noexcept { return m_handle ? Travik_Width(m_handle) : 0; }
    /** @brief Height of the capture window. @return rows; 0 when empty */
    int height() const noexcept { return m_handle ? Travik_Height(m_handle) : 0; }

    /** @brief Sets a filter or sensor setting. @param id which one @param value the new value
     *  @return the outcome */
    Error setFilter(TravikFilter id, int value) {
        return Call(Travik_SetFilterValue(m_handle, id, value));
    }
    /** @brief Reads a filter or sensor setting. @param id which one
     *  @return the value, or why it could not be read */
    Result<int> filter(TravikFilter id) {
        int ok = 0;
        const int value = m_handle ? Travik_GetFilterValue(m_handle, id, &ok) : 0;
        if (ok) return value;
        return Failure();
    }

    /** @brief Starts live preview in the SDK's preview window (Travik_SetPreviewWindow()).
     *  @return the outcome */
    Error startPreview() { return Call(Travik_StartPreview(m_handle)); }
    /** @brief Stops preview, frame stream or recording and waits for their threads.
     *  @return the outcome */
    Error stopPreview() { return Call(Travik_StopPreview(m_handle)); }

    /**
     * @brief Starts the frame stream.
     * @param options its mode and pool
     * @return the running stream, or why it could not start
     */
    Result<FrameStream> stream(const StreamOptions& options = StreamOptions()) {
        if (m_handle == 0) return Error(kNoCamera);
        TravikExStreamOptions start = sized<TravikExStreamOptions>();
        start.mode = static_cast<int>(options.mode);
        start.buffers = options.buffers;
        start.queueFull = static_cast<int>(options.queueFull);
        if (Error error = Call(TravikEx_StartStream(m_handle, &start))) return error;
        return Result<FrameStream>(FrameStream(m_handle));
    }

    /**
     * @brief Streams frames to @p callback until stopPreview() or close().
     *
     * Runs the frame stream in newest-only mode. The callback runs on the calling thread's
     * message loop with a view of the newest whole frame and its facts, which the SDK does not
     * touch until the callback returns; copy what must be kept longer. An exception thrown by the
     * callback is caught, counted (callbackFailures()) and the stream goes on.
     * @param callback called once per frame
     * @return the outcome
     */
    Error onFrame(FrameCallback callback) {
        if (m_handle == 0) return Error(kNoCamera);
        Travik_StopPreview(m_handle); // a previous stream's window goes only once it has stopped
        m_stream = std::make_unique<detail::Stream>(m_handle, std::move(callback));
        if (!m_stream->window()) {
            m_stream.reset();
            return Error(ERR_WINDOW);
        }
        TravikExStreamOptions start = sized<TravikExStreamOptions>();
        start.notifyWindow = m_stream->window();
        const Error started = Call(TravikEx_StartStream(m_handle, &start));
        if (started) m_stream.reset();
        return started;
    }
    /** @brief Frames handed to the frame callback so far. @return the count */
    long long framesDelivered() const noexcept { return m_stream ? m_stream->frames() : 0; }
    /** @brief Exceptions the frame callback threw so far. @return the count */
    long long callbackFailures() const noexcept {
        return m_stream ? m_stream->callbackFailures() : 0;
    }
    /** @brief What the last throwing callback threw. @return its what() text, or empty */
    std::string lastCallbackFailure() const {
        return m_stream ? m_stream->lastCallbackFailure() : std::string();
    }
    /** @brief The last error the acquisition thread sent with the frame notices.
     *  @return the error, success when none */
    Error streamError() const noexcept { return m_stream ? m_stream->lastStreamError() : Error(); }

    /** @brief Returns of a lost camera that the frame callback's stream was resumed after.
     *  @return the count */
    long long recoveries() const noexcept { return m_stream ? m_stream->recoveries() : 0; }

    /**
     * @brief Turns automatic recovery after a loss of the camera on or off (off by default).
     *
     * On, a camera unplugged while frames flow is told once (streamError() becomes
     * #ERR_DEVICE_LOST), and when the same camera is plugged in again the SDK takes it back with
     * every setting and the frame callback receives frames again (streamError() is success once
     * more, recoveries() counts the return). See TravikEx_SetRecovery().
     * @param on true to recover
     * @return the outcome
     */
    Error setRecovery(bool on) {
        const TravikRecoveryOptions options = {sizeof(TravikRecoveryOptions), on ? 1u : 0u, 0};
        return Call(TravikEx_SetRecovery(m_handle, &options));
    }
    /** @brief Automatic recovery as it stands (TravikEx_GetRecoveryStatus()).
     *  @return the status, or why it could not be read */
    Result<TravikRecoveryStatus> recoveryStatus() {
        if (m_handle == 0) return Error(kNoCamera);
        TravikRecoveryStatus status = {};
        status.size = sizeof status;
        if (TravikEx_GetRecoveryStatus(m_handle, &status) != 1) return Failure();
        return status;
    }

    /** @brief Grabs and converts one frame on this thread. @return the picture, or why not */
    Result<Image> snap() {
        if (m_handle == 0) return Error(kNoCamera);
        const Result<ColorMode> mode = colorMode();
        if (!mode) return mode.error();
        Image image;
        image.width = width();
        image.height = height();
        image.bits = static_cast<int>(*mode);
        image.stride = strideOf(image.width, image.bits);
        image.pixels.resize(static_cast<std::size_t>(image.stride) * image.height);
        if (Error error = Call(Travik_SnapShot(m_handle, image.pixels.data(),
                                               static_cast<int>(image.pixels.size()), 1)))
            return error;
        return Result<Image>(std::move(image));
    }
    /** @brief Saves the current image. @param path the file (ANSI) @param type its form
     *  @return the outcome */
    Error save(const std::string& path, FileType type) {
        return Call(Travik_SaveImage(m_handle, path.c_str(), static_cast<int>(type)));
    }
    /** @brief Saves the current image. @param path the file @param type its form
     *  @return the outcome */
    Error save(const std::wstring& path, FileType type) {
        return Call(Travik_SaveImageW(m_handle, path.c_str(), static_cast<int>(type)));
    }
    /** @brief Starts recording an AVI file on the SDK's own thread.
     *  @param path the file (ANSI) @param milliseconds length of the recording
     *  @param showWindow whether to show a preview window meanwhile
     *  @return the outcome of the start */
    Error record(const std::string& path, int milliseconds, bool showWindow = false) {
        return Call(Travik_Record(m_handle, path.c_str(), milliseconds, showWindow ? 1 : 0));
    }

    /** @brief Saves every setting to a settings profile, a UTF-8 text file (@ref profiles).
     *  @param path the file @return the outcome */
    ProfileError saveProfile(const std::wstring& path) {
        return ProfileCall(TravikEx_SaveProfileW, path.c_str());
    }
    /** @brief Saves every setting to a settings profile. @param path the file (ANSI)
     *  @return the outcome */
    ProfileError saveProfile(const std::string& path) {
        return ProfileCall(TravikEx_SaveProfileA, path.c_str());
    }
    /** @brief Loads a settings profile, whole or not at all (TravikEx_LoadProfileW()).
     *  @param path the file @return the outcome, with the line and reason of a refusal */
    ProfileError loadProfile(const std::wstring& path) {
        return ProfileCall(TravikEx_LoadProfileW, path.c_str());
    }
    /** @brief Loads a settings profile, whole or not at all. @param path the file (ANSI)
     *  @return the outcome, with the line and reason of a refusal */
    ProfileError loadProfile(const std::string& path) {
        return ProfileCall(TravikEx_LoadProfileA, path.c_str());
    }

    /** @brief Starts a recording with a codec, pre-event buffer or sidecar (TravikEx_RecordW()).
     *  @param path the AVI file, or the name pre-event files are numbered from
     *  @param milliseconds length of the recording, or how long a pre-event recording waits
     *  @param options the codec and extras; its size is set here
     *  @param showWindow whether to show a preview window meanwhile
     *  @return the outcome of the start */
    Error record(const std::wstring& path, int milliseconds, TravikExRecordOptions options,
                 bool showWindow = false) {
        options.size = sizeof options;
        return Call(TravikEx_RecordW(m_handle, path.c_str(), milliseconds, showWindow ? 1 : 0,
                                     &options));
    }
    /** @brief The same with an ANSI path (TravikEx_RecordA()).
     *  @param path the AVI file (ANSI)
     *  @param milliseconds as above @param options as above @param showWindow as above
     *  @return the outcome of the start */
    Error record(const std::string& path, int milliseconds, TravikExRecordOptions options,
                 bool showWindow = false) {
        options.size = sizeof options;
        return Call(TravikEx_RecordA(m_handle, path.c_str(), milliseconds, showWindow ? 1 : 0,
                                     &options));
    }
    /** @brief Marks now in the running pre-event recording (TravikEx_MarkRecording()).
     *  @return the outcome */
    Error markRecording() { return Call(TravikEx_MarkRecording(m_handle)); }
    /** @brief The running or last recording's counts (TravikEx_GetRecordingStatus()).
     *  @return them, or why not */
    Result<TravikExRecordingStatus> recordingStatus() {
        TravikExRecordingStatus status = {};
        status.size = sizeof status;
        if (Error error = Call(TravikEx_GetRecordingStatus(m_handle, &status))) return error;
        return status;
    }

    /** @brief Removes and returns the newest error on the camera's stack.
     *  @return it, success when the stack is empty */
    Error takeLastError() {
        return m_handle ? Error(Travik_GetLastError(m_handle)) : Error(kNoCamera);
    }

  private:
    explicit Camera(int handle) noexcept : m_handle(handle) {}

    // A failed export has pushed its reason; one that only posts leaves the stack empty.
    Error Failure() {
        if (m_handle == 0) return Error(kNoCamera);
        const int code = Travik_GetLastError(m_handle);
        return Error(code != 0 ? code : kUnreported);
    }
    Error Call(int result) { return m_handle != 0 && result == 1 ? Error() : Failure(); }
    template <class Char>
    ProfileError ProfileCall(int (*call)(int, const Char*, TravikProfileResult*),
                             const Char* path) {
        ProfileError outcome;
        if (m_handle == 0) {
            outcome.error = Error(kNoCamera);
            return outcome;
        }
        TravikProfileResult result = {};
        result.size = sizeof result;
        outcome.error = Call(call(m_handle, path, &result));
        outcome.line = result.line;
        outcome.reason = result.reason;
        outcome.text = result.text;
        return outcome;
    }

    int m_handle = 0;
    std::unique_ptr<detail::Stream> m_stream;
};

/** @brief Dispatches the calling thread's messages until @p done returns true or @p milliseconds
 *  pass. @param milliseconds the longest wait @param done checked after each message
 *  @return whether @p done became true */
inline bool pumpMessages(DWORD milliseconds, const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

} // namespace travik

#endif // TRAVIK_SDK_HPP
