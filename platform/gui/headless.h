// The headless backend: windows without a screen, for tests. It behaves like the GTK
// backend towards the dialogs (same messages, same order), records what they show,
// lets a test act as the user and runs timers on a clock of its own.
//
// A modal run has no user to wait for, so it runs the test's steps one at a time
// whenever it has nothing else to do; with no step left it waits for other threads
// and gives up (the run returns −1) when nothing happens for a few seconds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/gui_types.h"

namespace platform::gui {

class Backend;

struct HeadlessOptions {
  int screenWidth = 1920;
  int screenHeight = 1080;
  int dpi = 96;
  bool composited = false;
  // Tests want a stuck run to end; an unattended program run waits as long as it takes.
  bool giveUpWhenIdle = true;
};

std::unique_ptr<Backend> CreateHeadlessBackend(const HeadlessOptions& options);

namespace headless {

// Replaces the backend by a fresh headless one; the calling thread becomes the UI thread.
void Use(const HeadlessOptions& options = {});

// A step of the script that modal runs execute when idle (on the UI thread).
void AddStep(std::function<void()> step);

// The user, as the window system reports it (UI thread).
void MouseMove(HWND window, int x, int y, bool leftDown);
void LeftDown(HWND window, int x, int y);
void LeftUp(HWND window, int x, int y);
void Click(HWND window, int x, int y);
void Key(HWND window, WPARAM virtualKey);
void CloseByWindowManager(HWND window);
void Restore(HWND window);
// Runs what other threads have posted to the UI thread so far.
void RunQueuedTasks();
// Moves the clock and fires the timers that fall due, in order.
void AdvanceTime(UINT ms);

// What the program did.
HWND ActiveDialog();  // the innermost modal dialog
int FramesPresented(HWND window);
std::vector<std::uint32_t> Frame(HWND window, int* width, int* height);
std::vector<std::uint32_t> LayeredPicture(HWND window, int* width, int* height);
struct MoveDrag {
  HWND window;
  POINT screenPoint;
};
std::vector<MoveDrag> MoveDrags();
std::vector<HWND> Windows();

// Native dialogs: answers are used in order; without one a message box answers its
// first button and the folder picker is cancelled.
void AnswerMessageBox(int result);
void AnswerFolderPicker(bool chosen, const std::wstring& path);
std::vector<std::wstring> MessageBoxesShown();

}  // namespace headless
}  // namespace platform::gui
