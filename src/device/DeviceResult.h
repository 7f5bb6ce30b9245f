// Device access layer: the result codes of device operations and of PollFrame.
#pragma once

// Device operations return 0 or one of these; the camera object maps them to its error codes.
enum DeviceResult : int {
    TVK_OK = 0,
    TVK_RING_TOO_SMALL = 1,  // ring count below 2
    TVK_BAD_WIDTH = 3,       // width arguments invalid
    TVK_BAD_HEIGHT = 4,      // height arguments invalid
    TVK_NO_MEMORY = 7,       // out of memory, or the frame buffers do not hold the geometry
    TVK_NO_DEVICE = 10,      // the device path could not be opened
    TVK_SEND_FAILED = 12,    // a command packet did not go out in full
    TVK_NO_DESTINATION = 14, // no destination buffer, or one too small for the window
    TVK_TRANSFER_FAILED = 19,
    TVK_ALREADY_RUNNING = 21,
    TVK_BAD_DEVICE_NUMBER = 22, // outside 0 to 32
};

// What PollFrame tells the consumer.
enum PollResult : int {
    POLL_STOPPED = 0, // no transfer running
    POLL_FAILED = 1,  // the transfer failed, or no frame came for 6000 ms
    POLL_NOTHING = 2, // woken without a frame to take; poll again
    POLL_FRAME = 3,   // the newest frame is at the read index: ReadFrame copies it
};
