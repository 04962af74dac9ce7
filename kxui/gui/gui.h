// The station's windows on Qt Widgets: a thin layer that shows the
// toolkit-free libraries and forwards the user's commands to them.
#pragma once

#include <functional>
#include <string>

// Start-up hooks of the editor mode (kx_hooks): the toolkit takes its own
// options out of the argument vector; the editor brings up the main window
// on the start rule base and runs the event loop.
int kxui_toolkit_init(int *argc, char **argv);
int kxui_editor_main(int argc, char **argv);

// Where notices and questions go when no one may click them (tests, the
// screenshot run): set, a notice is handed here instead of a modal window,
// and a question is answered by `answer` (non-zero: "Cancel").
struct GuiUnattended {
  std::function<void(const std::string &)> notice;
  int answer = 0;
};
void gui_set_unattended(const GuiUnattended *u);

// Saves a PNG of every window of the station into `dir`, named after each
// window; returns the number of failures.
int gui_screenshots(const std::string &dir);
