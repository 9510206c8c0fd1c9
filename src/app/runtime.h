// The runtime interface: what library code may ask of the windowing system, without Qt.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class Icon : uint8_t { kNone, kInformation, kExclamation, kQuestion, kHand };

// Buttons of a message dialog; a dialog shows the ones or-ed together and returns one.
enum Button : int {
  kButtonOk = 1,
  kButtonYes = 2,
  kButtonNo = 4,
  kButtonAbort = 8,
  kButtonRetry = 16,
  kButtonIgnore = 32,
  kButtonCancel = 64,
};

class Runtime {
 public:
  virtual ~Runtime() = default;

  // Shows a message dialog ("|" and "\r\n" break lines) and returns the button pressed.
  virtual int message(std::string_view text, std::string_view title, Icon icon = Icon::kExclamation,
                      int buttons = kButtonOk, int defaultButton = kButtonOk) = 0;
  virtual void beep() = 0;

  // The registry of open windows by name and group ("NotToolsGroup", "FindGroup",
  // "ImportGroup").
  virtual void registerWindow(std::string_view name, std::string_view group) = 0;
  virtual void unregisterWindow(std::string_view name) = 0;
  virtual bool windowOpen(std::string_view name) const = 0;
  virtual std::vector<std::string> windowsInGroup(std::string_view group) const = 0;

  // The program must stop: shows `text` and the final message with the support address, then
  // ends the process with a non-zero status. A test's runtime records the stop and throws
  // FatalStop instead, so that the test goes on.
  [[noreturn]] virtual void fatalStop(std::string_view text, std::string_view title) = 0;

  // The services below have quiet defaults, so that the command-line tool and tests need not
  // provide them.

  // A popup menu: items separated by "|", "-" a separator, a leading "+" the checked item.
  // Returns the 1-based item chosen, 0 for none.
  virtual int popupMenu(std::string_view /*items*/) { return 0; }
  // The busy cursor, on or off.
  virtual void setBusy(bool /*on*/) {}
  // Opens a help topic ("~Name" opens the page or anchor of that name; empty: the contents).
  virtual void showHelp(std::string_view /*topic*/) {}
  // Puts text (code page 1252) on the clipboard.
  virtual void setClipboard(std::string_view /*text*/) {}
};

// Thrown by runtimes that do not end the process on a fatal stop; caught by main() and tests.
struct FatalStop {
  std::string text;
  std::string title;
};

// The address users write to when the program had to stop.
inline constexpr const char* kSupportAddress = "support@quorvane.org";
// The final message after a stop.
std::string finalStopMessage();

}  // namespace qv
