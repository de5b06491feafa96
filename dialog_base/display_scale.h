#pragma once
// Sizes at the display's scale. Templates are laid out in dialog units, which follow the font and so
// the DPI; every size the code gives in pixels is written for 96 DPI and scaled here.
#include <windows.h>

// The DPI the window is drawn at: the monitor's under per-monitor awareness, else the system's.
UINT WindowDpi(HWND window);
// A length in pixels at 96 DPI, at the window's DPI.
int ScaleForWindow(HWND window, int pixelsAt96);
// An icon resource at `sizeAt96` pixels scaled to the window's DPI, from the image of that size where
// the resource holds one, rather than the system's icon size stretched; null when there is none.
// It is the caller's to destroy.
HICON LoadIconForWindow(HWND window, HINSTANCE instance, int id, int sizeAt96);

// Labels (statics, check boxes and radio buttons) whose text is wider than the control: each is
// widened into the free space on its right, up to the next control beside it or the inner edge of
// the frame or group box around it, never past its parent's client area. The template's sizes stay
// the minimum. Statics that shorten their text with an ellipsis are left as they are.
void FitLabels(HWND dialog);
// The same for one control, after its text has changed.
void FitLabel(HWND control);
// The width the control needs to show its text on one line, or 0 when it is no label.
int LabelWidthNeeded(HWND control);
