// Settings dialogs: the analog gain dialog, whose page applies gain, exposure and mirrors to the
// camera at once and edits the camera settings block in place.
#pragma once

#include <windows.h>

#include "dialogs/DialogCommon.h"

class CTravik380TZ4RDXSdk;

namespace dialogs {

// The camera's exposure timing: clocks per line, extra clocks, milliseconds per clock.
struct ExposureTiming {
    const int* clocksPerLine;
    const int* overheadClocks;
    const double* msPerClock;
};

// The text of the exposure-time label for an exposure value, "=%.2fms".
void FormatExposureTime(int exposure, int clocksPerLine, int overheadClocks, double msPerClock,
                        wchar_t (&text)[32]);

class AnalogGainPage {
  public:
    AnalogGainPage(int* settings, CTravik380TZ4RDXSdk* device, const ExposureTiming& timing)
        : m_settings(settings), m_device(device), m_timing(timing) {}
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND Window() const { return m_window; }
    void Refresh() const;
    void ReadBack() const;

  private:
    void Open(HWND window);
    void OnCommand(int id, int code);
    void OnEditChange(int id);
    void ShowStoredValue(int id);
    void ShowExposureTime() const;

    int* m_settings;
    CTravik380TZ4RDXSdk* m_device;
    ExposureTiming m_timing;
    HWND m_window = nullptr;
    bool m_ready = false; // edit changes count only after the page has been set up
};

class AnalogGainDialog {
  public:
    // Claims the process's analog gain dialog and its page; see Claimed.
    AnalogGainDialog(int* settings, CTravik380TZ4RDXSdk* device, const ExposureTiming& timing)
        : m_settings(settings), m_device(device), m_page(settings, device, timing) {}
    AnalogGainDialog(const AnalogGainDialog&) = delete;
    AnalogGainDialog& operator=(const AnalogGainDialog&) = delete;

    // False when another analog gain dialog of this process was open as this one was made: it
    // then cannot be run.
    bool Claimed() const { return m_frameClaim.Claimed() && m_pageClaim.Claimed(); }
    // 1 for OK, 2 for Cancel or closing, -1 when it could not be shown (-2 when not claimed).
    INT_PTR Run(HWND owner);
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void Open(HWND window);
    void RestoreDefaults() const;

    int* m_settings;
    CTravik380TZ4RDXSdk* m_device;
    AnalogGainPage m_page;
    TabFrame m_tab;
    // Last: the kinds are claimed once the object is complete and released before it goes; the
    // page only with the frame.
    ActiveDialogClaim<AnalogGainDialog> m_frameClaim{this};
    ActiveDialogClaim<AnalogGainPage> m_pageClaim{&m_page, m_frameClaim.Claimed()};
};

} // namespace dialogs
