#pragma once

#include <QRect>
#include <functional>

// How large the windows are drawn: one zoom for the whole program, from 80 % to 300 %. Windows are
// laid out in their own fixed coordinates; the controls and forms turn those into screen pixels
// here, so no window knows the zoom. A form that cannot fit on its screen at the chosen zoom is
// drawn at the largest zoom that fits (see TForm::ZoomInUse).
namespace veloria::widgets {

inline constexpr int kZoomMin = 80;
inline constexpr int kZoomMax = 300;
inline constexpr int kZoomDefault = 100;

// The zoom the user chose, in percent.
int ZoomPercent();
// Sets it (clamped to 80..300) and redraws every form showing at once; the others are drawn at it
// when they are shown next.
void SetZoomPercent(int percent);
// One step up or down the usual ladder (80, 90, 100, 110, 125, 150, 175, 200, 250, 300).
int NextZoomStep(int percent, int direction);
// Runs after each change of the chosen zoom, given the new value (the program keeps it).
void SetZoomChangedHook(std::function<void(int percent)> hook);

// A length of the layout at a zoom, and back.
int Scaled(int length, int percent);
int Unscaled(int length, int percent);
QRect Scaled(const QRect& r, int percent);

// The largest zoom, at most `wanted` and not below 80, at which a window of this client size
// and frame fits into the area; `fits` tells whether even that one does.
int FittingZoom(QSize client, QSize frame, QSize area, int wanted, bool* fits = nullptr);

namespace detail {
// Answers Ctrl+Plus, Ctrl+Minus, Ctrl+0 and Ctrl+wheel in every window (once a QApplication
// exists).
void InstallZoomKeys();
}  // namespace detail

}  // namespace veloria::widgets
