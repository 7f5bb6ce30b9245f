// Settings dialogs: the analog gain dialog, whose page applies gain, exposure and mirrors to the
// camera at once and edits the camera settings block in place.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

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

// Runs a change of the settings block and the sensor one at a time with the camera's exports:
// an export on another thread may be changing the same values or the device itself. The dialog
// holds that lock only for the change, never across its modal loop.
using SerialisedChange = std::function<void(const std::function<void()>& change)>;

class AnalogGainPage {
  public:
    AnalogGainPage(int* settings, CTravik380TZ4RDXSdk* device, const ExposureTiming& timing,
                   SerialisedChange serialise)
        : m_settings(settings), m_device(device), m_timing(timing), m_serialise(std::move(serialise)) {}
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
    SerialisedChange m_serialise;
    HWND m_window = nullptr;
    bool m_ready = false; // edit changes count only after the page has been set up
};

class AnalogGainDialog {
  public:
    // Claims the process's analog gain dialog and its page; see Claimed.
    AnalogGainDialog(int* settings, CTravik380TZ4RDXSdk* device, const ExposureTiming& timing,
                     const SerialisedChange& serialise)
        : m_settings(settings), m_device(device), m_serialise(serialise),
          m_page(settings, device, timing, serialise) {}
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
    SerialisedChange m_serialise;
    AnalogGainPage m_page;
    TabFrame m_tab;
    // Last: the kinds are claimed once the object is complete and released before it goes; the
    // page only with the frame.
    ActiveDialogClaim<AnalogGainDialog> m_frameClaim{this};
    ActiveDialogClaim<AnalogGainPage> m_pageClaim{&m_page, m_frameClaim.Claimed()};
};

} // namespace dialogs
