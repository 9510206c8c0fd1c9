// The application frame's logic: menus, toolbar, enabling, the active database, tool starts,
// exit, the events other windows send it, and the start-up sequence.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/events.h"

namespace qv {

class Session;

// What a menu item or toolbar button does.
enum class Action : uint8_t {
  kNone,
  kTool,    // a tool that changes the database or closes windows: deferred, then started
  kWindow,  // a window started by name
  kBrowse,  // a command posted to the open message browse
  kPrintSetup,
  kExit,
  kHelp,        // a help topic
  kWindowList,  // the list and arrangement of document windows
  kPopup,       // the classify popup of the toolbar
  kNavigate,    // forwarded to the active document window
};

enum class EntryKind : uint8_t { kMenu, kSubmenu, kItem, kSeparator };

struct MenuEntry {
  int id;  // negative, as every frame control
  EntryKind kind;
  int level;  // 0 a menu of the bar, 1 its items, 2 the items of a submenu
  const char* text;
  const char* status;
  Action action;
  const char* target;  // registry name, help topic
  int code;            // browse command or request code
};

struct ToolButton {
  int id;
  const char* status;
  const char* tooltip;
  int menuId;  // the menu item it acts as; 0 for none
  Action action;
  int code;
};

// Control numbers of the items the frame refers to by name.
namespace menu {
inline constexpr int kFile = -1, kChangeDb = -2, kImport = -3, kPreferences = -4, kMerge = -5,
                     kRedirect = -6, kRebuild = -7, kMailSetup = -9, kTaskManager = -11,
                     kDefineBatches = -12, kScheduleTasks = -13, kShowTaskLog = -14,
                     kSearchWizard = -15, kPrintSetup = -17, kExit = -19;
inline constexpr int kPersons = -20, kPersonBrowse = -21, kPersonMerge = -22, kAddressExport = -24;
inline constexpr int kMessages = -30, kBrowseMessages = -31, kCount = -32, kPurge = -33,
                     kStandardSearch = -35, kProSearch = -36, kClassifyMenu = -38, kTopics = -39,
                     kAttachTopics = -40, kClassifySets = -41, kStatus = -43, kExportMessages = -44,
                     kPrint = -45, kCopy = -46, kThreadTree = -48;
inline constexpr int kIndexing = -50, kWordList = -51, kStopList = -52, kAutoIndex = -53,
                     kSetIndex = -54;
inline constexpr int kWindow = -60, kHelp = -70, kAbout = -77;
}  // namespace menu

// Program events the frame takes.
namespace frame_event {
inline constexpr int kToolbarOff = 1288, kMenusOn = 1289, kDatabaseChanged = 1298,
                     kDatabaseReset = 1299, kDatabaseRemoved = 1318, kRemoveDirectories = 1319,
                     kToolFinished = 1330, kToolFinished2 = 1331, kBrowseActive = 1345,
                     kBrowseInactive = 1346, kRunTask = 1369, kImportNow = 1377, kTaskPurge = 1378,
                     kTaskIndex = 1380, kTaskCount = 1381, kTaskDuplicates = 1382, kBatches = 1384,
                     kCleanUp = 1392, kCleanUp2 = 1393, kTaskEnded = 1394, kFirstRun = 1396,
                     kAdvanceTasks = 1413;
// The frame's own deferred menu command; the parameter is the item.
inline constexpr int kDeferred = 1600;
}  // namespace frame_event

// Navigation commands the toolbar forwards to the active document window.
namespace navigation {
inline constexpr int kFirstPage = 1, kPriorPage = 2, kPriorRecord = 3, kNextRecord = 4,
                     kNextPage = 5, kLastPage = 6, kPriorFilter = 7, kFilter = 8, kNextFilter = 9;
}

// Browse commands posted to the open message browse.
namespace browse_command {
inline constexpr int kThreadTree = 1315, kCopy = 1332, kOpenFind = 1364, kAttachTopics = 1365,
                     kOpenSearch = 1395, kExport = 1400, kPrint = 1401, kClassify = 1408,
                     kStatus = 1409;
}

const std::vector<MenuEntry>& frameMenus();
const std::vector<ToolButton>& frameToolbar();
const MenuEntry* findMenuEntry(int id);
const ToolButton* findToolButton(int id);

inline constexpr const char* kFrameTitle = " Quorvane Mail, Forum & Newsgroup Message Archiver ";
inline constexpr const char* kNoActiveDatabase = "[No Active Database]";
inline constexpr const char* kFrameName = "Frame";
inline constexpr const char* kClassifyPopup = "Topics|Attach Topics|Classify Message sets";

// The texts of the person menu and its toolbar buttons for a database type.
struct PersonTexts {
  const char* menu;
  const char* browseItem;
  const char* browseStatus;
  const char* mergeItem;
  const char* mergeStatus;
  const char* browseButtonStatus;
  const char* browseButtonTip;
  const char* mergeButtonStatus;
  const char* mergeButtonTip;
};
const PersonTexts& personTexts(uint8_t dbType);

// The logic of the frame. The view reads its state after `onChanged`.
class Frame {
 public:
  // Opens window `name` with request `code`; false when the program has no such window.
  using WindowStarter = std::function<bool(const std::string& name, int code)>;

  Frame(Session& s, EventQueue& events);
  ~Frame();

  void setWindowStarter(WindowStarter w) { starter_ = std::move(w); }
  std::function<void()> onChanged;    // texts or enabling changed
  std::function<void()> onCloseDown;  // the program may end now
  std::function<void()> onPrintSetup;
  std::function<void()> onWindowList;
  // Forwards a navigation button to the active document window.
  std::function<void(int code)> onNavigate;

  // Chooses the active database and shows it (the frame opened, or a refresh).
  void open(bool firstRun);
  // A menu item or toolbar button was chosen.
  void command(int id);
  // A program event arrived.
  void event(int code, int64_t param);
  // Exit: from the menu, the button or the frame's close box. False when refused.
  bool requestExit();
  // The frame closes: saves its place (unless maximized) and the window places and widths.
  void closing(bool maximized, int16_t x, int16_t y, int16_t w, int16_t h);

  // State the view shows.
  std::string title() const { return std::string(kFrameTitle) + suffix_; }
  bool enabled(int id) const;
  std::string text(int id) const;        // the item's text (the person menu by type)
  std::string statusText(int id) const;  // the item's or button's status text
  std::string toolTip(int id) const;     // a button's tooltip
  bool databaseActive() const;
  bool browseActive() const { return browseActive_; }

  // Set while the word index is being built; exit is refused meanwhile.
  bool indexingInProgress = false;

 private:
  enum class Mode { kNormal, kAllOff, kToolbarOff };
  void chooseActiveDatabase();
  bool enterable(const std::string& dirName) const;
  bool tryActivate(uint32_t id);
  void refresh();
  void deferred(int id);
  bool closeConflicting(int id);
  void startTool(int id);
  void startWindow(const std::string& name, int code);
  void browseCommand(int code);
  void removeDatabaseDirectories();
  void changed();

  Session& s_;
  EventQueue& events_;
  WindowStarter starter_;
  std::string suffix_;
  bool firstRun_ = false;
  bool browseActive_ = false;
  bool toolbarOff_ = false;
  bool allOff_ = false;       // a tool runs: only exit (and the task items) enabled
  bool taskItemsOn_ = false;  // a task manager item started the tool
  std::string removedDir_;    // the database directory to remove (event 1318)
};

// Start-up before the frame opens. `pathDialog` asks for a directory (1 data files, 2 word
// index files) and returns it, empty when cancelled. Returns false when start-up must end the
// program; `firstRun` is set when the configuration had never been written.
bool startUp(Session& s, const std::function<std::string(int which)>& pathDialog, bool& firstRun);

inline constexpr int kConfigVersion = 462;

}  // namespace qv
