// Settings dialogs: a slider group, the trackbar, up-down control and edit box that together show
// one integer setting on a page.
#pragma once

#include <windows.h>

#include <iterator>

namespace dialogs {

struct SliderGroup {
    int bar;  // trackbar
    int spin; // up-down control, whose buddy is the edit box
    int edit; // edit box: the value as a signed number
    int minimum;
    int maximum;
    int tickFrequency;

    // Range, ticks, position and text from `value`; the three controls enabled together.
    void Setup(HWND page, int value, bool enabled) const;
    // Position and text from `value` (the trackbar clamps what lies outside its range).
    void Show(HWND page, int value) const;
    void MoveBar(HWND page, int value) const;
    int BarPosition(HWND page) const;
    // The nearest value of the group's range.
    constexpr int Limit(int value) const { return value < minimum ? minimum : value > maximum ? maximum : value; }
};

// The row among `rows` (an array or a span of rows that hold a `group`) whose trackbar or edit
// box is control `id`, or null.
template <class Rows> auto FindByBar(const Rows& rows, int id) -> decltype(std::data(rows)) {
    for (const auto& row : rows)
        if (row.group.bar == id) return &row;
    return nullptr;
}
template <class Rows> auto FindByEdit(const Rows& rows, int id) -> decltype(std::data(rows)) {
    for (const auto& row : rows)
        if (row.group.edit == id) return &row;
    return nullptr;
}

} // namespace dialogs
