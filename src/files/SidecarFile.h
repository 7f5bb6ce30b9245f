// Image files and recording: the sidecar file of a recording, one line of facts per frame.
#pragma once

#include "files/FilePath.h"
#include "files/FrameFacts.h"
#include "files/OutputFile.h"

#include <cstdint>
#include <vector>

// A CSV file beside an AVI: a line naming the columns, then one line per frame of the AVI, in
// the file's order:
//   index,frame_id,host_time_utc,exposure_us,gain,skipped_before
//   0,1042,2024-05-17T09:31:07.402113Z,33320,64,0
// index counts the frames of the AVI from 0; host_time_utc is when the frame arrived, in UTC
// with microseconds; skipped_before counts the camera's frames between the frame before and this
// one that are not in the file (for the first line, those the acquisition skipped just before).
//
// Each line is written as its frame is added, every write checked; KeepLines cuts the file back
// to the frames the AVI kept when a full disk cost it its last ones. Not thread-safe.
class SidecarFile {
  public:
    // Creates the file (an existing one is truncated) and writes the column line; false when it
    // cannot be made or written.
    bool Open(const FilePath& path);
    bool IsOpen() const { return m_file.IsOpen(); }
    // The line of the next frame; false when it did not reach the file whole (the part that
    // did is cut again by the next KeepLines).
    bool AddLine(const RecordedFrameFacts& facts);
    uint32_t Lines() const { return static_cast<uint32_t>(m_lineEnds.size()); }
    // Keeps the first `lines` frame lines and cuts the rest; false when the cut failed.
    bool KeepLines(uint32_t lines);
    void Close();
    // For tests: as OutputFile::LimitLength, after Open.
    void LimitFileLength(uint64_t bytes) { m_file.LimitLength(bytes); }

    // One frame's line, with its newline; `previousId` is the frame id of the line before, or
    // null for the first.
    static int FormatLine(char* line, size_t size, uint32_t index, const RecordedFrameFacts& facts,
                          const uint64_t* previousId);

  private:
    OutputFile m_file;
    uint64_t m_headerEnd = 0;
    std::vector<uint64_t> m_lineEnds; // where each frame's line ends
    uint64_t m_lastId = 0;
};
